#include "ui/RowStyle.h"
