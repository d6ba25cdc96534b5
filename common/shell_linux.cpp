#include "common/command_line.h"
#include "common/file_system.h"
#include "common/shell.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace common {
namespace {

bool StartsWithMz(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char head[2] = {};
    const ssize_t got = read(fd, head, sizeof head);
    close(fd);
    return got == 2 && head[0] == 'M' && head[1] == 'Z';
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file execv needs for a program name: a name with a slash as it is,
// otherwise the first match on PATH. Empty when there is none. Done before
// forking, because only async-signal-safe calls may follow the fork.
std::string FindProgram(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = rest.find(':');
        std::string dir(rest.substr(0, colon));
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        rest.remove_prefix(colon + 1);
    }
}

std::vector<std::string> WineCommand() {
    const char* configured = std::getenv("ZANDREL_WINE");
    std::vector<std::string> words;
    if (configured) {
        std::string_view rest(configured);
        while (!rest.empty()) {
            const auto start = rest.find_first_not_of(" \t");
            if (start == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(start);
            const auto end = rest.find_first_of(" \t");
            words.emplace_back(rest.substr(0, end));
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        }
    }
    if (words.empty()) {
        words.emplace_back("wine");
    }
    return words;
}

// Starts argv[0] (already a path) detached: an intermediate child starts a
// new session, forks the program and ends at once, so the program is adopted
// by init and never becomes our zombie, and the caller waits only for the
// short-lived intermediate child.
void StartDetached(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments.front().empty()) {
        return;
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);

    const pid_t child = fork();
    if (child < 0) {
        if (devNull >= 0) {
            close(devNull);
        }
        return;
    }
    if (child == 0) {
        setsid();
        if (fork() != 0) {
            _exit(0);
        }
        // The program must not share our terminal or output pipes (a test
        // runner would wait for them), nor inherit our sockets, files or
        // blocked signals.
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        close_range(3, ~0U, 0);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (devNull >= 0) {
        close(devNull);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

// A relative path gets "./" in front, so a name that begins with '-' is never
// taken for an option.
std::string AsPathArgument(std::string path) {
    return path.empty() || path.front() == '/' ? path : "./" + path;
}

class LinuxShell final : public Shell {
public:
    void Open(std::string_view target, std::string_view parameters, ShowMode) override {
        // Window show modes have no counterpart here; the program or the
        // desktop's handler decides how its window appears.
        if (target.empty()) {
            return;
        }
        std::vector<std::string> command;
        if (FileExists(target)) {
            const std::string file = AsPathArgument(ResolvePath(target));
            if (StartsWithMz(file)) {
                command = WineCommand();
                command.front() = FindProgram(command.front());
                command.push_back(file);
                AppendArguments(command, parameters);
            } else if (IsExecutableFile(file)) {
                command.push_back(file);
                AppendArguments(command, parameters);
            } else {
                command = {FindProgram("xdg-open"), file};
            }
        } else if (DirectoryExists(target)) {
            command = {FindProgram("xdg-open"), AsPathArgument(ResolvePath(target))};
        } else if (target.front() != '-') {
            // A URL or a name the desktop may know.
            command = {FindProgram("xdg-open"), std::string(target)};
        }
        StartDetached(command);
    }

private:
    static void AppendArguments(std::vector<std::string>& command, std::string_view parameters) {
        for (auto& argument : SplitCommandLine(parameters)) {
            command.push_back(std::move(argument));
        }
    }
};

} // namespace

std::unique_ptr<Shell> MakeSystemShell() {
    return std::make_unique<LinuxShell>();
}

} // namespace common
