#pragma once

#include <string>
#include <string_view>

// The program directory is the executable's directory, or the one named by
// --root. Each program works it out once at start and hands it to what needs
// it; nothing keeps it in a global.
namespace common {

// The executable's own directory, with a trailing separator.
std::string ExecutableDirectory();

// `directory` made absolute against the current directory, with "." and ".."
// resolved and a trailing separator (the --root option).
std::string AbsoluteDirectory(std::string_view directory);

} // namespace common
