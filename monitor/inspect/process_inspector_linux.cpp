// The Linux backend: processes are the numeric directories of /proc, and the
// modules of a process are the files mapped into it (/proc/PID/maps). A
// Windows game under Wine maps its DLLs as files too, so the same walk sees
// them. A module's base is the lowest address of any mapping of its file, its
// size the span up to the highest end.
#include "monitor/inspect/inspect_faults.h"
#include "monitor/inspect/process_inspector.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace monitor {
namespace {

// Win32 codes for the look-ups that dlopen/dlsym report only as text.
constexpr long kModNotFound = 126;
constexpr long kProcNotFound = 127;
// A maps file larger than this is not read (it would be a huge allocation).
constexpr std::size_t kMaxMapsSize = 64u << 20;

bool ParseNumber(std::string_view text, std::uint64_t& value, int base) {
    if (text.empty()) {
        return false;
    }
    std::uint64_t v = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    value = v;
    return true;
}

// Reads a whole file through an open descriptor straight into `buffer`,
// which is kept between walks (so a warm walk allocates nothing). Returns the
// length read, or -1.
long ReadAll(int fd, std::vector<char>& buffer, std::size_t limit) {
    if (buffer.size() < 65536) {
        buffer.resize(65536);
    }
    std::size_t used = 0;
    for (;;) {
        if (used == buffer.size()) {
            if (buffer.size() >= limit) {
                errno = EFBIG;
                return -1;
            }
            buffer.resize(buffer.size() * 2);
        }
        const ssize_t got = read(fd, buffer.data() + used, buffer.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            return static_cast<long>(used);
        }
        used += static_cast<std::size_t>(got);
    }
}

// Next blank-separated field of a maps line.
std::string_view NextField(std::string_view& line) {
    std::size_t start = 0;
    while (start < line.size() && line[start] == ' ') {
        ++start;
    }
    std::size_t end = start;
    while (end < line.size() && line[end] != ' ') {
        ++end;
    }
    const std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

class LinuxProcessInspector final : public ProcessInspector {
public:
    LinuxProcessInspector(ErrorReporter reporter, ProcessDetails details, std::string procRoot)
        : m_reporter(std::move(reporter)), m_details(details), m_procRoot(std::move(procRoot)) {}

    int Process32_Enum(ProcessList& list) override {
        constexpr char procedure[] = "Process32_Enum";
        list.assign(1, ProcessEntry{});
        DIR* dir = opendir(m_procRoot.c_str());
        if (!dir) {
            Report(errno, procedure, "CreateToolHelp32Snapshoot failed ::: INVALID_HANDLE_VALUE");
            Report(errno, procedure, "Process32First failed");
            return -1;
        }
        int upper = -1;
        try {
            while (const dirent* entry = readdir(dir)) {
                std::uint64_t pid = 0;
                if (!ParseNumber(entry->d_name, pid, 10) || pid > UINT32_MAX) {
                    continue;
                }
                ProcessEntry record;
                record.Size = sizeof(ProcessEntry);
                if (m_details == ProcessDetails::Full && !ReadProcessRecord(dirfd(dir), entry->d_name, record)) {
                    continue;  // ended since the directory was listed
                }
                record.ProcessId = static_cast<std::uint32_t>(pid);
                if (upper < 0) {
                    list[0] = record;
                } else {
                    list.push_back(record);
                }
                ++upper;
            }
        } catch (const std::exception& fault) {
            ReportFault(m_reporter, kInspectModule, procedure, fault);
        }
        if (upper < 0) {
            Report(errno, procedure, "Process32First failed");
        }
        if (closedir(dir) != 0) {
            Report(errno, procedure, "CloseHandle failed");
        }
        return upper;
    }

    int Module32_Enum(ModuleList& list, std::uint32_t processId) override {
        constexpr char procedure[] = "Module32_Enum";
        list.assign(1, ModuleEntry{});
        const std::string self = m_procRoot + "/self/maps";
        const std::string path =
            processId == 0 ? self : m_procRoot + "/" + std::to_string(processId) + "/maps";
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            // Without a readable process file system there is no snapshot to
            // take at all (checked only here, to spare a call per walk).
            if (access(self.c_str(), R_OK) != 0) {
                return 0;
            }
            Report(error, procedure, "CreateToolHelp32Snapshoot failed");
            Report(error, procedure, "Module32First failed");
            return -1;
        }
        int upper = -1;
        try {
            const long length = ReadAll(fd, m_buffer, kMaxMapsSize);
            if (length >= 0) {
                const std::uint32_t owner =
                    processId == 0 ? static_cast<std::uint32_t>(getpid()) : processId;
                upper = ParseMaps(std::string_view(m_buffer.data(), static_cast<std::size_t>(length)), owner, list);
            }
        } catch (const std::exception& fault) {
            ReportFault(m_reporter, kInspectModule, procedure, fault);
        }
        if (upper < 0) {
            Report(errno, procedure, "Module32First failed");
        }
        if (close(fd) != 0) {
            Report(errno, procedure, "CloseHandle failed");
        }
        return upper;
    }

    bool Function_Exist(const std::string& dllName, const std::string& functionName) override {
        constexpr char procedure[] = "Function_Exist";
        // Already loaded? RTLD_NOLOAD only looks; the extra reference it takes
        // is given back at once, which never unloads a library in use.
        if (void* loaded = dlopen(dllName.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
            const bool found = dlsym(loaded, functionName.c_str()) != nullptr;
            if (!found) {
                Report(kProcNotFound, procedure, "GetProcAdress failed");
            }
            dlclose(loaded);
            return found;
        }
        // Not loaded is the ordinary "module not found" case: no report.
        void* handle = dlopen(dllName.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            Report(kModNotFound, procedure, "LoadLibraryEx failed");
            Report(kProcNotFound, procedure, "GetProcAdress failed");
            return false;
        }
        const bool found = dlsym(handle, functionName.c_str()) != nullptr;
        if (!found) {
            Report(kProcNotFound, procedure, "GetProcAdress failed");
        }
        if (dlclose(handle) != 0) {
            Report(0, procedure, "FreeLibrary failed");
        }
        return found;
    }

private:
    void Report(long number, const char* procedure, const char* text) const {
        ReportError(m_reporter, number, kInspectModule, procedure, text);
    }

    // Fills a record from /proc/PID/stat: "pid (comm) state ppid ..." with the
    // priority as field 18 and the thread count as field 20.
    bool ReadProcessRecord(int procFd, const char* pidName, ProcessEntry& record) {
        const std::string statPath = std::string(pidName) + "/stat";
        const int fd = openat(procFd, statPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        char text[1024];
        const ssize_t got = read(fd, text, sizeof text - 1);
        close(fd);
        if (got <= 0) {
            return false;
        }
        const std::string_view stat(text, static_cast<std::size_t>(got));
        record.Size = sizeof(ProcessEntry);
        record.Usage = 0;
        const std::size_t open = stat.find('(');
        const std::size_t closing = stat.rfind(')');
        if (open == std::string_view::npos || closing == std::string_view::npos || closing < open) {
            return true;  // odd format: keep the process, without details
        }
        SetField(record.ExeFile, stat.substr(open + 1, closing - open - 1));
        std::string_view rest = stat.substr(closing + 1);
        for (int field = 3; field <= 20; ++field) {
            const std::string_view value = NextField(rest);
            std::uint64_t number = 0;
            if (field == 4 && ParseNumber(value, number, 10)) {
                record.ParentProcessId = static_cast<std::uint32_t>(number);
            } else if (field == 18) {
                std::int64_t sign = 1;
                std::string_view digits = value;
                if (!digits.empty() && digits[0] == '-') {
                    sign = -1;
                    digits.remove_prefix(1);
                }
                if (ParseNumber(digits, number, 10)) {
                    record.BasePriority = static_cast<std::int32_t>(sign * static_cast<std::int64_t>(number));
                }
            } else if (field == 20 && ParseNumber(value, number, 10)) {
                record.Threads = static_cast<std::uint32_t>(number);
            }
        }
        return true;
    }

    // One module per mapped file, in the order of its lowest mapping. The
    // mappings of one file are nearly always adjacent, so the last file is
    // tried first; otherwise the files seen so far are searched.
    int ParseMaps(std::string_view maps, std::uint32_t owner, ModuleList& list) {
        m_paths.clear();
        std::string_view lastPath;
        std::size_t lastIndex = 0;
        while (!maps.empty()) {
            const std::size_t newline = maps.find('\n');
            std::string_view line = maps.substr(0, newline);
            maps.remove_prefix(newline == std::string_view::npos ? maps.size() : newline + 1);

            const std::string_view range = NextField(line);
            NextField(line);  // permissions
            NextField(line);  // offset
            NextField(line);  // device
            const std::string_view inode = NextField(line);
            while (!line.empty() && line[0] == ' ') {
                line.remove_prefix(1);
            }
            const std::string_view path = line;
            if (inode == "0" || path.empty() || path[0] != '/') {
                continue;  // anonymous memory, stack, heap, vdso
            }
            const std::size_t dash = range.find('-');
            std::uint64_t start = 0;
            std::uint64_t end = 0;
            if (dash == std::string_view::npos || !ParseNumber(range.substr(0, dash), start, 16) ||
                !ParseNumber(range.substr(dash + 1), end, 16) || end < start) {
                continue;
            }
            std::size_t at = m_paths.size();
            if (!m_paths.empty() && lastPath == path) {
                at = lastIndex;
            } else {
                for (std::size_t k = 0; k < m_paths.size(); ++k) {
                    if (m_paths[k] == path) {
                        at = k;
                        break;
                    }
                }
            }
            if (at == m_paths.size()) {
                if (!m_paths.empty()) {
                    list.emplace_back();
                }
                ModuleEntry& module = list.back();
                module.Size = sizeof(ModuleEntry);
                module.ModuleId = 1;
                module.ProcessId = owner;
                module.GlobalUsage = 0xFFFF;
                module.ProcessUsage = 0xFFFF;
                module.BaseAddress = start;
                module.BaseSize = end - start;
                const std::size_t slash = path.rfind('/');
                SetField(module.Name, path.substr(slash + 1));
                SetField(module.Path, path);
                m_paths.push_back(path);
            }
            lastPath = path;
            lastIndex = at;
            ModuleEntry& module = list[at];
            const std::uint64_t moduleEnd = module.BaseAddress + module.BaseSize;
            const std::uint64_t low = start < module.BaseAddress ? start : module.BaseAddress;
            const std::uint64_t high = end > moduleEnd ? end : moduleEnd;
            module.BaseAddress = low;
            module.BaseSize = high - low;
            module.ModuleHandle = low;
        }
        return static_cast<int>(m_paths.size()) - 1;
    }

    ErrorReporter m_reporter;
    ProcessDetails m_details;
    std::string m_procRoot;
    std::vector<char> m_buffer;  // reused between walks
    std::vector<std::string_view> m_paths;  // files seen in this walk (into m_buffer)
};

}  // namespace

std::unique_ptr<ProcessInspector> MakeProcessInspector(ErrorReporter reporter, ProcessDetails details,
                                                       std::string procRoot) {
    return std::make_unique<LinuxProcessInspector>(std::move(reporter), details, std::move(procRoot));
}

}  // namespace monitor
