#include "common/file_system.h"
#include "common/shell.h"
#include "tests/common/stand_in_record.h"
#include "tests/support/temp_dir.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            setenv(m_name, value->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

void WriteScript(const fs::path& file, const std::string& body) {
    testsupport::WriteBytes(file, "#!/bin/sh\n" + body);
    fs::permissions(file, fs::perms::owner_all);
}

// A fake program that writes its name, working directory and arguments, one
// per line, into `out` (renamed into place, so a reader never sees half).
void WriteRecorder(const fs::path& file, const fs::path& out) {
    WriteScript(file, "{ echo \"$(basename \"$0\")\"; pwd; printf '%s\\n' \"$@\"; } > '" + out.string() +
                          ".tmp' && mv '" + out.string() + ".tmp' '" + out.string() + "'\n");
}

std::vector<std::string> WaitForLines(const fs::path& file) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(file) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::string> lines;
    std::string text = testsupport::ReadBytes(file);
    fs::remove(file);
    for (std::size_t start = 0, newline; (newline = text.find('\n', start)) != std::string::npos;
         start = newline + 1) {
        lines.push_back(text.substr(start, newline - start));
    }
    return lines;
}

} // namespace

TEST(LinuxShell, WindowsProgramsGoThroughWineOthersToTheirHandler) {
    testsupport::TempDir temp;
    const fs::path bin = temp.path() / "bin";
    const fs::path out = temp.path() / "out.txt";
    for (const char* name : {"wine", "xdg-open", "tool"}) {
        WriteRecorder(bin / name, out);
    }
    testsupport::WriteBytes(temp.path() / "Game" / "Prog.exe", std::string("MZ\x90\0", 4));
    testsupport::WriteBytes(temp.path() / "readme.txt", "text");
    fs::create_directories(temp.path() / "docs");
    const std::string root = temp.str();
    const std::string here = common::CurrentDirectory();
    ScopedEnv path("PATH", bin.string() + ":" + std::getenv("PATH"));
    ScopedEnv wine("ZANDREL_WINE", std::nullopt);
    auto shell = common::MakeSystemShell();

    // An installation path with backslashes and other letter case, as
    // descriptors give them; the default Wine command.
    shell->Open(root + "game\\prog.EXE", " -x  IP=h \"a b\"", common::ShowMode::ShowNA);
    EXPECT_EQ(WaitForLines(out),
              (std::vector<std::string>{"wine", here, root + "Game/Prog.exe", "-x", "IP=h", "a b"}));

    // ZANDREL_WINE may hold several words.
    {
        ScopedEnv custom("ZANDREL_WINE", "  " + (bin / "wine").string() + "  --flag\tsecond ");
        shell->Open(root + "Game/Prog.exe", "", common::ShowMode::ShowNormal);
        EXPECT_EQ(WaitForLines(out),
                  (std::vector<std::string>{"wine", here, "--flag", "second", root + "Game/Prog.exe"}));
    }

    // Another executable runs directly.
    shell->Open((bin / "tool").string(), " \"\" x\\\"y", common::ShowMode::Show);
    EXPECT_EQ(WaitForLines(out), (std::vector<std::string>{"tool", here, "", "x\"y"}));

    // Documents, directories and URLs go to the desktop's handler, without
    // parameters.
    shell->Open(root + "README.TXT", " -ignored", common::ShowMode::Show);
    EXPECT_EQ(WaitForLines(out), (std::vector<std::string>{"xdg-open", here, root + "readme.txt"}));
    shell->Open(root + "docs", "", common::ShowMode::Show);
    EXPECT_EQ(WaitForLines(out), (std::vector<std::string>{"xdg-open", here, root + "docs"}));
    shell->Open("http://example.invalid/a?b=1&c=\"2\" x", "", common::ShowMode::Show);
    EXPECT_EQ(WaitForLines(out),
              (std::vector<std::string>{"xdg-open", here, "http://example.invalid/a?b=1&c=\"2\" x"}));

    // A relative document whose name looks like an option stays a path.
    testsupport::WriteBytes(temp.path() / "-n.txt", "");
    common::ChangeCurrentDirectory(root);
    shell->Open("-n.txt", "", common::ShowMode::Show);
    common::ChangeCurrentDirectory(here);
    EXPECT_EQ(WaitForLines(out), (std::vector<std::string>{"xdg-open", temp.path().string(), "./-n.txt"}));
}

TEST(LinuxShell, ReturnsAtOnceAndLeavesNoChildBehind) {
    testsupport::TempDir temp;
    const fs::path started = temp.path() / "started";
    const fs::path release = temp.path() / "release";
    const fs::path result = temp.path() / "result";
    // Waits up to 10 s for the test to release it, and tells how it ended.
    WriteScript(temp.path() / "slow",
                "touch '" + started.string() + "'\nfor i in $(seq 100); do\n  if [ -e '" + release.string() +
                    "' ]; then echo released > '" + result.string() + ".tmp'; mv '" + result.string() +
                    ".tmp' '" + result.string() + "'; exit 0; fi\n  sleep 0.1\ndone\necho timed-out > '" +
                    result.string() + ".tmp'; mv '" + result.string() + ".tmp' '" + result.string() + "'\n");
    auto shell = common::MakeSystemShell();
    shell->Open((temp.path() / "slow").string(), "", common::ShowMode::ShowNA);

    // The intermediate child is reaped, and the program is not our child.
    int status = 0;
    errno = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(started) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(fs::exists(started));
    testsupport::WriteBytes(release, "");
    EXPECT_EQ(WaitForLines(result), std::vector<std::string>{"released"});

    // Targets that are nothing at all open nothing and do not fail.
    shell->Open("", " x", common::ShowMode::Show);
    shell->Open("-option", "", common::ShowMode::Show);
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
}

TEST(LinuxShell, StandInRecordsWhereItIsToldTo) {
    const auto editor = testsupport::FindStandIn(testsupport::BuildBinDirectory(), "editor");
    ASSERT_TRUE(editor) << "stand_in_editor is not built in " << testsupport::BuildBinDirectory();
    testsupport::TempDir temp;
    const fs::path record = temp.path() / "elsewhere" / "rec.txt";
    fs::create_directories(record.parent_path());
    ScopedEnv where("ZANDREL_STAND_IN_RECORD", record.string());
    common::MakeSystemShell()->Open(editor->string(), " tab\there \"new\nline\" back\\slash",
                                    common::ShowMode::ShowNormal);
    const auto records = testsupport::WaitForRecords(record);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].role, "editor");
    EXPECT_EQ(records[0].commandLine, "");
    EXPECT_EQ(records[0].arguments, (std::vector<std::string>{"tab", "here", "new\nline", "back\\slash"}));
}

// The Windows build's stand-in, started through real Wine. Runs when a
// Windows build sits beside this one (NAME-mingw or mingw) and a Wine prefix
// is known (WINEPREFIX, or build/wineprefix), so no prefix is ever created in
// the user's home.
TEST(LinuxShell, WindowsStandInRunsUnderWine) {
    const fs::path build = testsupport::BuildBinDirectory().parent_path();
    std::vector<fs::path> candidates;
    if (const char* dir = std::getenv("ZANDREL_WINDOWS_STAND_INS")) {
        candidates.emplace_back(dir);
    }
    candidates.push_back(fs::path(build.string() + "-mingw") / "bin");
    candidates.push_back(build.parent_path() / "mingw" / "bin");
    std::optional<fs::path> standIn;
    for (const auto& dir : candidates) {
        if (auto found = testsupport::FindStandIn(dir, "game"); found && found->extension() == ".exe") {
            standIn = found;
            break;
        }
    }
    std::string prefix = std::getenv("WINEPREFIX") ? std::getenv("WINEPREFIX") : "";
    if (prefix.empty() && fs::exists(build.parent_path() / "wineprefix" / "system.reg")) {
        prefix = (build.parent_path() / "wineprefix").string();
    }
    if (!standIn || prefix.empty()) {
        GTEST_SKIP() << "no Windows stand-in or no Wine prefix beside " << build;
    }

    testsupport::TempDir temp;
    const fs::path program = temp.path() / "game dir" / "game.exe";
    fs::create_directories(program.parent_path());
    fs::copy_file(*standIn, program);
    ScopedEnv winePrefix("WINEPREFIX", prefix);
    ScopedEnv wineDebug("WINEDEBUG", "-all");
    ScopedEnv wine("ZANDREL_WINE", std::nullopt);
    common::MakeSystemShell()->Open(program.string(), " -x  IP=10.0.0.5 \"a b\"", common::ShowMode::ShowNA);

    const auto records =
        testsupport::WaitForRecords(program.parent_path() / "stand_in_record.txt", std::chrono::seconds(60));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].role, "game");
    EXPECT_EQ(records[0].arguments, (std::vector<std::string>{"-x", "IP=10.0.0.5", "a b"}));
    EXPECT_NE(records[0].commandLine.find("game.exe"), std::string::npos) << records[0].commandLine;
}
