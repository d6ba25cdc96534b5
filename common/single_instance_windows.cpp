#include "common/single_instance.h"
