#include "common/file_system.h"
