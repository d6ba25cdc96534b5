// page_server [--port N] [--port-file FILE]: a tiny HTTP/1.0 server on
// 127.0.0.1 that answers the switcher's news page request and serves pages
// of pictures and the pictures themselves (testing/news_page.h), for the demo
// and for tests. One connection at a time; every connection gets a bounded
// number of bytes and a deadline, so a stuck or hostile client cannot stall
// the server for long.
#include "testing/news_page.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxRequestBytes = 8192;
constexpr std::size_t kMaxDrainBytes = 1 << 20;
constexpr int kDefaultTimeoutMs = 3000;

constexpr const char* kUsage = "usage: page_server [--port N] [--port-file FILE] [--timeout-ms N]\n"
                               "Serves the news page on 127.0.0.1. Port 0 (the default) picks a free port;\n"
                               "--port-file writes the chosen port to FILE once the server listens;\n"
                               "--timeout-ms limits the time one connection may take (default 3000).\n";

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int ready = poll(&p, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// The request line and headers, up to the blank line, the size limit, the
// deadline or the client's end of sending, whichever comes first.
std::string ReadRequest(int fd, Clock::time_point deadline) {
    std::string request;
    char buffer[1024];
    while (request.size() < kMaxRequestBytes && request.find("\r\n\r\n") == std::string::npos &&
           request.find("\n\n") == std::string::npos) {
        if (!WaitFor(fd, POLLIN, deadline))
            break;
        const ssize_t got = recv(fd, buffer, std::min(sizeof buffer, kMaxRequestBytes - request.size()), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    return request;
}

void SendAll(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty() && WaitFor(fd, POLLOUT, deadline)) {
        const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

// Reads and drops what the client still sends after the answer, until it
// closes, the deadline passes or too much arrives. Closing a socket with
// unread input would reset the connection and could destroy the answer
// before the client has read it.
void Drain(int fd, Clock::time_point deadline) {
    char buffer[4096];
    for (std::size_t total = 0; total < kMaxDrainBytes && WaitFor(fd, POLLIN, deadline);) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        total += static_cast<std::size_t>(got);
    }
}

void Serve(int client, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    const std::string request = ReadRequest(client, deadline);
    if (!request.empty())
        SendAll(client, demo::PageResponse(request), deadline);
    shutdown(client, SHUT_WR);
    Drain(client, deadline);
    close(client);
}

// Written under a temporary name and renamed, so a reader polling for the
// file never sees it half-written.
bool WritePortFile(const std::string& path, int port) {
    const std::string temporary = path + ".tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "w");
    if (f == nullptr)
        return false;
    const bool ok = std::fprintf(f, "%d\n", port) > 0;
    if (std::fclose(f) != 0 || !ok)
        return false;
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool ParseNumber(std::string_view text, int low, int high, int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

int Usage(const char* problem) {
    std::fprintf(stderr, "page_server: %s\n%s", problem, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int port = 0;
    int timeoutMs = kDefaultTimeoutMs;
    std::string portFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("page_server %s\n", ZANDREL_VERSION);
            return 0;
        }
        if (arg == "--port" && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 0, 65535, port))
                return Usage("--port needs a number from 0 to 65535");
        } else if (arg == "--timeout-ms" && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 1, 600000, timeoutMs))
                return Usage("--timeout-ms needs a positive number");
        } else if (arg == "--port-file" && i + 1 < argc) {
            portFile = argv[++i];
        } else {
            return Usage(("unexpected argument " + std::string(arg)).c_str());
        }
    }

    std::signal(SIGPIPE, SIG_IGN);
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    if (server < 0) {
        std::perror("page_server: socket");
        return 1;
    }
    const int yes = 1;
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(server, 16) != 0) {
        std::perror("page_server: cannot listen");
        return 1;
    }
    socklen_t length = sizeof address;
    getsockname(server, reinterpret_cast<sockaddr*>(&address), &length);
    const int chosen = ntohs(address.sin_port);
    if (!portFile.empty() && !WritePortFile(portFile, chosen)) {
        std::fprintf(stderr, "page_server: cannot write %s\n", portFile.c_str());
        return 1;
    }
    std::printf("page_server: listening on http://127.0.0.1:%d\n", chosen);
    std::fflush(stdout);

    for (;;) {
        const int client = accept(server, nullptr, nullptr);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE)
                continue;
            std::perror("page_server: accept");
            return 1;
        }
        Serve(client, std::chrono::milliseconds(timeoutMs));
    }
}
