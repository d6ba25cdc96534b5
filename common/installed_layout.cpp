#include "common/installed_layout.h"

#include "common/program_directory.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace common {
namespace {

namespace fs = std::filesystem;

// <prefix>/lib/<package>/ for an executable in <prefix>/bin/, else empty.
fs::path InstalledModuleDirectory(const std::string& executableDirectory, std::string_view package) {
    fs::path executable = fs::path(executableDirectory).parent_path(); // drops the trailing separator
    if (executable.filename() != "bin")
        return {};
    return executable.parent_path() / "lib" / std::string(package);
}

} // namespace

std::string PrivateModulePath(std::string_view package, std::string_view fileName) {
    return PrivateModulePathFrom(ExecutableDirectory(), package, fileName);
}

std::string PrivateModulePathFrom(const std::string& executableDirectory, std::string_view package,
                                  std::string_view fileName) {
    const std::string beside = executableDirectory + std::string(fileName);
    std::error_code error;
    if (fs::exists(beside, error))
        return beside;
    const fs::path directory = InstalledModuleDirectory(executableDirectory, package);
    if (!directory.empty()) {
        const fs::path installed = directory / std::string(fileName);
        if (fs::exists(installed, error))
            return installed.string();
    }
    return beside;
}

bool RunsInstalled(std::string_view package) {
    return RunsInstalledFrom(ExecutableDirectory(), package);
}

bool RunsInstalledFrom(const std::string& executableDirectory, std::string_view package) {
    const fs::path directory = InstalledModuleDirectory(executableDirectory, package);
    std::error_code error;
    return !directory.empty() && fs::is_directory(directory, error);
}

std::string UserDataDirectory(std::string_view program) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    fs::path base;
    if (dataHome && *dataHome == '/') {
        base = dataHome;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = fs::path(home) / ".local" / "share";
    } else {
        return {};
    }
    std::string path = (base / std::string(program)).string();
    path.push_back(static_cast<char>(fs::path::preferred_separator));
    return path;
}

} // namespace common
