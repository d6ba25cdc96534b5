#include "monitor/log/log_file.h"
#include "monitor/log/log_verify.h"
#include "monitor/status_file.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(VerifyLog, NamesEveryLineWhoseChecksumDoesNotMatch) {
    const std::string good = monitor::FormatLogLine("Server has disconnected!");
    const std::string bracketed = monitor::FormatLogLine("a ] Checksum :1 inside");
    std::string forged = monitor::FormatLogLine("DLL not Original on Anna");
    forged[5] = 'X'; // the text changed, the checksum not
    const std::string log = good + "\r\n" + forged + "\r\n" + bracketed + "\r\n" + "no brackets\r\n" +
                            "[x] Checksum :007\r\n" + good; // no line end at the very end
    const auto mismatches = monitor::VerifyLog(log);
    ASSERT_EQ(mismatches.size(), 3u);
    EXPECT_EQ(mismatches[0].LineNumber, 2);
    EXPECT_EQ(mismatches[0].Line, forged);
    EXPECT_EQ(mismatches[1].LineNumber, 4);
    EXPECT_EQ(mismatches[2].LineNumber, 5) << "leading zeros are never written";

    EXPECT_TRUE(monitor::VerifyLog("").empty());
    EXPECT_TRUE(monitor::VerifyLog(good + "\n" + good + "\n").empty());
}

TEST(StatusJson, IsUtf8JsonWithEveryTable) {
    monitor::SharedState state;
    state.IsServer = 1;
    state.PeerTable[3] = "19910238403 Ren\xE9 \"Q\"\\";
    monitor::MonitorDisplay display;
    display.List2 = {"line\tone"};
    const std::string json = monitor::StatusJson(state, display);
    EXPECT_NE(json.find("\"role\":\"server\""), std::string::npos);
    EXPECT_NE(json.find("\"19910238403 Ren\xC3\xA9 \\\"Q\\\"\\\\\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"list2\":[\"line\\u0009one\"]"), std::string::npos);
    std::size_t empties = 0;
    for (std::size_t at = json.find("\"Empty\""); at != std::string::npos;
         at = json.find("\"Empty\"", at + 1))
        ++empties;
    EXPECT_EQ(empties, 60u);
}

TEST(StatusFile, IsReplacedOnlyWhenItsTextChangesAndAFailedWriteIsRetried) {
    testsupport::TempDir dir;
    const std::string path = dir.str() + "status.json";
    monitor::SharedState state;
    monitor::MonitorDisplay display;
    std::string written;
    ASSERT_TRUE(monitor::WriteStatusFile(path, state, display, written));
    std::filesystem::remove(path);
    ASSERT_TRUE(monitor::WriteStatusFile(path, state, display, written));
    EXPECT_FALSE(std::filesystem::exists(path)); // the same text: no write
    display.List2 = {"changed"};
    ASSERT_FALSE(monitor::WriteStatusFile(dir.str() + "missing/status.json", state, display, written));
    ASSERT_TRUE(monitor::WriteStatusFile(path, state, display, written)); // not taken as written
    EXPECT_TRUE(std::filesystem::exists(path));
}
