#pragma once

#include "tests/support/temp_dir.h"
#include "tests/testing/program_runner.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace servicetest {

struct Reply {
    int status = 0;   // 0: no reply
    std::string head; // status line and headers
    std::string body;
};

// A TCP connection from `source` (any 127.x.y.z address, so that tests can
// be several players) to 127.0.0.1:port; -1 when it cannot be made.
inline int Connect(int port, const std::string& source = "127.0.0.1") {
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
        return -1;
    }
    return fd;
}

// Gives up a read that waits longer than `seconds`: a service that hangs
// fails the test instead of stalling it.
inline void ReadDeadline(int fd, int seconds) {
    timeval limit{seconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

// Reads a whole reply from `fd` (until the server closes) and parses it.
inline Reply ReadReply(int fd) {
    Reply reply;
    std::string raw;
    char buffer[65536];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        raw.append(buffer, static_cast<std::size_t>(got));
    const std::size_t space = raw.find(' ');
    const std::size_t headerEnd = raw.find("\r\n\r\n");
    if (space == std::string::npos || headerEnd == std::string::npos)
        return reply;
    reply.status = std::atoi(raw.c_str() + space + 1);
    reply.head = raw.substr(0, headerEnd);
    reply.body = raw.substr(headerEnd + 4);
    return reply;
}

// One HTTP request over a fresh connection, with `headers` ("Name: value"
// lines) besides Host, Content-Length and Connection.
inline Reply RequestWith(int port, const std::string& method, const std::string& target,
                         const std::vector<std::string>& headers, const std::string& source = "127.0.0.1",
                         const char* version = "HTTP/1.0") {
    const int fd = Connect(port, source);
    if (fd < 0)
        return {};
    ReadDeadline(fd, 20);
    std::string request = method + " " + target + " " + version +
                          "\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\nConnection: close\r\n";
    for (const auto& h : headers)
        request += h + "\r\n";
    request += "\r\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    Reply reply = ReadReply(fd);
    close(fd);
    return reply;
}

// One HTTP request over a fresh connection from `source`.
inline Reply Request(int port, const std::string& method, const std::string& target,
                     const std::string& source = "127.0.0.1", const char* version = "HTTP/1.0") {
    return RequestWith(port, method, target, {}, source, version);
}

// Runs a program with standard input from `input` and standard output to
// `output`; its exit code, or -1 when it did not end within 60 s.
inline int RunTool(const std::vector<std::string>& command, const std::string& input,
                   const std::string& output) {
    std::vector<char*> argv;
    for (const auto& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    for (int i = 0; i < 600; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A gamelistd process on a free loopback port, with its database in a
// temporary directory (or at `database`); its standard error goes to a file
// (ErrorLog). Stopped with SIGTERM at the end.
class Service {
public:
    // `wrapper` is a command line that ends in the program to run (gamelistd
    // is appended, then its arguments): `unshare --mount sh -c '...' sh`, say.
    explicit Service(std::vector<std::string> args = {}, std::string database = {},
                     std::vector<std::string> wrapper = {})
        : m_args(std::move(args)), m_database(database.empty() ? m_dir.str() + "games.db" : database),
          m_wrapper(std::move(wrapper)) {
        Start();
    }
    ~Service() { Stop(); }
    // Starts the process (again, after Stop or Kill) and waits for its port.
    void Start() {
        const std::string portFile = m_dir.str() + "port";
        std::remove(portFile.c_str());
        std::vector<std::string> args = m_args;
        args.insert(args.end(), {"--port", "0", "--port-file", portFile, "--database", m_database,
                                 "--access-log", LogPath()});
        std::vector<char*> argv;
        for (auto& w : m_wrapper)
            argv.push_back(w.data());
        argv.push_back(const_cast<char*>(GAMELISTD));
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, ErrorLogPath().c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        m_port = 0;
        for (int i = 0; i < 400 && m_port == 0 && Running(); ++i) {
            std::ifstream in(portFile);
            if (!(in >> m_port))
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    int Port() const { return m_port; }
    pid_t Pid() const { return m_pid; }
    std::string Root() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::string Directory() const { return m_dir.str(); }
    std::string Database() const { return m_database; }
    std::string LogPath() const { return m_dir.str() + "access.log"; }
    std::string ErrorLogPath() const { return m_dir.str() + "stderr.log"; }
    // What the service wrote to standard error so far.
    std::string ErrorLog() const {
        std::ifstream in(ErrorLogPath());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // How many requests of the access log contain `text`.
    int Requests(const std::string& text) const {
        std::ifstream in(LogPath());
        int count = 0;
        for (std::string line; std::getline(in, line);)
            count += line.find(text) != std::string::npos ? 1 : 0;
        return count;
    }
    // True while the process runs.
    bool Running() {
        if (m_pid <= 0)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == 0)
            return true;
        m_pid = -1;
        m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return false;
    }
    // SIGTERM; the exit code, or -1 when it did not exit normally.
    int Stop() { return End(SIGTERM); }
    // SIGKILL, as a crash or a power cut of the process would end it.
    void Kill() { End(SIGKILL); }

private:
    int End(int signal) {
        if (m_pid <= 0)
            return m_exit;
        kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return m_exit;
    }

    testsupport::TempDir m_dir;
    std::vector<std::string> m_args;
    std::string m_database;
    std::vector<std::string> m_wrapper;
    pid_t m_pid = -1;
    int m_port = 0;
    int m_exit = -1;
};

} // namespace servicetest
