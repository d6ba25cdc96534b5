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

TEST(ProgramDirectory, TheExecutablesDirectoryEndsWithASeparator) {
    const std::string executableDirectory = common::ExecutableDirectory();
    ASSERT_FALSE(executableDirectory.empty());
    EXPECT_EQ(executableDirectory.back(), kSeparator);
    EXPECT_TRUE(fs::path(executableDirectory).is_absolute());
    // This test program lies there.
    EXPECT_TRUE(fs::exists(executableDirectory + "common_tests") ||
                fs::exists(executableDirectory + "common_tests.exe"))
        << executableDirectory;

    testsupport::TempDir temp;
    const std::string plain = temp.path().string();
    EXPECT_EQ(common::AbsoluteDirectory(plain), plain + kSeparator);
    EXPECT_EQ(common::AbsoluteDirectory(plain + kSeparator), plain + kSeparator) << "no second separator";
    EXPECT_EQ(common::AbsoluteDirectory(executableDirectory), executableDirectory);
}

TEST(ProgramDirectory, RelativeRootsAreMadeAbsolute) {
    testsupport::TempDir temp;
    fs::create_directories(temp.path() / "game" / "sub");
    const fs::path before = fs::current_path();
    fs::current_path(temp.path());

    EXPECT_TRUE(SameDirectory(common::AbsoluteDirectory("game"), temp.path() / "game"));
    EXPECT_TRUE(SameDirectory(common::AbsoluteDirectory("."), temp.path()));
    const std::string up = common::AbsoluteDirectory("game/sub/..");
    EXPECT_TRUE(SameDirectory(up, temp.path() / "game")) << up;
    EXPECT_EQ(up.find(".."), std::string::npos) << up;

    // The result keeps its place when the current directory moves on.
    const std::string game = common::AbsoluteDirectory("game");
    fs::current_path(before);
    EXPECT_TRUE(SameDirectory(game, temp.path() / "game"));
}
