#include "tests/common/child_process.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

int RunThisTestProgram(const std::string& gtestFilter,
                       const std::vector<std::pair<std::string, std::string>>& environment) {
    const std::string filterArgument = "--gtest_filter=" + gtestFilter;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        for (const auto& [name, value] : environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        char* const argv[] = {const_cast<char*>("child"), const_cast<char*>(filterArgument.c_str()), nullptr};
        execv("/proc/self/exe", argv);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ExitWith(int code) {
    std::fflush(nullptr);
    _exit(code);
}

} // namespace testsupport
