#include "testing/stand_in_command_line.h"

namespace testsupport {

std::string RawCommandLine() {
    return {};
}

} // namespace testsupport
