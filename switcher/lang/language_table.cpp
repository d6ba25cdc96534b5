#include "switcher/lang/language_table.h"
