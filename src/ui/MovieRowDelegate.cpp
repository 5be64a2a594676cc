#include "ui/MovieRowDelegate.h"
