// One local check of the monitor (RefreshProcessIds + ScanGameProcesses, as
// a tick runs them) with 300 extra processes on the machine, against the
// least any such check must do: list /proc and read every maps file once.
// Targets: check / floor <= 1.10, and the check's share of one core at a
// 1.5 s tick below 1 %. The pair benchmark reports both as counters.
#include "benchmarks/against_floor.h"
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"

#include <benchmark/benchmark.h>
#include <cctype>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExtraProcesses = 300;

// Starts `sleep` children once for the whole program; they are killed at exit.
class SleepingChildren {
public:
    SleepingChildren() {
        for (int i = 0; i < kExtraProcesses; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                execlp("sleep", "sleep", "600", static_cast<char*>(nullptr));
                _exit(127);
            }
            if (pid > 0) {
                m_children.push_back(pid);
            }
        }
        usleep(200000); // let them reach exec
    }
    ~SleepingChildren() {
        for (const pid_t pid : m_children) {
            kill(pid, SIGKILL);
        }
        for (const pid_t pid : m_children) {
            waitpid(pid, nullptr, 0);
        }
    }
    SleepingChildren(const SleepingChildren&) = delete;
    SleepingChildren& operator=(const SleepingChildren&) = delete;

private:
    std::vector<pid_t> m_children;
};

void EnsureChildren() {
    static SleepingChildren children;
}

class NoKessit final : public monitor::KessitPort {
public:
    monitor::KessitAnswer Check(std::string&, std::string&, std::string&) override {
        return monitor::KessitAnswer::NoAnswer;
    }
};

struct LocalCheck {
    monitor::SharedState state;
    std::unique_ptr<monitor::ProcessInspector> inspector = monitor::MakeProcessInspector({});
    NoKessit kessit;
    monitor::GameScan scan{state, *inspector, kessit, {}};
    void Run() {
        scan.RefreshProcessIds();
        scan.ScanGameProcesses();
    }
};

// The floor: readdir /proc, read each numeric entry's maps file.
std::size_t ReadProcFiles(std::vector<char>& buffer) {
    std::size_t total = 0;
    DIR* dir = opendir("/proc");
    if (!dir) {
        return 0;
    }
    while (const dirent* entry = readdir(dir)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) {
            continue;
        }
        const std::string path = std::string("/proc/") + entry->d_name + "/maps";
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        ssize_t got;
        while ((got = read(fd, buffer.data(), buffer.size())) > 0) {
            total += static_cast<std::size_t>(got);
        }
        close(fd);
    }
    closedir(dir);
    return total;
}

void BM_LocalCheck(benchmark::State& state) {
    EnsureChildren();
    LocalCheck check;
    for (auto _ : state) {
        check.Run();
        benchmark::DoNotOptimize(check.state.SustStateCode);
    }
}
BENCHMARK(BM_LocalCheck)->Unit(benchmark::kMillisecond);

void BM_ReadProcFiles(benchmark::State& state) {
    EnsureChildren();
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadProcFiles(buffer));
    }
}
BENCHMARK(BM_ReadProcFiles)->Unit(benchmark::kMillisecond);

// Both, alternating, so the machine's load hits them alike.
void BM_LocalCheckAgainstFloor(benchmark::State& state) {
    EnsureChildren();
    LocalCheck check;
    std::vector<char> buffer(1 << 16);
    const double seconds = bench::TimeAgainstFloor(
        state, "check", [&] { check.Run(); }, [&] { benchmark::DoNotOptimize(ReadProcFiles(buffer)); });
    state.counters["cpu_pct_at_1.5s"] = seconds / 1.5 * 100;
}
BENCHMARK(BM_LocalCheckAgainstFloor)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
