#pragma once

#include <string>
#include <string_view>

namespace common {

// The program directory: the running executable's directory, or the one set
// by --root. Always ends with the platform's separator.
std::string ProgramDirectory();

// Overrides the program directory (the --root option). Relative paths are made
// absolute against the current directory; a trailing separator is added.
void SetProgramDirectory(std::string_view directory);

// The executable's own directory, with a trailing separator.
std::string ExecutableDirectory();

} // namespace common
