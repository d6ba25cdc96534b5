#include "monitor/inspect/memory_access.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

// The facts as this machine gives them: its own ptrace_scope, and a child of
// the test (started below it) against a process that is not (init).
TEST(MemoryAccess, ReadsThisMachinesFacts) {
    std::ifstream file("/proc/sys/kernel/yama/ptrace_scope");
    int scope = 0;
    if (!(file >> scope))
        scope = 0;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pause();
        _exit(0);
    }
    const monitor::PtraceFacts own = monitor::ReadPtraceFacts(static_cast<std::uint32_t>(child));
    const monitor::PtraceFacts other = monitor::ReadPtraceFacts(1);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(own.Scope, scope);
    EXPECT_TRUE(own.IsDescendant);
    EXPECT_FALSE(other.IsDescendant);
    EXPECT_EQ(own.MayTraceAny, geteuid() == 0) << "root has CAP_SYS_PTRACE here";
}
