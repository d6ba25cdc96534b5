#include "monitor/log/log_file.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using Lines = std::vector<std::string>;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// A full disk, without mounting anything: /dev/full accepts the open and
// fails every write with "no space left on device".
TEST(SaveLog, ReportsAFullDiskAndKeepsTheLines) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    testsupport::TempDir dir;
    std::filesystem::create_symlink("/dev/full", dir.path() / "varnok.LOG");

    const std::vector<std::string> lines = {"first warning", std::string(5000, 'x')};
    const std::vector<std::string> before = lines;
    const auto failed = monitor::SaveLog(lines, dir.str());
    EXPECT_FALSE(failed);
    EXPECT_NE(failed.Error().Text.find("varnok.LOG"), std::string::npos) << failed.Error().Text;
    EXPECT_EQ(lines, before);

    // An empty list writes nothing, so even a full disk only has to take the open.
    EXPECT_TRUE(monitor::SaveLog(Lines{}, dir.str()));
}

// A save that runs out of room part-way: a small tmpfs (as root), filled so
// that only part of the lines fit. The file must stay exactly as it was, and a
// later save that fits must give whole lines with good checksums.
TEST(SaveLog, AFailedSaveLeavesTheFileAsItWas) {
    testsupport::TempDir dir;
    const std::string mount = "mount -t tmpfs -o size=64k tmpfs '" + dir.path().string() + "' 2>/dev/null";
    if (geteuid() != 0 || std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    struct Unmount {
        std::string path;
        ~Unmount() { std::system(("umount '" + path + "'").c_str()); }
    } unmount{dir.path().string()};

    ASSERT_TRUE(monitor::SaveLog(Lines{"first line", "second line"}, dir.str()));
    const std::string before = ReadAll(dir / "varnok.LOG");
    // Fill the rest. The log file's last page still has room for about 4000
    // bytes, fewer than the save below writes.
    {
        std::ofstream filler(dir / "filler", std::ios::binary);
        const std::string block(512, 'f');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }

    const std::vector<std::string> lines(50, std::string(100, 'w'));
    EXPECT_FALSE(monitor::SaveLog(lines, dir.str()));
    EXPECT_EQ(ReadAll(dir / "varnok.LOG"), before);

    std::filesystem::remove(dir.path() / "filler");
    ASSERT_TRUE(monitor::SaveLog(Lines{"third line"}, dir.str()));
    EXPECT_EQ(ReadAll(dir / "varnok.LOG"), before + monitor::FormatLogLine("third line") + "\r\n");
}
