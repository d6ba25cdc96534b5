#include "common/text_codec.h"
#include "tests/common/child_process.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {
constexpr int kChildAgrees = 12;
constexpr int kChildDisagrees = 22;
} // namespace

TEST(TextCodecLinux, UnknownCodePageNamesFallBackToWindows1252) {
    for (const char* name : {"NO-SUCH-CODEPAGE", "", "CP99999"}) {
        const common::TextCodec codec(name);
        EXPECT_EQ(codec.CodePage(), "CP1252") << name;
        EXPECT_EQ(codec.ToUtf8("\x80"), "\xE2\x82\xAC") << name;
    }
}

// Child of the test below; the variables are set before its first conversion.
TEST(TextCodecChild, ProgramCodePageFollowsEnvironment) {
    const char* expected = std::getenv("ZANDREL_TEST_EXPECT_CODEPAGE");
    if (expected == nullptr) {
        GTEST_SKIP() << "only run as a child process";
    }
    const std::string cyrillicA = common::AnsiToUtf8("\xC0");
    const bool agrees = common::AnsiCodec().CodePage() == expected &&
                        cyrillicA == (std::string(expected) == "CP1251" ? "\xD0\x90" : "\xC3\x80");
    testsupport::ExitWith(agrees ? kChildAgrees : kChildDisagrees);
}

TEST(TextCodecLinux, ProgramCodePageComesFromTheEnvironment) {
    const std::string filter = "TextCodecChild.ProgramCodePageFollowsEnvironment";
    EXPECT_EQ(testsupport::RunThisTestProgram(
                  filter, {{"ZANDREL_CODEPAGE", "CP1251"}, {"ZANDREL_TEST_EXPECT_CODEPAGE", "CP1251"}}),
              kChildAgrees);
    EXPECT_EQ(testsupport::RunThisTestProgram(
                  filter, {{"ZANDREL_CODEPAGE", "KLINGON"}, {"ZANDREL_TEST_EXPECT_CODEPAGE", "CP1252"}}),
              kChildAgrees);
    EXPECT_EQ(testsupport::RunThisTestProgram(
                  filter, {{"ZANDREL_CODEPAGE", ""}, {"ZANDREL_TEST_EXPECT_CODEPAGE", "CP1252"}}),
              kChildAgrees);
}
