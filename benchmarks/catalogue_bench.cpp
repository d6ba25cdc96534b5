// LoadCatalogue over a generated installation, with the files in the page
// cache (the untimed first scan warms it). Target: 1000 mods within 10 ms.
#include "switcher/catalogue.h"
#include "testing/demo_installation.h"
#include "testing/demo_layout.h"
#include "tests/support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void BM_LoadCatalogue(benchmark::State& state) {
    const int extraMods = static_cast<int>(state.range(0));
    testsupport::TempDir dir;
    std::string error;
    if (!demo::WriteDemoInstallation(dir.path(), extraMods, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string programDirectory = dir.str();
    switcher::ModCatalogue catalogue;
    catalogue.LoadCatalogue(programDirectory, "http://127.0.0.1");
    const int expected = extraMods + static_cast<int>(std::size(demo::kMods));
    if (catalogue.Size() != expected) {
        state.SkipWithError(
            ("catalogued " + std::to_string(catalogue.Size()) + " mods, expected " + std::to_string(expected))
                .c_str());
        return;
    }
    for (auto _ : state) {
        catalogue.LoadCatalogue(programDirectory, "http://127.0.0.1");
        benchmark::DoNotOptimize(catalogue.Size());
    }
    state.counters["mods"] = expected;
}

} // namespace

BENCHMARK(BM_LoadCatalogue)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
