#pragma once

namespace common {

// Windows window programs start without a console, so their --help,
// --version and other printed answers would vanish when started from a
// command prompt. This connects standard output and error to the console of
// the parent process, unless they already lead to a file or a pipe. Elsewhere
// it does nothing.
void UseParentConsole();

} // namespace common
