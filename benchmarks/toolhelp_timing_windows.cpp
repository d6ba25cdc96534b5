// Times one local check of the monitor on Windows (RefreshProcessIds +
// ScanGameProcesses, as a tick runs them) with the toolhelp walk over every
// process of the machine: 3 warm-up runs, then 30 timed runs. Prints the
// median and the minimum in milliseconds and how many processes were walked.
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWarmUpRuns = 3;
constexpr int kTimedRuns = 30;

// No game DLL is expected on the machine; the timing is of the walks alone.
class NoKessit final : public monitor::KessitPort {
public:
    monitor::KessitAnswer Check(std::string&, std::string&, std::string&) override {
        return monitor::KessitAnswer::NoAnswer;
    }
};

} // namespace

int main() {
    monitor::SharedState state;
    std::unique_ptr<monitor::ProcessInspector> inspector = monitor::MakeProcessInspector({});
    NoKessit kessit;
    monitor::GameScan scan{state, *inspector, kessit, {}};
    auto check = [&scan] {
        scan.RefreshProcessIds();
        scan.ScanGameProcesses();
    };

    for (int i = 0; i < kWarmUpRuns; ++i) {
        check();
    }
    std::vector<double> ms;
    for (int i = 0; i < kTimedRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        check();
        const auto stop = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const double median = (ms[kTimedRuns / 2 - 1] + ms[kTimedRuns / 2]) / 2;

    monitor::ProcessList processes;
    const int upper = inspector->Process32_Enum(processes);
    std::printf("local check (toolhelp), %d runs: median %.3f ms, minimum %.3f ms, %d processes\n",
                kTimedRuns, median, ms.front(), upper + 1);
    return 0;
}
