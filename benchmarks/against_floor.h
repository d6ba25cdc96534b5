#pragma once
// A piece of work timed against its floor (the least the same job can cost),
// one of each per iteration, so that the machine's changing load hits both
// alike. Sets the counters <name>_ms, floor_ms and ratio, and returns the
// work's mean seconds per run.
#include <benchmark/benchmark.h>
#include <chrono>
#include <string>

namespace bench {

template <typename Work, typename Floor>
double TimeAgainstFloor(benchmark::State& state, const std::string& name, Work&& work, Floor&& floor) {
    using Clock = std::chrono::steady_clock;
    double workSeconds = 0;
    double floorSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        work();
        const auto t1 = Clock::now();
        floor();
        const auto t2 = Clock::now();
        workSeconds += std::chrono::duration<double>(t1 - t0).count();
        floorSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters[name + "_ms"] = workSeconds / n * 1e3;
    state.counters["floor_ms"] = floorSeconds / n * 1e3;
    state.counters["ratio"] = floorSeconds > 0 ? workSeconds / floorSeconds : 0;
    return n > 0 ? workSeconds / n : 0;
}

} // namespace bench
