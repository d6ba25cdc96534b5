#include "testing/stand_in_command_line.h"

#include <windows.h>

namespace testsupport {

std::string RawCommandLine() {
    const char* line = GetCommandLineA();
    return line ? std::string(line) : std::string();
}

} // namespace testsupport
