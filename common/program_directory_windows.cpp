#include "common/program_directory.h"

#include <windows.h>

namespace common {
namespace {

std::string WithSeparator(std::string directory) {
    if (directory.empty() || directory.back() != '\\') {
        directory += '\\';
    }
    return directory;
}

} // namespace

std::string ExecutableDirectory() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return ".\\";
        }
        // A full buffer means the name was cut short.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto cut = path.find_last_of("\\/");
    return WithSeparator(cut == std::string::npos ? std::string(".") : path.substr(0, cut));
}

std::string AbsoluteDirectory(std::string_view directory) {
    // GetFullPathNameA makes the path absolute against the current directory,
    // resolves "." and "..", and turns '/' into '\'.
    const std::string relative = directory.empty() ? std::string(".") : std::string(directory);
    std::string full(MAX_PATH, '\0');
    DWORD length = GetFullPathNameA(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameA(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    full.resize(length < full.size() ? length : 0);
    return WithSeparator(full.empty() ? relative : full);
}

} // namespace common
