// SwitchConfig back and forth between two mods whose settings files are 64 KB
// each: four whole-file copies and one switcher.ini write per switch, each
// replacing its target through a flushed temporary file. Wall-clock time,
// since most of a switch is waiting for the disk. Target: median at most 2 ms.
// The files live in the system's temporary directory; TMPDIR chooses the
// file system being measured.
#include "common/message_sink.h"
#include "switcher/catalogue.h"
#include "switcher/config_switch.h"
#include "switcher/lang/language_table.h"
#include "tests/support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <string>
#include <string_view>

namespace {

struct CountingSink : common::MessageSink {
    int count = 0;
    void ShowMessage(std::string_view) override { ++count; }
};

std::string Settings(char mod, std::string_view file) {
    std::string text;
    for (int line = 0; text.size() < 64 * 1024; ++line)
        text += std::string("mod ") + mod + " " + std::string(file) + " " + std::to_string(line) + "\r\n";
    text.resize(64 * 1024);
    return text;
}

void BM_SwitchConfig(benchmark::State& state) {
    testsupport::TempDir dir;
    for (const char mod : {'a', 'b'}) {
        const auto modDir = dir.path() / "zandrel" / std::string(1, mod);
        testsupport::WriteBytes(modDir / "ss2plugin.ini", std::string("[mod]\r\nAcronym=") + mod + "\r\n");
        testsupport::WriteBytes(modDir / "config" / "sudtest.ini", Settings(mod, "sudtest.ini"));
        testsupport::WriteBytes(modDir / "config" / "edit3.ini", Settings(mod, "edit3.ini"));
    }
    testsupport::WriteBytes(dir.path() / "game" / "sudtest.ini", Settings('a', "sudtest.ini"));
    testsupport::WriteBytes(dir.path() / "editor" / "edit3.ini", Settings('a', "edit3.ini"));
    testsupport::WriteBytes(dir.path() / "switcher.ini", "[game]\r\nmode=a\r\n");

    switcher::ModCatalogue catalogue;
    catalogue.LoadCatalogue(dir.str(), "http://127.0.0.1");
    const switcher::LanguageTable language;
    CountingSink sink;
    switcher::ConfigSwitcher configs(catalogue, language, sink, dir.str());
    configs.LoadLastMode();

    bool toB = true;
    for (auto _ : state) {
        if (!configs.SwitchConfig(toB ? "b" : "a")) {
            state.SkipWithError("a switch failed");
            return;
        }
        toB = !toB;
    }
    if (sink.count != 0 || testsupport::ReadBytes(dir.path() / "game" / "sudtest.ini") !=
                               Settings(toB ? 'a' : 'b', "sudtest.ini"))
        state.SkipWithError("the switches did not install the expected files");
}

} // namespace

BENCHMARK(BM_SwitchConfig)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
