#include "common/single_instance.h"
#include "tests/common/child_process.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <signal.h>
#include <string>
#include <unistd.h>

namespace {

// Codes the children report with; 0 (a filter that ran nothing) is neither.
constexpr int kChildAcquired = 10;
constexpr int kChildRefused = 20;

std::string UniqueName(const char* suffix) {
    static const std::string run = std::to_string(std::random_device{}());
    return "zandrel-test-" + run + "-" + suffix;
}

int TryInChild(const std::string& name) {
    return testsupport::RunThisTestProgram("SingleInstanceChild.TryAcquire",
                                           {{"ZANDREL_TEST_LOCK_NAME", name}});
}

} // namespace

// The children of the tests below.
TEST(SingleInstanceChild, TryAcquire) {
    const char* name = std::getenv("ZANDREL_TEST_LOCK_NAME");
    if (name == nullptr) {
        GTEST_SKIP() << "only run as a child process";
    }
    testsupport::ExitWith(common::AcquireSingleInstance(name) ? kChildAcquired : kChildRefused);
}

// Takes the lock, starts a long-running program as the switcher starts the
// game, and ends while that program still runs.
TEST(SingleInstanceChild, AcquireThenStartProgram) {
    const char* name = std::getenv("ZANDREL_TEST_LOCK_NAME");
    const char* pidFile = std::getenv("ZANDREL_TEST_PID_FILE");
    if (name == nullptr || pidFile == nullptr) {
        GTEST_SKIP() << "only run as a child process";
    }
    // The pipe closes in the started program when its exec succeeds; until
    // then it still shares every descriptor of this process.
    int execDone[2];
    if (!common::AcquireSingleInstance(name) || pipe2(execDone, O_CLOEXEC) != 0) {
        testsupport::ExitWith(kChildRefused);
    }
    const pid_t sleeper = fork();
    if (sleeper == 0) {
        execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(execDone[1]);
    char byte = 0;
    while (read(execDone[0], &byte, 1) > 0) {
    }
    std::ofstream(pidFile) << sleeper;
    testsupport::ExitWith(sleeper > 0 ? kChildAcquired : kChildRefused);
}

TEST(SingleInstance, OtherProcessesSeeTheLockUntilItsHolderEnds) {
    const std::string held = UniqueName("held");
    ASSERT_TRUE(common::AcquireSingleInstance(held));
    EXPECT_EQ(TryInChild(held), kChildRefused);

    const std::string released = UniqueName("released");
    EXPECT_EQ(TryInChild(released), kChildAcquired);
    EXPECT_TRUE(common::AcquireSingleInstance(released)) << "the ended child must not keep it";
    EXPECT_EQ(TryInChild(released), kChildRefused);
}

TEST(SingleInstance, ProgramsStartedByTheHolderDoNotKeepTheLock) {
    testsupport::TempDir temp;
    const std::string name = UniqueName("exec");
    const std::string pidFile = temp / "sleeper.pid";
    ASSERT_EQ(testsupport::RunThisTestProgram(
                  "SingleInstanceChild.AcquireThenStartProgram",
                  {{"ZANDREL_TEST_LOCK_NAME", name}, {"ZANDREL_TEST_PID_FILE", pidFile}}),
              kChildAcquired);
    pid_t sleeper = 0;
    std::ifstream(pidFile) >> sleeper;
    ASSERT_GT(sleeper, 0);
    EXPECT_EQ(kill(sleeper, 0), 0) << "the started program should still be running";
    EXPECT_TRUE(common::AcquireSingleInstance(name));
    kill(sleeper, SIGKILL);
}
