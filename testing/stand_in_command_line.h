#pragma once

#include <string>

namespace testsupport {

// The command line exactly as the process received it (Windows), or empty
// where a process gets only an argument vector (Linux).
std::string RawCommandLine();

} // namespace testsupport
