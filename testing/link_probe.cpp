// link_probe: round trips over UDP, for tests of links on a machine without
// ping or netcat.
//   link_probe echo PORT
//       sends every datagram it receives on PORT (IPv4) back to its sender.
//   link_probe send [--size BYTES] [--wait-ms MS] HOST PORT COUNT INTERVAL_MS
//       sends COUNT numbered datagrams, one every INTERVAL_MS, each carrying
//       its CLOCK_MONOTONIC send time, collects the echoes until all are back
//       or MS (default 3000) after the last send, and prints one line:
//       sent N received M loss_percent X rtt_median_ms Y rtt_min_ms A
//       rtt_max_ms B reordered R
//       (R: echoes that came after an echo of a later datagram).
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC on Linux

constexpr const char* kUsage =
    "usage: link_probe echo PORT\n"
    "       link_probe send [--size BYTES] [--wait-ms MS] HOST PORT COUNT INTERVAL_MS\n";
constexpr char kMagic[4] = {'L', 'P', 'R', 'B'};
// magic, run, sequence number, send time in nanoseconds
constexpr std::size_t kHeader = 4 + 4 + 4 + 8;
constexpr std::size_t kMaxDatagram = 65507;

template <typename T> bool Number(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool Address(std::string_view host, std::string_view port, sockaddr_in& address) {
    std::uint16_t number = 0;
    address = {};
    address.sin_family = AF_INET;
    if (!Number(port, number) || inet_pton(AF_INET, std::string(host).c_str(), &address.sin_addr) != 1)
        return false;
    address.sin_port = htons(number);
    return true;
}

std::uint64_t NowNs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
}

void Put(std::vector<char>& bytes, std::size_t at, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

std::uint64_t Get(const char* bytes, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

int Echo(std::string_view port) {
    sockaddr_in address{};
    if (!Address("0.0.0.0", port, address)) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "link_probe: cannot listen on UDP port %s: %s\n", std::string(port).c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    std::vector<char> buffer(65536);
    for (;;) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got =
            recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "link_probe: receive failed: %s\n", std::strerror(errno));
            return 1;
        }
        sendto(fd, buffer.data(), static_cast<std::size_t>(got), 0, reinterpret_cast<sockaddr*>(&from),
               length);
    }
}

struct Tally {
    std::uint32_t run = 0;
    std::vector<bool> seen;
    std::vector<double> rttMs;
    std::int64_t highest = -1;
    std::uint64_t reordered = 0;

    // Takes every echo waiting on the socket.
    void Drain(int fd) {
        char buffer[65536];
        for (;;) {
            const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && errno == ECONNREFUSED)
                continue; // an earlier datagram found no listener; keep going
            if (got < 0)
                return;
            if (got < static_cast<ssize_t>(kHeader))
                continue;
            const std::uint64_t arrived = NowNs();
            if (std::memcmp(buffer, kMagic, sizeof kMagic) != 0 || Get(buffer + 4, 4) != run)
                continue;
            const std::uint64_t sequence = Get(buffer + 8, 4);
            const std::uint64_t sentAt = Get(buffer + 12, 8);
            if (sequence >= seen.size() || seen[sequence] || sentAt > arrived)
                continue;
            seen[sequence] = true;
            rttMs.push_back(static_cast<double>(arrived - sentAt) / 1e6);
            if (static_cast<std::int64_t>(sequence) < highest)
                ++reordered;
            highest = std::max(highest, static_cast<std::int64_t>(sequence));
        }
    }
};

// Waits for an echo until `until`.
void Await(int fd, Clock::time_point until) {
    const auto left = std::max(until - Clock::now(), Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    const timespec timeout{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    pollfd p{fd, POLLIN, 0};
    ppoll(&p, 1, &timeout, nullptr);
}

int Send(const std::vector<std::string_view>& args) {
    std::size_t size = 64;
    std::uint32_t waitMs = 3000;
    std::vector<std::string_view> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--size" && i + 1 < args.size()) {
            if (!Number(args[++i], size) || size < kHeader || size > kMaxDatagram) {
                std::fprintf(stderr, "link_probe: --size must be %zu to %zu\n", kHeader, kMaxDatagram);
                return 1;
            }
        } else if (args[i] == "--wait-ms" && i + 1 < args.size()) {
            if (!Number(args[++i], waitMs)) {
                std::fputs(kUsage, stderr);
                return 1;
            }
        } else {
            positional.push_back(args[i]);
        }
    }
    sockaddr_in address{};
    std::uint32_t count = 0;
    std::uint32_t intervalMs = 0;
    if (positional.size() != 4 || !Address(positional[0], positional[1], address) ||
        !Number(positional[2], count) || count == 0 || !Number(positional[3], intervalMs)) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "link_probe: cannot reach %s: %s\n", std::string(positional[0]).c_str(),
                     std::strerror(errno));
        return 1;
    }

    Tally tally;
    // Echoes of an earlier run that reach a reused port are not counted.
    tally.run = static_cast<std::uint32_t>(NowNs() ^ (static_cast<std::uint64_t>(getpid()) << 20));
    tally.seen.assign(count, false);
    std::vector<char> datagram(size, 0);
    std::memcpy(datagram.data(), kMagic, sizeof kMagic);
    Put(datagram, 4, tally.run, 4);

    std::uint32_t sent = 0;
    const Clock::time_point start = Clock::now();
    for (std::uint32_t i = 0; i < count; ++i) {
        // On a fixed grid, so that slow rounds do not stretch the schedule.
        const Clock::time_point due = start + std::chrono::milliseconds(std::uint64_t{intervalMs} * i);
        while (Clock::now() < due) {
            Await(fd, due);
            tally.Drain(fd);
        }
        Put(datagram, 8, i, 4);
        Put(datagram, 12, NowNs(), 8);
        ssize_t result = send(fd, datagram.data(), datagram.size(), 0);
        if (result < 0 && errno == ECONNREFUSED) // reported for an earlier datagram
            result = send(fd, datagram.data(), datagram.size(), 0);
        if (result == static_cast<ssize_t>(datagram.size()))
            ++sent;
        tally.Drain(fd);
    }
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(waitMs);
    while (tally.rttMs.size() < sent && Clock::now() < until) {
        Await(fd, until);
        tally.Drain(fd);
    }
    close(fd);

    const std::size_t received = tally.rttMs.size();
    const double lossPercent =
        sent ? 100.0 * static_cast<double>(sent - std::min<std::size_t>(received, sent)) / sent : 100.0;
    std::printf("sent %u received %zu loss_percent %.2f", sent, received, lossPercent);
    if (received == 0) {
        std::printf(" rtt_median_ms - rtt_min_ms - rtt_max_ms -");
    } else {
        std::vector<double> rtt = tally.rttMs;
        std::sort(rtt.begin(), rtt.end());
        const std::size_t mid = rtt.size() / 2;
        const double median = rtt.size() % 2 ? rtt[mid] : (rtt[mid - 1] + rtt[mid]) / 2;
        std::printf(" rtt_median_ms %.3f rtt_min_ms %.3f rtt_max_ms %.3f", median, rtt.front(), rtt.back());
    }
    std::printf(" reordered %llu\n", static_cast<unsigned long long>(tally.reordered));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("link_probe %s\n", ZANDREL_VERSION);
        return 0;
    }
    if (args.size() == 2 && args[0] == "echo")
        return Echo(args[1]);
    if (!args.empty() && args[0] == "send")
        return Send({args.begin() + 1, args.end()});
    std::fputs(kUsage, stderr);
    return 1;
}
