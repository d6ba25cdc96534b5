// LoadCatalogue over a generated installation, with the files in the page
// cache (the untimed first scan warms it). Target: 1000 mods within 10 ms.
// Beside it, the floor: the system calls the scan cannot do without (list
// the mod root; per mod a stat of its folder for the read-only bit, then
// open, fstat, read and close its descriptor), with no parsing at all. On a
// machine where system calls are dear, the floor alone can take that long.
#include "benchmarks/against_floor.h"
#include "switcher/catalogue.h"
#include "testing/demo_installation.h"
#include "testing/demo_layout.h"
#include "tests/support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// The scan's system calls alone, as LoadCatalogue makes them.
std::size_t SyscallFloor(const std::string& modRoot, std::vector<char>& buffer) {
    std::size_t bytes = 0;
    const int root = open(modRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (root < 0)
        return 0;
    DIR* listing = fdopendir(dup(root));
    std::vector<std::string> names;
    while (const dirent* e = listing ? readdir(listing) : nullptr) {
        if (e->d_type == DT_DIR && e->d_name[0] != '.')
            names.emplace_back(e->d_name);
    }
    if (listing)
        closedir(listing);
    for (const std::string& name : names) {
        struct stat st;
        fstatat(root, name.c_str(), &st, 0);
        const int fd =
            openat(root, (name + "/ss2plugin.ini").c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        fstat(fd, &st);
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        bytes += got > 0 ? static_cast<std::size_t>(got) : 0;
        close(fd);
    }
    close(root);
    return bytes;
}

// Both, alternating, so the machine's load hits them alike.
void BM_LoadCatalogueAgainstFloor(benchmark::State& state) {
    testsupport::TempDir dir;
    std::string error;
    if (!demo::WriteDemoInstallation(dir.path(), 1000, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string programDirectory = dir.str();
    const std::string modRoot = programDirectory + "zandrel";
    switcher::ModCatalogue catalogue;
    catalogue.LoadCatalogue(programDirectory, "http://127.0.0.1");
    std::vector<char> buffer(1 << 16);
    bench::TimeAgainstFloor(
        state, "scan", [&] { catalogue.LoadCatalogue(programDirectory, "http://127.0.0.1"); },
        [&] { benchmark::DoNotOptimize(SyscallFloor(modRoot, buffer)); });
}

} // namespace

BENCHMARK(BM_LoadCatalogueAgainstFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCatalogue)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
