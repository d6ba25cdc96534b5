// A log save after a warning: a flagged player is warned about at every tick,
// and each warning saves the log. The cost of a save must follow the new
// lines only, so the save after the 1,000th (or 100,000th) warning costs what
// the first one did.
#include "monitor/log/log_file.h"
#include "tests/monitor/engine_fixture.h"
#include "tests/support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void BM_SaveAfterWarning(benchmark::State& state) {
    testsupport::TempDir dir;
    monitortest::EngineRig rig(dir.str());
    const std::string warning =
        "Multiple Sudden Strikes running on Cheater 198.51.100.7 machine! 09.12.2026 16:00:00";
    // The warnings before: in the list and already in the file.
    for (std::int64_t i = 1; i < state.range(0); ++i)
        rig.engine.AddLogLine(warning);
    rig.engine.SaveLog();
    for (auto _ : state) {
        rig.engine.AddLogLine(warning);
        rig.engine.SaveLog();
    }
    state.counters["lines_in_list"] = static_cast<double>(rig.Log().size());
}
BENCHMARK(BM_SaveAfterWarning)->Arg(1)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// For comparison: a save that writes the whole list again, as every save did
// before, at the same lengths.
void BM_SaveWholeList(benchmark::State& state) {
    testsupport::TempDir dir;
    const std::vector<std::string> lines(static_cast<std::size_t>(state.range(0)),
                                         "Multiple Sudden Strikes running on Cheater 198.51.100.7 machine! "
                                         "09.12.2026 16:00:00");
    for (auto _ : state) {
        benchmark::DoNotOptimize(monitor::SaveLog(lines, dir.str()));
        state.PauseTiming();
        std::filesystem::remove(dir / monitor::kLogFileName);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveWholeList)->Arg(1)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
