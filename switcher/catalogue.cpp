#include "switcher/catalogue.h"
