#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Linux only: runs this test program again, limited to `gtestFilter`, with the given
// environment variables added, and waits for it. Returns its exit code, or
// -1 when it could not be started or did not end normally. Child tests that
// report through an exit code of their own (see ExitWith) make a filter that
// matches nothing show up as a failure instead of a silent pass.
int RunThisTestProgram(const std::string& gtestFilter,
                       const std::vector<std::pair<std::string, std::string>>& environment);

// Ends the process at once with `code`, skipping the rest of the test run.
[[noreturn]] void ExitWith(int code);

} // namespace testsupport
