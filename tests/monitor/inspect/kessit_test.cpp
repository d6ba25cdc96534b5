// The kessit component, bound as the monitor binds it, checking a module in
// the test's own process: untouched it passes, with one changed byte of code
// it fails, and what it cannot read gets no answer.
#include "kessit/kessit.h"
#include "monitor/inspect/kessit_call.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"
#include "tests/monitor/inspect/inspect_test_platform.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using monitor::KessitAnswer;

struct OwnModule {
    std::string base, size, pid;
};

// The game DLL stand-in loaded into this process, as the module walk sees it.
OwnModule FindOwnModule(const std::string& name) {
    auto inspector = monitor::MakeProcessInspector({});
    monitor::ModuleList modules;
    const int upper = inspector->Module32_Enum(modules, 0);
    for (int i = 0; i <= upper; ++i) {
        const auto& m = modules[static_cast<std::size_t>(i)];
        std::string moduleName = monitor::FieldText(m.Name);
        std::transform(moduleName.begin(), moduleName.end(), moduleName.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (moduleName == name) {
            return {std::to_string(m.BaseAddress), std::to_string(m.BaseSize), std::to_string(m.ProcessId)};
        }
    }
    return {};
}

TEST(Kessit, JudgesTheImageOfALoadedModuleAgainstItsFile) {
    std::vector<monitor::ErrorReport> reports;
    auto binding = monitor::MakeKessitBinding([&](const auto& r) { reports.push_back(r); },
                                              inspecttest::BinDirectory() + inspecttest::KessitLibraryName());
    void* game = inspecttest::LoadLibraryFile(inspecttest::BinDirectory() + "game_main.dll");
    ASSERT_NE(game, nullptr);
    void* code = inspecttest::FindSymbol(game, "GameMainCode");
    ASSERT_NE(code, nullptr);
    OwnModule module = FindOwnModule("game_main.dll");
    ASSERT_FALSE(module.base.empty());

    OwnModule texts = module;
    EXPECT_EQ(binding->Check(texts.base, texts.size, texts.pid), KessitAnswer::Passed);
    EXPECT_EQ(texts.base, module.base); // handed back unchanged

    ASSERT_TRUE(inspecttest::FlipCodeByte(code));
    texts = module;
    EXPECT_EQ(binding->Check(texts.base, texts.size, texts.pid), KessitAnswer::Failed);
    ASSERT_TRUE(inspecttest::FlipCodeByte(code));
    texts = module;
    EXPECT_EQ(binding->Check(texts.base, texts.size, texts.pid), KessitAnswer::Passed);

    // What cannot be read gets no answer: a process that does not exist, a
    // base where no module starts, texts that are not numbers.
    texts = module;
    texts.pid = "2147483632";
    EXPECT_EQ(binding->Check(texts.base, texts.size, texts.pid), KessitAnswer::NoAnswer);
    texts = module;
    texts.base = "4096";
    EXPECT_EQ(binding->Check(texts.base, texts.size, texts.pid), KessitAnswer::NoAnswer);
    texts = module;
    texts.size = "12ab";
    EXPECT_EQ(binding->Check(texts.base, texts.size, texts.pid), KessitAnswer::NoAnswer);
    texts = module;
    texts.size = "1"; // the code lies beyond the given span
    EXPECT_EQ(binding->Check(texts.base, texts.size, texts.pid), KessitAnswer::NoAnswer);
    // Only the letters came back unreadable (the monitor itself only ever
    // hands over numbers).
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].Text, "texts handed back cannot be read");
    inspecttest::FreeLibraryFile(game);
}

TEST(Kessit, MissingComponentAndUnreadableAnswersLeaveNoAnswerAndAnErrorLine) {
    std::vector<monitor::ErrorReport> reports;
    auto reporter = [&](const auto& r) { reports.push_back(r); };
    auto missing = monitor::MakeKessitBinding(reporter, inspecttest::BinDirectory() + "no_kessit_here.dll");
    std::string base = "4096", size = "4096", pid = "1";
    EXPECT_EQ(missing->Check(base, size, pid), KessitAnswer::NoAnswer);
    EXPECT_EQ(missing->Check(base, size, pid), KessitAnswer::NoAnswer); // tried again, no crash
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].Procedure, "KessitCheck");

    // A component that overwrites the terminating NUL, or writes letters.
    reports.clear();
    auto overrun = [](char* b, char*, char*) -> std::int16_t {
        std::memset(b, '7', std::strlen(b) + 1);
        return kessit::kPassed;
    };
    EXPECT_EQ(monitor::CallKessit(overrun, base, size, pid, reporter), KessitAnswer::NoAnswer);
    EXPECT_EQ(base, "4096");
    auto letters = [](char*, char* s, char*) -> std::int16_t {
        s[0] = 'x';
        return kessit::kFailed;
    };
    EXPECT_EQ(monitor::CallKessit(letters, base, size, pid, reporter), KessitAnswer::NoAnswer);
    EXPECT_EQ(reports.size(), 2u);
    // Rewritten but readable texts are taken over; unknown codes are no answer.
    auto rewrite = [](char*, char*, char* p) -> std::int16_t {
        p[0] = '9';
        return 5;
    };
    EXPECT_EQ(monitor::CallKessit(rewrite, base, size, pid, reporter), KessitAnswer::NoAnswer);
    EXPECT_EQ(pid, "9");
}

} // namespace
