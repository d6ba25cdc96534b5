#include "common/ini_file.h"
#include "switcher/options/switcher_settings.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using switcher::SwitcherSettings;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

TEST(SwitcherSettings, DefaultsAndInstalledModeWithoutAFile) {
    TempDir dir;
    common::IniFile ini(switcher::SwitcherIniPath(dir.str()));
    SwitcherSettings s;
    s.viewNews = false; // loading must reset to defaults, not keep old state
    s.launchWhenHost = true;
    s.Load(ini);
    EXPECT_TRUE(s.onMultiplayer);
    EXPECT_TRUE(s.onLaunch);
    EXPECT_FALSE(s.launchWhenHost);
    EXPECT_TRUE(s.quiet);
    EXPECT_FALSE(s.fetchSelected);
    EXPECT_TRUE(s.fetchAll);
    EXPECT_TRUE(s.viewNews);
    EXPECT_FALSE(s.verbose);
    EXPECT_TRUE(s.autoConnect);
    EXPECT_TRUE(s.closeOnLaunch);
    EXPECT_EQ(switcher::ReadInstalledMode(ini), "cdv");
    EXPECT_FALSE(std::filesystem::exists(dir / "switcher.ini")); // reading creates nothing

    WriteBytes(dir / "switcher.ini", "[GAME]\r\nMode=rwm\r\n");
    EXPECT_EQ(switcher::ReadInstalledMode(common::IniFile(dir / "switcher.ini")), "rwm");
}

TEST(SwitcherSettings, OnlyExactlyZeroMeansOff) {
    TempDir dir;
    WriteBytes(dir / "switcher.ini",
               "[launcher]\r\nOnMultiplayer=true\r\nonlaunch=\r\nLaunchWhenHost=yes\r\nFetchSelected=00\r\n"
               "FetchAll=0\r\n[chat]\r\nQuiet=0\r\nVerbose=1\r\nAutoConnect=0\r\nCloseOnLaunch=off\r\n"
               "[MISC]\r\nviewnews=0\r\n");
    SwitcherSettings s;
    s.Load(common::IniFile(dir / "switcher.ini"));
    EXPECT_TRUE(s.onMultiplayer);  // "true"
    EXPECT_TRUE(s.onLaunch);       // empty value
    EXPECT_TRUE(s.launchWhenHost); // "yes"
    EXPECT_TRUE(s.fetchSelected);  // "00" is not "0"
    EXPECT_FALSE(s.fetchAll);
    EXPECT_TRUE(s.verbose);
    EXPECT_FALSE(s.autoConnect);
    EXPECT_TRUE(s.closeOnLaunch); // "off"
    EXPECT_FALSE(s.viewNews);     // names match without regard to case
    EXPECT_FALSE(s.quiet);
}

TEST(SwitcherSettings, SaveWritesEveryFlagAndReadsBack) {
    TempDir dir;
    const std::string path = switcher::SwitcherIniPath(dir.str());
    WriteBytes(path, "[game]\r\nmode=dsr\r\n[launcher]\r\nusername=Bob\r\n");
    common::IniFile ini(path);

    SwitcherSettings s;
    s.onLaunch = false;
    s.launchWhenHost = true;
    s.verbose = true;
    s.viewNews = false;
    std::string failed = "untouched";
    ASSERT_TRUE(s.Save(ini, failed));
    EXPECT_EQ(failed, "untouched");

    const std::string bytes = ReadBytes(path);
    // The OnLaunch flag is written under its lower-case spelling.
    EXPECT_NE(bytes.find("onLaunch=0"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\nOnLaunch"), std::string::npos) << bytes;
    for (const char* line : {"OnMultiplayer=1", "LaunchWhenHost=1", "FetchSelected=0", "FetchAll=1",
                             "Quiet=1", "Verbose=1", "AutoConnect=1", "CloseOnLaunch=1", "ViewNews=0"})
        EXPECT_NE(bytes.find(line), std::string::npos) << line;
    // Keys of other sections and parts stay.
    EXPECT_NE(bytes.find("mode=dsr"), std::string::npos);
    EXPECT_NE(bytes.find("username=Bob"), std::string::npos);

    SwitcherSettings back;
    back.Load(common::IniFile(path));
    EXPECT_EQ(back, s);

    // Saving again replaces the values instead of adding keys.
    s.onLaunch = true;
    ASSERT_TRUE(s.Save(ini, failed));
    const std::string again = ReadBytes(path);
    EXPECT_EQ(again.find("onLaunch=0"), std::string::npos);
    EXPECT_EQ(again.find("onLaunch=1"), again.rfind("onLaunch=1"));
}

TEST(SwitcherSettings, FailedWriteReportsPathAndKeepsTheFile) {
    TempDir dir;
    // A settings path inside a directory that does not exist cannot be written.
    const std::string unwritable = dir / "missing/switcher.ini";
    common::IniFile ini(unwritable);
    std::string failed;
    EXPECT_FALSE(SwitcherSettings{}.Save(ini, failed));
    EXPECT_EQ(failed, unwritable);
    EXPECT_EQ(switcher::UnableToWriteMessage(failed), "Unable to write to " + unwritable);

    // A read-only directory: the existing file stays whole. (root ignores
    // permissions, so this part only runs where they hold.)
    const std::string path = dir / "ro/switcher.ini";
    const std::string original = "[launcher]\r\nFetchAll=0\r\nusername=Ann\r\n";
    WriteBytes(path, original);
    std::filesystem::permissions(dir.path() / "ro",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    common::IniFile ro(path);
    SwitcherSettings s;
    if (!s.Save(ro, failed)) {
        EXPECT_EQ(failed, path);
        EXPECT_EQ(ReadBytes(path), original);
    }
    std::filesystem::permissions(dir.path() / "ro", std::filesystem::perms::owner_all);
}

} // namespace
