// A full disk, without mounting anything: /dev/full accepts the open and
// fails every write with "no space left on device".
#include "monitor/log_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

TEST(SaveLog, ReportsAFullDiskAndKeepsTheLines) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    testsupport::TempDir dir;
    std::filesystem::create_symlink("/dev/full", dir.path() / "varnok.LOG");

    const std::vector<std::string> lines = {"first warning", std::string(5000, 'x')};
    const std::vector<std::string> before = lines;
    std::string error;
    EXPECT_FALSE(monitor::SaveLog(lines, dir.str(), error));
    EXPECT_NE(error.find("varnok.LOG"), std::string::npos) << error;
    EXPECT_EQ(lines, before);

    // An empty list writes nothing, so even a full disk only has to take the open.
    error.clear();
    EXPECT_TRUE(monitor::SaveLog({}, dir.str(), error)) << error;
}
