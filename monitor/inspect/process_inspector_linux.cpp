// The Linux backend: processes are the numeric directories of /proc, and the
// modules of a process are the files mapped into it (/proc/PID/maps). A
// Windows game under Wine maps its DLLs as files too, so the same walk sees
// them. A module's base is the lowest address of any mapping of its file, its
// size the span up to the highest end of those mappings and of anonymous
// memory that directly follows one of them.
#include "monitor/inspect/inspect_faults.h"
#include "monitor/inspect/proc_maps_linux.h"
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
                if (!ParseProcNumber(entry->d_name, pid, 10) || pid > UINT32_MAX) {
                    continue;
                }
                ProcessEntry record;
                record.Size = sizeof(ProcessEntry);
                if (m_details == ProcessDetails::Full &&
                    !ReadProcessRecord(dirfd(dir), entry->d_name, record)) {
                    continue; // ended since the directory was listed
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
        return EnumModules(list, processId, nullptr);
    }

    // A file whose maps text holds none of the names anywhere cannot map a
    // module of such a name, so its lines are not parsed at all; on a busy
    // machine that is nearly every process.
    int Module32_EnumNamed(ModuleList& list, std::uint32_t processId,
                           const std::vector<std::string>& names) override {
        return EnumModules(list, processId, &names);
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
    int EnumModules(ModuleList& list, std::uint32_t processId, const std::vector<std::string>* names) {
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
        bool leftOut = false; // modules exist, but none of them was sought
        try {
            const long length = ReadAll(fd, m_buffer, kMaxMapsSize);
            if (length >= 0) {
                const std::string_view maps(m_buffer.data(), static_cast<std::size_t>(length));
                const std::uint32_t owner = processId == 0 ? static_cast<std::uint32_t>(getpid()) : processId;
                if (!names || HoldsAny(maps, *names)) {
                    upper = m_maps.Parse(maps, owner, list);
                } else {
                    leftOut = MapsHoldFile(maps);
                }
            }
        } catch (const std::exception& fault) {
            ReportFault(m_reporter, kInspectModule, procedure, fault);
        }
        if (upper < 0 && !leftOut) {
            Report(errno, procedure, "Module32First failed");
        }
        if (close(fd) != 0) {
            Report(errno, procedure, "CloseHandle failed");
        }
        return upper;
    }

    static bool HoldsAny(std::string_view maps, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            if (FindFolded(maps, name) != std::string_view::npos) {
                return true;
            }
        }
        return false;
    }

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
            return true; // odd format: keep the process, without details
        }
        SetField(record.ExeFile, stat.substr(open + 1, closing - open - 1));
        std::string_view rest = stat.substr(closing + 1);
        for (int field = 3; field <= 20; ++field) {
            const std::string_view value = NextProcField(rest);
            std::uint64_t number = 0;
            if (field == 4 && ParseProcNumber(value, number, 10)) {
                record.ParentProcessId = static_cast<std::uint32_t>(number);
            } else if (field == 18) {
                std::int64_t sign = 1;
                std::string_view digits = value;
                if (!digits.empty() && digits[0] == '-') {
                    sign = -1;
                    digits.remove_prefix(1);
                }
                if (ParseProcNumber(digits, number, 10)) {
                    record.BasePriority = static_cast<std::int32_t>(sign * static_cast<std::int64_t>(number));
                }
            } else if (field == 20 && ParseProcNumber(value, number, 10)) {
                record.Threads = static_cast<std::uint32_t>(number);
            }
        }
        return true;
    }

    ErrorReporter m_reporter;
    ProcessDetails m_details;
    std::string m_procRoot;
    std::vector<char> m_buffer; // reused between walks
    MapsParser m_maps;
};

} // namespace

std::unique_ptr<ProcessInspector> MakeProcessInspector(ErrorReporter reporter, ProcessDetails details,
                                                       std::string procRoot) {
    return std::make_unique<LinuxProcessInspector>(std::move(reporter), details, std::move(procRoot));
}

} // namespace monitor
