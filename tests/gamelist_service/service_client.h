#pragma once

#include "tests/support/temp_dir.h"
#include "tests/testing/program_runner.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace servicetest {

struct Reply {
    int status = 0; // 0: no reply
    std::string body;
};

// One HTTP request over a fresh connection from `source` (any 127.x.y.z
// address, so that tests can be several players) to 127.0.0.1:port.
inline Reply Request(int port, const std::string& method, const std::string& target,
                     const std::string& source = "127.0.0.1", const char* version = "HTTP/1.0") {
    Reply reply;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return reply;
    }
    const std::string request = method + " " + target + " " + version +
                                "\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string raw;
    char buffer[65536];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        raw.append(buffer, static_cast<std::size_t>(got));
    close(fd);
    const std::size_t space = raw.find(' ');
    const std::size_t headerEnd = raw.find("\r\n\r\n");
    if (space == std::string::npos || headerEnd == std::string::npos)
        return reply;
    reply.status = std::atoi(raw.c_str() + space + 1);
    reply.body = raw.substr(headerEnd + 4);
    return reply;
}

// A gamelistd process on a free loopback port, with its database in a
// temporary directory; stopped with SIGTERM at the end.
class Service {
public:
    explicit Service(std::vector<std::string> args = {}) {
        const std::string portFile = m_dir.str() + "port";
        args.insert(args.end(), {"--port", "0", "--port-file", portFile, "--database",
                                 m_dir.str() + "games.db", "--access-log", LogPath()});
        m_pid = testsupport::StartProgram(GAMELISTD, args);
        for (int i = 0; i < 200 && m_port == 0 && m_pid > 0; ++i) {
            std::ifstream in(portFile);
            if (!(in >> m_port))
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ~Service() { Stop(); }
    int Port() const { return m_port; }
    std::string Root() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::string LogPath() const { return m_dir.str() + "access.log"; }
    // How many requests of the access log contain `text`.
    int Requests(const std::string& text) const {
        std::ifstream in(LogPath());
        int count = 0;
        for (std::string line; std::getline(in, line);)
            count += line.find(text) != std::string::npos ? 1 : 0;
        return count;
    }
    // SIGTERM; the exit code, or -1 when it did not exit normally.
    int Stop() {
        if (m_pid <= 0)
            return m_exit;
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return m_exit;
    }

private:
    testsupport::TempDir m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
    int m_exit = -1;
};

} // namespace servicetest
