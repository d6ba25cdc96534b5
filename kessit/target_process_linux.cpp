// Linux: memory through /proc/PID/mem, the module file from /proc/PID/maps
// (the file mapping that starts at the module's base).
#include "kessit/target_process.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>

namespace kessit {
namespace {

class LinuxTarget final : public TargetProcess {
public:
    LinuxTarget(int memory, std::string directory) : m_memory(memory), m_directory(std::move(directory)) {}
    ~LinuxTarget() override { close(m_memory); }
    LinuxTarget(const LinuxTarget&) = delete;
    LinuxTarget& operator=(const LinuxTarget&) = delete;

    bool Read(std::uint64_t address, void* out, std::size_t size) override {
        auto* bytes = static_cast<char*>(out);
        while (size > 0) {
            if (address > static_cast<std::uint64_t>(INT64_MAX)) {
                return false;
            }
            const ssize_t got = pread(m_memory, bytes, size, static_cast<off_t>(address));
            if (got <= 0) {
                return false;
            }
            bytes += got;
            address += static_cast<std::uint64_t>(got);
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }

    std::optional<std::string> ModuleFile(std::uint64_t base) override {
        std::ifstream maps(m_directory + "/maps");
        std::string line;
        while (std::getline(maps, line)) {
            unsigned long long start = 0;
            unsigned long long end = 0;
            int pathAt = 0;
            if (std::sscanf(line.c_str(), "%llx-%llx %*s %*s %*s %*s %n", &start, &end, &pathAt) < 2 ||
                pathAt <= 0 || start != base) {
                continue;
            }
            std::string path = line.substr(static_cast<std::size_t>(pathAt));
            if (!path.empty() && path[0] == '/') {
                return path;
            }
        }
        return std::nullopt;
    }

private:
    int m_memory;
    std::string m_directory;
};

} // namespace

std::unique_ptr<TargetProcess> OpenTargetProcess(std::uint32_t processId) {
    const std::string directory = "/proc/" + std::to_string(processId);
    const int memory = open((directory + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
    if (memory < 0) {
        return nullptr;
    }
    return std::make_unique<LinuxTarget>(memory, directory);
}

} // namespace kessit
