#include "common/program_directory.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

const char kSeparator = fs::path::preferred_separator;

// Is `directory` an absolute path with a trailing separator that leads to
// `expected`? A marker file placed there tells, whatever the spelling.
bool SameDirectory(const std::string& directory, const fs::path& expected) {
    static int serial = 0;
    const std::string marker = "marker" + std::to_string(++serial);
    testsupport::WriteBytes(expected / marker, "x");
    return !directory.empty() && directory.back() == kSeparator && fs::path(directory).is_absolute() &&
           fs::exists(directory + marker);
}

} // namespace

TEST(ProgramDirectory, IsTheExecutablesDirectoryUnlessOverridden) {
    const std::string executableDirectory = common::ExecutableDirectory();
    ASSERT_FALSE(executableDirectory.empty());
    EXPECT_EQ(executableDirectory.back(), kSeparator);
    EXPECT_TRUE(fs::path(executableDirectory).is_absolute());
    // This test program lies there.
    EXPECT_TRUE(fs::exists(executableDirectory + "common_tests") ||
                fs::exists(executableDirectory + "common_tests.exe"))
        << executableDirectory;
    EXPECT_EQ(common::ProgramDirectory(), executableDirectory);

    testsupport::TempDir temp;
    const std::string plain = temp.path().string();
    common::SetProgramDirectory(plain);
    EXPECT_EQ(common::ProgramDirectory(), plain + kSeparator);
    common::SetProgramDirectory(plain + kSeparator);
    EXPECT_EQ(common::ProgramDirectory(), plain + kSeparator) << "no second separator";

    common::SetProgramDirectory(executableDirectory);
    EXPECT_EQ(common::ProgramDirectory(), executableDirectory);
}

TEST(ProgramDirectory, RelativeOverridesAreMadeAbsolute) {
    testsupport::TempDir temp;
    fs::create_directories(temp.path() / "game" / "sub");
    const fs::path before = fs::current_path();
    fs::current_path(temp.path());

    common::SetProgramDirectory("game");
    EXPECT_TRUE(SameDirectory(common::ProgramDirectory(), temp.path() / "game"))
        << common::ProgramDirectory();
    common::SetProgramDirectory(".");
    EXPECT_TRUE(SameDirectory(common::ProgramDirectory(), temp.path())) << common::ProgramDirectory();
    common::SetProgramDirectory("game/sub/..");
    EXPECT_TRUE(SameDirectory(common::ProgramDirectory(), temp.path() / "game"))
        << common::ProgramDirectory();
    EXPECT_EQ(common::ProgramDirectory().find(".."), std::string::npos) << common::ProgramDirectory();

    // The override keeps its place when the current directory moves on.
    common::SetProgramDirectory("game");
    fs::current_path(before);
    EXPECT_TRUE(SameDirectory(common::ProgramDirectory(), temp.path() / "game"));

    common::SetProgramDirectory(common::ExecutableDirectory());
}
