#include "common/program_directory.h"
