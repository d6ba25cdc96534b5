#include "switcher/banner_qt.h"
