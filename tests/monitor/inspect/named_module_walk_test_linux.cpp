// The module walk for sought names skips the line parse of every maps file
// that does not hold one of the names. These tests hold it to the full walk:
// the same sought modules and the same reports, over crafted and real maps
// text, and the same game scan results.
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/proc_maps_linux.h"
#include "monitor/inspect/process_inspector.h"
#include "tests/support/fake_inspection.h"
#include "tests/support/temp_dir.h"

#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <unistd.h>

namespace {

using testsupport::TempDir;
using testsupport::WriteBytes;

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The plain search: every start, compared byte by byte.
std::size_t PlainFindFolded(std::string_view text, std::string_view needle) {
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        if (Lower(std::string(text.substr(at, needle.size()))) == needle) {
            return at;
        }
    }
    return std::string_view::npos;
}

TEST(FindFolded, AgreesWithAPlainSearchAtEveryOffsetAndCase) {
    // A small alphabet, so that first and last bytes match often and the
    // full comparison decides; bytes one case bit apart that are not letters.
    const std::string alphabet = "aAnN_.d/Ll \n@`[{\x80\xa0";
    std::mt19937 random(8);
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 80, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        std::string needle(1 + random() % 16, ' ');
        for (char& c : needle) {
            c = alphabet[random() % alphabet.size()];
        }
        needle = Lower(needle);
        // Plant the needle, in mixed case, at a random place half the time.
        if (round % 2 == 0 && needle.size() <= text.size()) {
            const std::size_t at = random() % (text.size() - needle.size() + 1);
            for (std::size_t i = 0; i < needle.size(); ++i) {
                const char c = needle[i];
                text[at + i] = (random() % 2 && c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            }
        }
        ASSERT_EQ(monitor::FindFolded(text, needle), PlainFindFolded(text, needle))
            << "text '" << text << "' needle '" << needle << "'";
    }
    EXPECT_EQ(monitor::FindFolded("abc", ""), 0u);
    EXPECT_EQ(monitor::FindFolded("ab", "abc"), std::string_view::npos);
    // Only letters fold: '@' is not '`', '[' is not '{'.
    EXPECT_EQ(monitor::FindFolded("@[", "`{"), std::string_view::npos);
    // A name at the very end of a long text, past the last whole block.
    const std::string longText = std::string(1000, 'x') + "/bin/N2TEXT_DLL.DLL";
    EXPECT_EQ(monitor::FindFolded(longText, "n2text_dll.dll"), 1005u);
}

// What the game scan looks at: the modules whose name begins with a sought
// name (in lower case), with their spans.
std::vector<std::string> Sought(const monitor::ModuleList& list, int upper,
                                const std::vector<std::string>& names) {
    std::vector<std::string> found;
    for (int i = 0; i <= upper; ++i) {
        const monitor::ModuleEntry& m = list[static_cast<std::size_t>(i)];
        const std::string name = Lower(monitor::FieldText(m.Name));
        for (const std::string& sought : names) {
            if (name.compare(0, sought.size(), sought) == 0) {
                std::ostringstream line;
                line << m.Path << " " << std::hex << m.BaseAddress << "+" << m.BaseSize << " " << m.ProcessId;
                found.push_back(line.str());
                break;
            }
        }
    }
    return found;
}

struct Walks {
    std::vector<monitor::ErrorReport> fullReports;
    std::vector<monitor::ErrorReport> namedReports;
    std::unique_ptr<monitor::ProcessInspector> full;
    std::unique_ptr<monitor::ProcessInspector> named;

    explicit Walks(const std::filesystem::path& proc)
        : full(monitor::MakeProcessInspector([this](const auto& r) { fullReports.push_back(r); },
                                             monitor::ProcessDetails::IdsOnly, proc.string())),
          named(monitor::MakeProcessInspector([this](const auto& r) { namedReports.push_back(r); },
                                              monitor::ProcessDetails::IdsOnly, proc.string())) {}

    // Both walks of one process agree on the sought modules and the reports;
    // returns the number of sought modules.
    std::size_t ExpectAlike(std::uint32_t pid, const std::vector<std::string>& names) {
        fullReports.clear();
        namedReports.clear();
        monitor::ModuleList fullList;
        monitor::ModuleList namedList;
        const int fullUpper = full->Module32_Enum(fullList, pid);
        const int namedUpper = named->Module32_EnumNamed(namedList, pid, names);
        const auto expected = Sought(fullList, fullUpper, names);
        EXPECT_EQ(Sought(namedList, namedUpper, names), expected) << "process " << pid;
        EXPECT_EQ(namedReports.size(), fullReports.size()) << "process " << pid;
        for (std::size_t i = 0; i < namedReports.size() && i < fullReports.size(); ++i) {
            EXPECT_EQ(namedReports[i].Text, fullReports[i].Text) << "process " << pid;
        }
        return expected.size();
    }
};

const std::vector<std::string> kGameNames = {"n2text_dll.dll", "game_main.dll"};

TEST(NamedModuleWalk, ListsTheSoughtModulesOfTheFullWalkOverCraftedMaps) {
    TempDir proc;
    WriteBytes(proc.path() / "self" / "maps", "");
    const std::map<std::uint32_t, std::string> maps = {
        // The name in capitals, after a file that is not sought.
        {40, "00400000-00401000 r--p 00000000 08:01 11 /opt/game/bin/Game.exe\n"
             "7f0000000000-7f0000001000 r--p 00000000 08:01 12   /opt/game/bin/N2TEXT_DLL.DLL\n"
             "7f0000001000-7f0000003000 r-xp 00000000 00:00 0 \n"
             "7f0000003000-7f0000004000 r--p 00000000 08:01 13   /opt/game/bin/Game_Main.dll"},
        // The names only inside longer paths: in a folder name, and in a
        // longer file name (which begins alike, so it is sought too).
        {41, "00400000-00401000 r--p 00000000 08:01 11 /opt/n2text_dll.dll.d/game_main.dll.x/other.so\n"
             "00401000-00402000 r--p 00000000 08:01 12 /opt/n2text_dll.dll.bak\n"
             "00403000-00404000 r--p 00000000 08:01 14 /opt/old_game_main.dll\n"},
        // The names only in other fields of a line, or as a named region.
        {42, "00400000-00401000 n2text_dll.dll 00000000 08:01 11 /usr/bin/sleep\n"
             "00401000-00402000 r--p game_main.dll 08:01 11 /usr/bin/sleep\n"
             "00402000-00403000 r--p 00000000 00:00 0 [game_main.dll]\n"
             "n2text_dll.dll-00404000 r--p 00000000 08:01 13 /opt/n2text_dll.dll\n"
             "00405000-00406000 r--p 00000000 08:01 0 /opt/game_main.dll\n"},
        // A file not sought: nothing listed and, unlike a process without
        // any file, nothing reported.
        {43, "00400000-00401000 r--p 00000000 08:01 11 /usr/bin/sleep\n"
             "00401000-00402000 r-xp 00001000 08:01 11 /usr/bin/sleep\n"},
        // No file at all (a kernel thread), or only lines that do not parse.
        {44, ""},
        {45, "7ffc00000000-7ffc00001000 r-xp 00000000 00:00 0 [vdso]\n"
             "zzzz-7ffc00003000 r--p 00000000 08:01 15 /usr/lib/x.so\n"},
        // A name split by a newline is no name; the first file comes late.
        {46, "00400000-00401000 r--p 00000000 00:00 0 \n"
             "00401000-00402000 r--p 00000000 08:01 11 /opt/n2text_\n"
             "dll.dll-00403000 r--p 00000000 08:01 12 /opt/lib.so\n"},
        // The sought name twice, mapped in pieces and at every alignment.
        {47, "1000-2000 r--p 00000000 08:01 12 /a/n2text_dll.dll\n"
             "3000-4000 r--p 00000000 08:01 13 /ab/N2text_dll.dll\n"
             "2000-3000 r--p 00001000 08:01 12 /a/n2text_dll.dll\n"
             "4000-5000 r--p 00000000 08:01 14 /abc/game_main.dlL"},
    };
    for (const auto& [pid, text] : maps) {
        WriteBytes(proc.path() / std::to_string(pid) / "maps", text);
    }
    Walks walks(proc.path());
    std::map<std::uint32_t, std::size_t> sought;
    for (const auto& [pid, text] : maps) {
        sought[pid] = walks.ExpectAlike(pid, kGameNames);
    }
    EXPECT_EQ(sought, (std::map<std::uint32_t, std::size_t>{
                          {40, 2}, {41, 1}, {42, 0}, {43, 0}, {44, 0}, {45, 0}, {46, 0}, {47, 3}}));
    // A missing process is reported by both.
    walks.ExpectAlike(48, kGameNames);
    EXPECT_EQ(walks.namedReports.size(), 2u);
}

TEST(NamedModuleWalk, ListsTheSoughtModulesOfTheFullWalkOverTheMachinesMapsFiles) {
    // Copies of every maps file readable now, so both walks read the same text.
    TempDir proc;
    WriteBytes(proc.path() / "self" / "maps", "");
    std::vector<std::uint32_t> pids;
    std::vector<std::string> names = kGameNames;
    DIR* dir = opendir("/proc");
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = readdir(dir)) {
        std::uint64_t pid = 0;
        if (!monitor::ParseProcNumber(entry->d_name, pid, 10)) {
            continue;
        }
        std::ifstream file(std::string("/proc/") + entry->d_name + "/maps", std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        if (!file) {
            continue;
        }
        // A sample of processes besides the own one, to keep the test short.
        if (pid == static_cast<std::uint64_t>(getpid()) || pids.size() < 150) {
            WriteBytes(proc.path() / entry->d_name / "maps", text.str());
            pids.push_back(static_cast<std::uint32_t>(pid));
        }
    }
    closedir(dir);
    ASSERT_FALSE(pids.empty());

    // Sought: the first 14 characters of every file name this process maps.
    Walks walks(proc.path());
    monitor::ModuleList own;
    const int upper = walks.full->Module32_Enum(own, static_cast<std::uint32_t>(getpid()));
    ASSERT_GE(upper, 1);
    for (int i = 0; i <= upper; ++i) {
        names.push_back(Lower(monitor::FieldText(own[static_cast<std::size_t>(i)].Name)).substr(0, 14));
    }
    std::size_t found = 0;
    for (const std::uint32_t pid : pids) {
        // Each sought name alone, so a miss of one name shows.
        for (const std::string& name : names) {
            found += walks.ExpectAlike(pid, {name});
        }
    }
    EXPECT_GE(found, static_cast<std::size_t>(upper) + 1);
}

// The full walk, whatever is sought.
class FullWalk final : public monitor::ProcessInspector {
public:
    explicit FullWalk(monitor::ProcessInspector& inner) : m_inner(inner) {}
    int Process32_Enum(monitor::ProcessList& list) override { return m_inner.Process32_Enum(list); }
    int Module32_Enum(monitor::ModuleList& list, std::uint32_t pid) override {
        return m_inner.Module32_Enum(list, pid);
    }
    int Module32_EnumNamed(monitor::ModuleList& list, std::uint32_t pid,
                           const std::vector<std::string>&) override {
        return m_inner.Module32_Enum(list, pid);
    }
    bool Function_Exist(const std::string& dll, const std::string& function) override {
        return m_inner.Function_Exist(dll, function);
    }

private:
    monitor::ProcessInspector& m_inner;
};

TEST(NamedModuleWalk, GameScanFindsTheSameWithAndWithoutIt) {
    TempDir proc;
    TempDir games;
    WriteBytes(proc.path() / "self" / "maps", "");
    const auto bin = [&](const std::string& copy) { return (games.path() / copy / "game" / "bin").string(); };
    WriteBytes(games.path() / "a" / "sudtest.ini", "[Game]\r\nPlayer0=Alice\r\n");
    WriteBytes(games.path() / "b" / "sudtest.ini", "[Game]\r\nPlayer0=Bob\r\n");
    WriteBytes(bin("a") + "/n2text_dll.dll", "copy a");
    WriteBytes(bin("b") + "/N2TEXT_DLL.DLL", "copy b");
    WriteBytes(bin("b") + "/GAME_MAIN.DLL", "game dll");
    WriteBytes(proc.path() / "10" / "maps",
               "1000-2000 r--p 00000000 08:01 11 " + bin("a") + "/n2text_dll.dll\n");
    WriteBytes(proc.path() / "11" / "maps", "1000-2000 r--p 00000000 08:01 11 " + bin("b") +
                                                "/N2TEXT_DLL.DLL\n"
                                                "5000-9000 r--p 00000000 08:01 12 " +
                                                bin("b") +
                                                "/GAME_MAIN.DLL\n"
                                                "9000-a000 rw-p 00000000 00:00 0\n");
    WriteBytes(proc.path() / "12" / "maps", "1000-2000 r--p 00000000 08:01 11 /usr/bin/sleep\n");
    WriteBytes(proc.path() / "13" / "maps", "");

    struct Result {
        int copies;
        int game;
        std::string player;
        std::optional<std::string> checksum;
        std::vector<std::vector<std::string>> kessitCalls;
        std::vector<std::string> reports;
        bool operator==(const Result&) const = default;
    };
    const auto scan = [&](bool named) {
        std::vector<std::string> reports;
        auto real = monitor::MakeProcessInspector(
            [&](const monitor::ErrorReport& r) { reports.push_back(monitor::FormatReportLine(r)); },
            monitor::ProcessDetails::IdsOnly, proc.path().string());
        FullWalk full(*real);
        monitor::SharedState state;
        inspecttest::FakeKessit kessit;
        monitor::GameScan game(state, named ? *real : full, kessit, {});
        game.SetGameDllName("Game_Main.dll");
        game.RefreshProcessIds();
        game.ScanGameProcesses();
        return Result{state.SustStateCode, state.GameStateCode, state.PlayerName,
                      state.DllChecksum,   kessit.calls,        reports};
    };
    const Result named = scan(true);
    EXPECT_EQ(named.copies, monitor::kNoSust + 2);
    EXPECT_EQ(named.game, monitor::kGameStarted);
    ASSERT_EQ(named.kessitCalls.size(), 1u);
    EXPECT_EQ(named.kessitCalls[0], (std::vector<std::string>{"20480", "20480", "11"}));
    EXPECT_TRUE(named.checksum.has_value());
    EXPECT_EQ(named.reports.size(), 1u); // process 13 has no module at all
    EXPECT_TRUE(named == scan(false));
}

} // namespace
