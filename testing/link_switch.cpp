// link_switch [--seed N] --control FIFO TAP...: an Ethernet switch in user
// space whose ports are TAP devices, and whose every port is a line that can
// lag, jitter, lose, reorder, throttle or be cut (testing/link_fabric.h). Tests
// move the TAP devices into network namespaces, one per host, and so run
// programs over links that behave like the internet on a kernel without netem.
//
// One thread: poll() on the devices, the control FIFO and a signalfd, with
// the timeout set by the next frame due in the timer queue.
#include "testing/link_control.h"
#include "testing/link_fabric.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <memory>
#include <poll.h>
#include <random>
#include <string>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace linksim;

constexpr std::size_t kReadBuffer = 65535;
constexpr std::size_t kMaxControlLine = 4096;
// Frames read from one device before the others get their turn.
constexpr int kReadBurst = 64;

constexpr const char* kUsage =
    "usage: link_switch [--seed N] --control FIFO TAP...\n"
    "Creates one TAP device per name (port 0, 1, ... in this order), prints \"ready\",\n"
    "then switches frames between them until \"quit\" or SIGTERM/SIGINT.\n"
    "Commands, one per line on FIFO (created if missing):\n"
    "  set PORT key=value ...  PORT: index, device name or all; keys: delay (ms),\n"
    "                          jitter (ms, +-), loss (%), reorder (%), rate (kbit/s,\n"
    "                          0 = unlimited), partition (0/1)\n"
    "  stats PATH              writes the counters of every port to PATH\n"
    "  quit\n";

struct Options {
    std::string control;
    std::vector<std::string> taps;
    std::uint64_t seed = 0;
    bool seeded = false;
};

void Complain(const std::string& message) {
    std::fprintf(stderr, "link_switch: %s\n", message.c_str());
}

// 0 = run, 1 = bad arguments, 2 = done (help or version printed).
int ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 2;
        }
        if (arg == "--version") {
            std::printf("link_switch %s\n", ZANDREL_VERSION);
            return 2;
        }
        if (arg == "--control" && i + 1 < argc) {
            options.control = argv[++i];
        } else if (arg == "--seed" && i + 1 < argc) {
            const std::string_view text = argv[++i];
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), options.seed);
            if (ec != std::errc() || end != text.data() + text.size()) {
                Complain("--seed needs a whole number");
                return 1;
            }
            options.seeded = true;
        } else if (arg.starts_with("-")) {
            Complain("unknown option " + std::string(arg));
            return 1;
        } else {
            options.taps.emplace_back(arg);
        }
    }
    if (options.control.empty() || options.taps.empty()) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    for (std::size_t i = 0; i < options.taps.size(); ++i) {
        const std::string& name = options.taps[i];
        // Names that read as a port index or as "all" would be ambiguous in `set`.
        if (name.empty() || name.size() >= IFNAMSIZ || name == "all" ||
            name.find_first_not_of("0123456789") == std::string::npos ||
            name.find_first_of("/: \t") != std::string::npos || name == "." || name == "..") {
            Complain("bad device name '" + name + "' (1 to 15 characters, not all digits, no / or :)");
            return 1;
        }
        for (std::size_t j = 0; j < i; ++j)
            if (options.taps[j] == name) {
                Complain("device name '" + name + "' given twice");
                return 1;
            }
    }
    return 0;
}

int OpenTap(const std::string& name) {
    const int fd = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ifreq request{};
    request.ifr_flags = IFF_TAP | IFF_NO_PI;
    std::memcpy(request.ifr_name, name.data(), name.size());
    if (ioctl(fd, TUNSETIFF, &request) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Opens the FIFO for reading and writing: writers never block on it and the
// switch never reads an end of file when a writer closes.
int OpenControl(const std::string& path, bool& created) {
    created = false;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        if (errno != ENOENT || mkfifo(path.c_str(), 0600) != 0)
            return -1;
        created = true;
    } else if (!S_ISFIFO(status.st_mode)) {
        errno = EEXIST;
        return -1;
    }
    return open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

// Written beside the target and renamed over it, so a reader sees the old
// file or the whole new one. Only a regular file is replaced: the switch runs
// as root, and a rename over a device or a FIFO would swap it for a file.
// The reason it failed, or empty.
std::string WriteStats(const std::string& path, const LinkFabric& fabric,
                       const std::vector<std::string>& names) {
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return "not a regular file";
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    std::remove(temporary.c_str()); // a leftover of a switch that was killed
    FILE* out = std::fopen(temporary.c_str(), "wx");
    if (!out)
        return std::strerror(errno);
    for (std::size_t i = 0; i < fabric.Ports(); ++i) {
        const PortCounters& c = fabric.Counters(i);
        std::fprintf(out, "port %zu name %s in %llu out %llu loss %llu partition %llu queue %llu\n", i,
                     names[i].c_str(), static_cast<unsigned long long>(c.framesIn),
                     static_cast<unsigned long long>(c.framesOut),
                     static_cast<unsigned long long>(c.droppedLoss),
                     static_cast<unsigned long long>(c.droppedPartition),
                     static_cast<unsigned long long>(c.droppedQueue));
    }
    const bool written = std::fflush(out) == 0 && !std::ferror(out);
    if (std::fclose(out) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        return reason;
    }
    return {};
}

class LinkSwitch {
public:
    LinkSwitch(std::vector<std::string> names, std::vector<int> taps, int control, int signals,
               std::uint64_t seed)
        : m_names(std::move(names)), m_taps(std::move(taps)), m_control(control), m_signals(signals),
          m_fabric(m_taps.size(), seed), m_buffer(kReadBuffer) {}

    // The exit code once the switch is told to stop.
    int Run() {
        std::vector<pollfd> fds;
        fds.push_back({m_signals, POLLIN, 0});
        fds.push_back({m_control, POLLIN, 0});
        for (const int tap : m_taps)
            fds.push_back({tap, POLLIN, 0});
        const DeliverFrame deliver = [this](std::size_t port, const std::vector<std::uint8_t>& frame) {
            return m_taps[port] >= 0 &&
                   write(m_taps[port], frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
        };
        while (!m_quit) {
            m_fabric.Advance(LinkClock::now(), deliver);
            timespec wait{};
            timespec* timeout = nullptr;
            if (const auto due = m_fabric.NextDue()) {
                const auto left = std::max(*due - LinkClock::now(), LinkClock::duration::zero());
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
                wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
                wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
                timeout = &wait;
            }
            if (ppoll(fds.data(), fds.size(), timeout, nullptr) < 0) {
                if (errno == EINTR)
                    continue;
                Complain(std::string("poll failed: ") + std::strerror(errno));
                return 1;
            }
            if (fds[0].revents)
                return 0; // SIGTERM or SIGINT
            if (fds[1].revents)
                ReadControl();
            for (std::size_t port = 0; port < m_taps.size(); ++port)
                if (fds[port + 2].revents && !ReadTap(port))
                    fds[port + 2].fd = -1; // poll ignores it from now on
        }
        return 0;
    }

private:
    // False when the device is gone for good.
    bool ReadTap(std::size_t port) {
        for (int i = 0; i < kReadBurst; ++i) {
            const ssize_t got = read(m_taps[port], m_buffer.data(), m_buffer.size());
            if (got < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    return true;
                Complain("port " + std::to_string(port) + " (" + m_names[port] +
                         "): device failed: " + std::strerror(errno));
                return false;
            }
            if (got == 0)
                return true;
            auto frame =
                std::make_shared<const std::vector<std::uint8_t>>(m_buffer.begin(), m_buffer.begin() + got);
            m_fabric.Receive(port, std::move(frame), LinkClock::now());
        }
        return true;
    }

    void ReadControl() {
        char chunk[4096];
        for (;;) {
            const ssize_t got = read(m_control, chunk, sizeof chunk);
            if (got <= 0)
                return;
            for (ssize_t i = 0; i < got && !m_quit; ++i) {
                if (chunk[i] != '\n') {
                    if (m_line.size() < kMaxControlLine)
                        m_line += chunk[i];
                    else
                        m_lineTooLong = true;
                    continue;
                }
                if (m_lineTooLong)
                    Complain("control line longer than " + std::to_string(kMaxControlLine) +
                             " characters ignored");
                else
                    Execute(m_line);
                m_line.clear();
                m_lineTooLong = false;
            }
        }
    }

    void Execute(const std::string& line) {
        const ControlCommand command = ParseControlLine(line, m_names);
        switch (command.kind) {
        case ControlCommand::Kind::Empty:
            break;
        case ControlCommand::Kind::Error:
            Complain(command.error);
            break;
        case ControlCommand::Kind::Quit:
            m_quit = true;
            break;
        case ControlCommand::Kind::Set:
            for (const std::size_t port : command.ports)
                command.change.ApplyTo(m_fabric.Settings(port));
            break;
        case ControlCommand::Kind::Stats:
            if (const std::string problem = WriteStats(command.path, m_fabric, m_names); !problem.empty())
                Complain("cannot write stats to " + command.path + ": " + problem);
            break;
        }
    }

    std::vector<std::string> m_names;
    std::vector<int> m_taps;
    int m_control;
    int m_signals;
    LinkFabric m_fabric;
    std::vector<std::uint8_t> m_buffer;
    std::string m_line;
    bool m_lineTooLong = false;
    bool m_quit = false;
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int result = ReadOptions(argc, argv, options); result != 0)
        return result == 2 ? 0 : 1;
    if (!options.seeded)
        options.seed = (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();

    // The stop signals arrive as readable data in the poll loop.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signals = signalfd(-1, &stop, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signals < 0) {
        Complain(std::string("signalfd: ") + std::strerror(errno));
        return 1;
    }

    bool createdFifo = false;
    const int control = OpenControl(options.control, createdFifo);
    if (control < 0) {
        Complain("cannot open control FIFO " + options.control + ": " + std::strerror(errno));
        return 1;
    }
    std::vector<int> taps;
    for (const std::string& name : options.taps) {
        const int fd = OpenTap(name);
        if (fd < 0) {
            Complain("cannot create TAP device " + name + ": " + std::strerror(errno));
            if (createdFifo)
                unlink(options.control.c_str());
            return 1;
        }
        taps.push_back(fd);
    }
    std::puts("ready");
    std::fflush(stdout);

    const int result = LinkSwitch(options.taps, taps, control, signals, options.seed).Run();

    // Closing the descriptors removes the devices, wherever they were moved.
    for (const int fd : taps)
        close(fd);
    close(control);
    if (createdFifo)
        unlink(options.control.c_str());
    return result;
}
