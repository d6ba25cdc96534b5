#pragma once

#include "monitor/inspect/error_report.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Process and module walks of the own machine. The records keep the fields of
// the Windows toolhelp records in their order; the name fields are fixed,
// NUL-padded character arrays, because the game scan compares the first 14
// characters of a padded name and searches a path for its first NUL.
//
// Pointer-sized values (default heap ID, base address, module handle) are
// kept as 64-bit numbers: on a 64-bit system addresses do not fit 32 bits.
namespace monitor {

inline constexpr char kInspectModule[] = "pch";

struct ProcessEntry {
    std::uint32_t Size = 0; // set by the walk: the platform record's size
    std::uint32_t Usage = 0;
    std::uint32_t ProcessId = 0;
    std::uint64_t DefaultHeapId = 0;
    std::uint32_t ModuleId = 0;
    std::uint32_t Threads = 0;
    std::uint32_t ParentProcessId = 0;
    std::int32_t BasePriority = 0;
    std::uint32_t Flags = 0;
    std::array<char, 260> ExeFile{}; // file name of the executable, NUL-padded
};

struct ModuleEntry {
    std::uint32_t Size = 0;
    std::uint32_t ModuleId = 0;
    std::uint32_t ProcessId = 0;
    std::uint32_t GlobalUsage = 0;
    std::uint32_t ProcessUsage = 0;
    std::uint64_t BaseAddress = 0;
    std::uint64_t BaseSize = 0; // bytes
    std::uint64_t ModuleHandle = 0;
    std::array<char, 256> Name{}; // module file name, NUL-padded
    // The full path. Windows gives at most 259 characters; on Linux a Wine
    // prefix deep in a home folder easily gives longer paths, which are kept
    // whole so that the game's files beside the module are still found.
    std::string Path;
};

using ProcessList = std::vector<ProcessEntry>;
using ModuleList = std::vector<ModuleEntry>;

inline constexpr std::size_t kProcessIdSlots = 1000;
using ProcessIdList = std::array<std::uint32_t, kProcessIdSlots>;

// Copies text into a fixed field, NUL-padded; text that does not fit is cut
// so that at least one NUL always ends the field.
template <std::size_t N> void SetField(std::array<char, N>& field, std::string_view text) {
    field.fill('\0');
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i) {
        field[i] = text[i];
    }
}

inline void SetField(std::string& field, std::string_view text) {
    field.assign(text);
}

// The text of a field up to its first NUL.
template <std::size_t N> std::string FieldText(const std::array<char, N>& field) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') {
        ++n;
    }
    return std::string(field.data(), n);
}

inline std::string FieldText(const std::string& field) {
    return field.substr(0, field.find('\0'));
}

// The port: one backend per platform (Windows toolhelp, Linux /proc).
// Every failed platform call is reported with module "pch" and the
// operation's name as procedure; results are the only signal to the caller.
class ProcessInspector {
public:
    virtual ~ProcessInspector() = default;

    // Replaces `list` by a fresh walk of all processes. Returns the upper
    // index (processes - 1), or -1 when not even the first could be read (the
    // list then holds one blank entry).
    virtual int Process32_Enum(ProcessList& list) = 0;

    // Replaces `list` by the modules of process `processId` (0 = the own
    // process). Returns the upper index, -1 when not even the first module
    // could be read, and 0 with one blank entry when the platform offers no
    // module snapshot at all.
    virtual int Module32_Enum(ModuleList& list, std::uint32_t processId) = 0;

    // The modules of a process that a search for some names needs: every
    // module whose name may begin with one of `names` (given in lower case;
    // letters match either case) is listed, others may be left out where
    // that is cheaper. Returns the upper index of the listed modules (-1:
    // none) and reports exactly what Module32_Enum would. This walk lists
    // every module.
    virtual int Module32_EnumNamed(ModuleList& list, std::uint32_t processId,
                                   const std::vector<std::string>& names) {
        (void)names;
        return Module32_Enum(list, processId);
    }

    // True when the library `dllName` exports `functionName`. A library that
    // was not loaded before is loaded for the look-up and released again.
    virtual bool Function_Exist(const std::string& dllName, const std::string& functionName) = 0;
};

// How much a Linux process walk reads. Only the process ID is ever consumed,
// and reading each process's stat file (name, parent, priority, threads)
// would double the cost of a monitor tick on a busy machine, so by default
// the walk lists the IDs only. Toolhelp always gives every field.
enum class ProcessDetails { IdsOnly, Full };

// The platform backend. `procRoot` is where the Linux backend reads the
// process file system ("/proc"; tests pass a directory of their own); the
// Windows backend ignores it and `details`.
std::unique_ptr<ProcessInspector> MakeProcessInspector(ErrorReporter reporter,
                                                       ProcessDetails details = ProcessDetails::IdsOnly,
                                                       std::string procRoot = "/proc");

// Walks the processes into `processes` and copies their IDs into `ids`,
// slot i = process i. Slots beyond the walk keep older IDs. When more than
// 1000 processes run, only the first 1000 are copied (later processes are
// then not looked at by the game scan). Returns the upper index of the walk.
int RefreshProcessIds(ProcessInspector& inspector, ProcessList& processes, ProcessIdList& ids);

} // namespace monitor
