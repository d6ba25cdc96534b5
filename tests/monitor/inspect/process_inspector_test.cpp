// The process and module walks against the real platform (Linux /proc, or
// toolhelp under Wine), and the process ID list against a scripted walk.
#include "monitor/inspect/process_inspector.h"
#include "tests/monitor/inspect/inspect_test_platform.h"
#include "tests/support/fake_inspection.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using monitor::ErrorReport;

struct Captured {
    std::vector<ErrorReport> reports;
    monitor::ErrorReporter Reporter() {
        return [this](const ErrorReport& r) { reports.push_back(r); };
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& r : reports) {
            texts.push_back(r.Text);
        }
        return texts;
    }
};

TEST(ProcessInspector, ProcessWalkFindsTheOwnProcessAndModuleWalksListOwnModules) {
    Captured captured;
    auto inspector = monitor::MakeProcessInspector(captured.Reporter(), monitor::ProcessDetails::Full);
    monitor::ProcessList processes;
    const int upper = inspector->Process32_Enum(processes);
    ASSERT_GE(upper, 0);
    EXPECT_EQ(processes.size(), static_cast<std::size_t>(upper) + 1);
    const auto own = std::find_if(processes.begin(), processes.end(), [](const monitor::ProcessEntry& p) {
        return p.ProcessId == inspecttest::OwnProcessId();
    });
    ASSERT_NE(own, processes.end());
    EXPECT_NE(monitor::FieldText(own->ExeFile), "");
    EXPECT_NE(own->Size, 0u);

    // Process 0 is the own process: the test program is among its modules.
    monitor::ModuleList modules;
    const int moduleUpper = inspector->Module32_Enum(modules, 0);
    ASSERT_GT(moduleUpper, 0);
    EXPECT_EQ(modules.size(), static_cast<std::size_t>(moduleUpper) + 1);
    bool sawSelf = false;
    for (const auto& m : modules) {
        EXPECT_EQ(m.ProcessId, inspecttest::OwnProcessId());
        EXPECT_GT(m.BaseSize, 0u);
        const std::string name = monitor::FieldText(m.Name);
        const std::string path = monitor::FieldText(m.Path);
        EXPECT_GE(path.size(), name.size());
        EXPECT_EQ(path.substr(path.size() - name.size()), name);
        sawSelf = sawSelf || name.rfind("monitor_tests", 0) == 0;
    }
    EXPECT_TRUE(sawSelf);
    EXPECT_TRUE(captured.reports.empty());
}

TEST(ProcessInspector, ModuleWalkOfAnEndedProcessGivesMinusOneWithBothReports) {
    Captured captured;
    auto inspector = monitor::MakeProcessInspector(captured.Reporter());
    monitor::ModuleList modules(5);
    EXPECT_EQ(inspector->Module32_Enum(modules, 0x7FFFFFF0u), -1);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(monitor::FieldText(modules[0].Path), "");
    ASSERT_EQ(captured.Texts(),
              (std::vector<std::string>{"CreateToolHelp32Snapshoot failed", "Module32First failed"}));
    for (const auto& r : captured.reports) {
        EXPECT_FALSE(r.Fault);
        EXPECT_EQ(r.Module, "pch");
        EXPECT_EQ(r.Procedure, "Module32_Enum");
    }
    EXPECT_EQ(monitor::FormatReportLine(captured.reports[1]).rfind("ERROR: ", 0), 0u);
    EXPECT_NE(monitor::FormatReportLine(captured.reports[1])
                  .find(" at pch\\Module32_Enum >>> Module32First failed"),
              std::string::npos);
}

TEST(ProcessInspector, FunctionExistLooksUpExportsAndLeavesLoadStateAsItWas) {
    Captured captured;
    auto inspector = monitor::MakeProcessInspector(captured.Reporter());
    const auto [loaded, exported] = inspecttest::LoadedLibraryAndExport();
    EXPECT_TRUE(inspector->Function_Exist(loaded, exported));
    EXPECT_TRUE(inspecttest::IsLibraryLoaded(loaded));
    EXPECT_TRUE(captured.reports.empty());

    EXPECT_FALSE(inspector->Function_Exist(loaded, "NoSuchExportAnywhere"));
    EXPECT_EQ(captured.Texts(), std::vector<std::string>{"GetProcAdress failed"});
    EXPECT_TRUE(inspecttest::IsLibraryLoaded(loaded));

    // A library that was not loaded is loaded for the look-up only.
    const std::string text = inspecttest::BinDirectory() + "n2text_dll.dll";
    ASSERT_FALSE(inspecttest::IsLibraryLoaded(text));
    captured.reports.clear();
    EXPECT_TRUE(inspector->Function_Exist(text, "N2TextVersion"));
    EXPECT_FALSE(inspecttest::IsLibraryLoaded(text));
    EXPECT_TRUE(captured.reports.empty());

    EXPECT_FALSE(inspector->Function_Exist(inspecttest::BinDirectory() + "no_such_library.dll", "X"));
    const auto texts = captured.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "LoadLibraryEx failed"), texts.end());
    EXPECT_EQ(texts.back(), "GetProcAdress failed");
}

TEST(ProcessIdList, RefreshKeepsOlderSlotsAndNeverWritesPastTheLastSlot) {
    inspecttest::FakeInspector inspector;
    std::vector<std::uint32_t> many(1500);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i] = static_cast<std::uint32_t>(10000 + i);
    }
    inspector.walks = {{4, 8, 15, 16}, {23, 42}, {}, many};
    monitor::ProcessList processes;
    monitor::ProcessIdList ids{};

    EXPECT_EQ(monitor::RefreshProcessIds(inspector, processes, ids), 3);
    EXPECT_EQ(ids[3], 16u);
    EXPECT_EQ(monitor::RefreshProcessIds(inspector, processes, ids), 1);
    EXPECT_EQ((std::vector<std::uint32_t>(ids.begin(), ids.begin() + 5)),
              (std::vector<std::uint32_t>{23, 42, 15, 16, 0}));
    // A walk that read nothing copies nothing.
    EXPECT_EQ(monitor::RefreshProcessIds(inspector, processes, ids), -1);
    EXPECT_EQ(ids[0], 23u);
    // More processes than slots: the first 1000 are kept.
    EXPECT_EQ(monitor::RefreshProcessIds(inspector, processes, ids), 1499);
    EXPECT_EQ(ids[0], 10000u);
    EXPECT_EQ(ids[999], 10999u);
}

} // namespace
