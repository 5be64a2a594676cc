#include "ui/LibraryListModel.h"
