// The joiner's search in the TCP table: AnalyseTcpTable over a full table of
// 1,449 rows (target: linear, under 100 us), and reading plus parsing
// /proc/net/tcp with about 1,449 connections on the machine against a plain
// read of the same file (target: within 1.5x).
#include "monitor/inspect/tcp_table.h"
#include "tests/monitor/engine_fixture.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// A table of `rows` rows: game links to a few hosts, the rest other traffic.
std::vector<monitor::TcpRow> Table(int rows) {
    std::vector<monitor::TcpRow> table;
    for (int i = 0; i < rows; ++i) {
        const auto host = static_cast<std::uint8_t>(i % 200);
        const int local = 30000 + i;
        const int remote = i % 7 == 0 ? 2300 + i % 100 : 443;
        table.push_back(monitortest::Row({198, 51, 100, host}, local, remote, i % 5 ? 5u : 11u));
    }
    return table;
}

void BM_AnalyseTcpTable(benchmark::State& state) {
    const auto rows = Table(static_cast<int>(state.range(0)));
    std::array<std::string, monitor::kCandidateSlots> candidates;
    for (auto _ : state) {
        candidates.fill("0");
        monitor::AnalyseTcpTable(rows, false, monitor::kDefaultMonitorPort, "", candidates);
        benchmark::DoNotOptimize(candidates);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AnalyseTcpTable)
    ->RangeMultiplier(2)
    ->Range(181, 1449)
    ->Arg(1449)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

// Holds loopback connections open until about `rows` rows are in the table.
class Connections {
public:
    explicit Connections(int rows) {
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 4096);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        const int existing = static_cast<int>(monitor::ParseProcNetTcp(ReadFile()).size());
        for (int i = existing + 1; i + 1 < rows; i += 2) {
            const int client = ::socket(AF_INET, SOCK_STREAM, 0);
            if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                break;
            m_fds.push_back(client);
            m_fds.push_back(::accept(m_listener, nullptr, nullptr));
        }
    }
    ~Connections() {
        for (int fd : m_fds)
            ::close(fd);
        ::close(m_listener);
    }
    static std::string ReadFile() {
        std::string text;
        ReadFile(text);
        return text;
    }
    // Into a buffer kept between calls, as the table source does.
    static void ReadFile(std::string& text) {
        text.clear();
        char buffer[65536];
        const int fd = ::open("/proc/net/tcp", O_RDONLY | O_CLOEXEC);
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
    }

private:
    int m_listener = -1;
    std::vector<int> m_fds;
};

Connections& Full() {
    static Connections connections(static_cast<int>(monitor::kMaxTcpRows));
    return connections;
}

void BM_ProcNetTcpPlainRead(benchmark::State& state) {
    Full();
    std::string text;
    for (auto _ : state) {
        Connections::ReadFile(text);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["rows"] = static_cast<double>(monitor::ParseProcNetTcp(Connections::ReadFile()).size());
}
BENCHMARK(BM_ProcNetTcpPlainRead)->Unit(benchmark::kMicrosecond);

void BM_ProcNetTcpReadAndParse(benchmark::State& state) {
    Full();
    auto source = monitor::MakeTcpTableSource();
    std::vector<monitor::TcpRow> rows;
    std::uint32_t size = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(source->Read(rows, size));
    }
    state.counters["rows"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_ProcNetTcpReadAndParse)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
