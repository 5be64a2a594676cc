#include "ui/DeleteKeyFilter.h"
