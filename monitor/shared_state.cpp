#include "monitor/shared_state.h"
