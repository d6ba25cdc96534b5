#include "monitor/log/log_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

TEST(LogChecksum, SumsMaskedProductsOfPositionAndByte) {
    EXPECT_EQ(monitor::LogChecksum(""), 0);
    EXPECT_EQ(monitor::LogChecksum("a"), 0);
    EXPECT_EQ(monitor::LogChecksum("\xFF"), 0);
    EXPECT_EQ(monitor::LogChecksum("abc"), 296);
    // Bit 0 of every term is cleared: 'a' (97) * 1 = 97 -> 96.
    EXPECT_EQ(monitor::LogChecksum("xa"), 96);
    // Bytes above 127 count as 0-255, not as negative chars: 255 * 1 & 254.
    EXPECT_EQ(monitor::LogChecksum("x\xFF"), 254);
    // Each term is at most 254, so a long line wraps at 65536.
    const std::string line(1000, '\xFF');
    long expected = 0;
    for (long i = 0; i < 1000; ++i)
        expected += (255 * i) & 254;
    EXPECT_EQ(monitor::LogChecksum(line), expected & 65535);
    EXPECT_GT(expected, 65535) << "the case must really wrap";
}

TEST(SaveLog, AppendsEveryLineWithChecksumAndCrLf) {
    testsupport::TempDir dir;
    const auto file = dir.path() / "varnok.LOG";

    // No lines: the file is still created.
    ASSERT_TRUE(monitor::SaveLog(Lines{}, dir.str()));
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(testsupport::ReadBytes(file), "");

    const std::vector<std::string> lines = {"abc", "", "Server has disconnected!"};
    const std::string once =
        "[abc] Checksum :296\r\n[] Checksum :0\r\n[Server has disconnected!] Checksum :" +
        std::to_string(monitor::LogChecksum("Server has disconnected!")) + "\r\n";
    ASSERT_TRUE(monitor::SaveLog(lines, dir.str()));
    EXPECT_EQ(testsupport::ReadBytes(file), once);

    // A second save writes the whole list again; earlier content stays.
    ASSERT_TRUE(monitor::SaveLog(lines, dir.path().string())) << "directory without separator";
    EXPECT_EQ(testsupport::ReadBytes(file), once + once);
    EXPECT_EQ(lines.size(), 3u);
}

TEST(SaveLog, ReportsAFileThatCannotBeWritten) {
    testsupport::TempDir dir;
    const auto failed = monitor::SaveLog(Lines{"x"}, (dir.path() / "missing").string());
    EXPECT_FALSE(failed);
    EXPECT_NE(failed.Error().Text.find("varnok.LOG"), std::string::npos) << failed.Error().Text;

    // The "directory" is a file.
    testsupport::WriteBytes(dir.path() / "plain", "data");
    const auto refused = monitor::SaveLog(Lines{"x"}, (dir.path() / "plain").string());
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.Error().Text.empty());
    EXPECT_EQ(testsupport::ReadBytes(dir.path() / "plain"), "data");

    // The log file's name is taken by a directory.
    std::filesystem::create_directory(dir.path() / "varnok.LOG");
    EXPECT_FALSE(monitor::SaveLog(Lines{"x"}, dir.str()));
}
