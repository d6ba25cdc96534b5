// The Linux backend on a process file system laid out by the test, so the
// parsing of stat and maps files meets exactly the cases it must handle.
#include "monitor/inspect/process_inspector.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using testsupport::TempDir;
using testsupport::WriteBytes;

std::vector<std::string> Texts(const std::vector<monitor::ErrorReport>& reports) {
    std::vector<std::string> texts;
    for (const auto& r : reports) {
        texts.push_back(r.Text);
    }
    return texts;
}

TEST(LinuxProcessWalk, ReadsNumericDirectoriesAndTheirStatFiles) {
    TempDir proc;
    WriteBytes(proc.path() / "17" / "stat",
               "17 (bash) S 1 17 17 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 5 0 0\n");
    // A name with blanks and parentheses: the last ')' ends it.
    WriteBytes(proc.path() / "4242" / "stat", "4242 (game (x) 2) R 17 0 0 0 0 0 0 0 0 0 0 0 0 0 -2 0 7 0\n");
    WriteBytes(proc.path() / "self" / "stat", "1 (nope) S 0\n");
    WriteBytes(proc.path() / "99x" / "stat", "99 (nope) S 0\n");
    std::filesystem::create_directories(proc.path() / "555"); // ended: no stat any more

    std::vector<monitor::ErrorReport> reports;
    auto inspector = monitor::MakeProcessInspector([&](const auto& r) { reports.push_back(r); },
                                                   monitor::ProcessDetails::Full, proc.path().string());
    monitor::ProcessList list;
    ASSERT_EQ(inspector->Process32_Enum(list), 1);
    std::sort(list.begin(), list.end(),
              [](const auto& a, const auto& b) { return a.ProcessId < b.ProcessId; });
    EXPECT_EQ(list[0].ProcessId, 17u);
    EXPECT_EQ(monitor::FieldText(list[0].ExeFile), "bash");
    EXPECT_EQ(list[0].ParentProcessId, 1u);
    EXPECT_EQ(list[1].ProcessId, 4242u);
    EXPECT_EQ(monitor::FieldText(list[1].ExeFile), "game (x) 2");
    EXPECT_EQ(list[1].ParentProcessId, 17u);
    EXPECT_EQ(list[1].BasePriority, -2);
    EXPECT_EQ(list[1].Threads, 7u);
    EXPECT_TRUE(reports.empty());

    // No process file system at all.
    auto missing = monitor::MakeProcessInspector([&](const auto& r) { reports.push_back(r); },
                                                 monitor::ProcessDetails::IdsOnly, proc / "absent");
    EXPECT_EQ(missing->Process32_Enum(list), -1);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(Texts(reports),
              (std::vector<std::string>{"CreateToolHelp32Snapshoot failed ::: INVALID_HANDLE_VALUE",
                                        "Process32First failed"}));
}

TEST(LinuxModuleWalk, OneModulePerMappedFileSpanningAllItsMappings) {
    TempDir proc;
    const std::string longPath = "/" + std::string(300, 'd') + "/x.dll";
    WriteBytes(proc.path() / "self" / "maps", "");
    WriteBytes(proc.path() / "31" / "maps",
               "00400000-00401000 r--p 00000000 08:01 11 /opt/game/bin/Game.exe\n"
               "00401000-00405000 r-xp 00001000 08:01 11 /opt/game/bin/Game.exe\n"
               "00405000-00406000 rw-p 00000000 00:00 0 \n"
               "01000000-01100000 rw-p 00000000 00:00 0                          [heap]\n"
               "7f0000000000-7f0000001000 r--p 00000000 08:01 12   /opt/game/bin/N2TEXT_DLL.DLL\n"
               "7f0000001000-7f0000003000 r-xp 00001000 08:01 12   /opt/game/bin/N2TEXT_DLL.DLL\n"
               // sections Wine read into anonymous pages of the DLL's view
               "7f0000003000-7f0000004000 r-xp 00000000 00:00 0 \n"
               "7f0000004000-7f0000005000 rw-p 00000000 00:00 0\n"
               // named memory, even when adjacent, is not the DLL's
               "7f0000005000-7f0000006000 rw-p 00000000 00:00 0   [heap]\n"
               "7f0000006000-7f0000007000 rw-p 00000000 00:00 0\n"
               "7f0000010000-7f0000011000 r--p 00000000 08:01 13   /opt/my files/a b.dll\n"
               // a later, separate mapping of the first file widens its span
               "7f0000020000-7f0000021000 r--p 00006000 08:01 11 /opt/game/bin/Game.exe\n"
               "7f0000030000-7f0000031000 r--p 00000000 08:01 14 " +
                   longPath +
                   "\n"
                   "7ffc00000000-7ffc00001000 r-xp 00000000 00:00 0                  [vdso]\n"
                   "7ffc00002000-7ffc00003000 r--p 00000000 08:01 15 /memfd:x (deleted)");
    WriteBytes(proc.path() / "32" / "maps", "7ffc00000000-7ffc00001000 r-xp 00000000 00:00 0 [vdso]\n");

    std::vector<monitor::ErrorReport> reports;
    auto inspector = monitor::MakeProcessInspector([&](const auto& r) { reports.push_back(r); },
                                                   monitor::ProcessDetails::IdsOnly, proc.path().string());
    monitor::ModuleList modules;
    ASSERT_EQ(inspector->Module32_Enum(modules, 31), 4);
    EXPECT_EQ(monitor::FieldText(modules[0].Name), "Game.exe");
    EXPECT_EQ(monitor::FieldText(modules[0].Path), "/opt/game/bin/Game.exe");
    EXPECT_EQ(modules[0].BaseAddress, 0x400000u);
    EXPECT_EQ(modules[0].BaseSize, 0x7f0000021000u - 0x400000u);
    EXPECT_EQ(modules[0].ProcessId, 31u);
    EXPECT_EQ(monitor::FieldText(modules[1].Name), "N2TEXT_DLL.DLL");
    EXPECT_EQ(modules[1].BaseAddress, 0x7f0000000000u);
    EXPECT_EQ(modules[1].BaseSize, 0x5000u);
    EXPECT_EQ(monitor::FieldText(modules[2].Path), "/opt/my files/a b.dll");
    EXPECT_EQ(monitor::FieldText(modules[2].Name), "a b.dll");
    // A path longer than Windows allows is kept whole (a deep Wine prefix).
    EXPECT_EQ(modules[3].Path, longPath);
    EXPECT_TRUE(reports.empty());

    // A process without any mapped file (a kernel thread) has no modules.
    EXPECT_EQ(inspector->Module32_Enum(modules, 32), -1);
    EXPECT_EQ(Texts(reports), std::vector<std::string>{"Module32First failed"});

    // Without a readable process file system there is no snapshot at all:
    // 0 with one blank entry and no report.
    reports.clear();
    TempDir empty;
    inspector = monitor::MakeProcessInspector([&](const auto& r) { reports.push_back(r); },
                                              monitor::ProcessDetails::IdsOnly, empty.path().string());
    EXPECT_EQ(inspector->Module32_Enum(modules, 31), 0);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(monitor::FieldText(modules[0].Name), "");
    EXPECT_TRUE(reports.empty());
}

} // namespace
