#include "common/console.h"

namespace common {

void UseParentConsole() {}

} // namespace common
