#include "common/program_directory.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace common {
namespace {

std::string WithSeparator(std::string directory) {
    if (directory.empty() || directory.back() != '/') {
        directory += '/';
    }
    return directory;
}

std::string CurrentDirectoryOrRoot() {
    std::error_code error;
    auto current = std::filesystem::current_path(error);
    return error ? std::string("/") : current.string();
}

} // namespace

std::string ExecutableDirectory() {
    std::string path(4096, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) {
            // No /proc: the current directory is the best remaining guess.
            return WithSeparator(CurrentDirectoryOrRoot());
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    return WithSeparator(path.substr(0, path.rfind('/')));
}

std::string AbsoluteDirectory(std::string_view directory) {
    std::filesystem::path path(directory);
    if (path.is_relative()) {
        path = std::filesystem::path(CurrentDirectoryOrRoot()) / path;
    }
    return WithSeparator(path.lexically_normal().string());
}

} // namespace common
