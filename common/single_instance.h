#pragma once

#include <string_view>

namespace common {

// Takes the program-wide single-instance lock called `name`. Returns false
// when another process already holds it (or it cannot be made). The lock is
// held until the process ends, however it ends. Windows: a named mutex.
// Linux: an abstract Unix socket bound to the name, which the kernel releases
// with the process, even after kill -9.
bool AcquireSingleInstance(std::string_view name);

} // namespace common
