// The Windows backend: toolhelp snapshots, walked with the single-byte
// records. The size field is sizeof the platform record (304 / 568 on x86-64).
#include "monitor/inspect/inspect_faults.h"
#include "monitor/inspect/process_inspector.h"

#include <windows.h>

#include <cstring>
#include <tlhelp32.h>

namespace monitor {
namespace {

constexpr int kSnapshotAttempts = 8;

ProcessEntry ToEntry(const PROCESSENTRY32& p) {
    ProcessEntry e;
    e.Size = p.dwSize;
    e.Usage = p.cntUsage;
    e.ProcessId = p.th32ProcessID;
    e.DefaultHeapId = static_cast<std::uint64_t>(p.th32DefaultHeapID);
    e.ModuleId = p.th32ModuleID;
    e.Threads = p.cntThreads;
    e.ParentProcessId = p.th32ParentProcessID;
    e.BasePriority = p.pcPriClassBase;
    e.Flags = p.dwFlags;
    for (std::size_t i = 0; i < e.ExeFile.size() && i < sizeof p.szExeFile; ++i) {
        e.ExeFile[i] = p.szExeFile[i];
    }
    e.ExeFile.back() = '\0';
    return e;
}

ModuleEntry ToEntry(const MODULEENTRY32& m) {
    ModuleEntry e;
    e.Size = m.dwSize;
    e.ModuleId = m.th32ModuleID;
    e.ProcessId = m.th32ProcessID;
    e.GlobalUsage = m.GlblcntUsage;
    e.ProcessUsage = m.ProccntUsage;
    e.BaseAddress = reinterpret_cast<std::uintptr_t>(m.modBaseAddr);
    e.BaseSize = m.modBaseSize;
    e.ModuleHandle = reinterpret_cast<std::uintptr_t>(m.hModule);
    for (std::size_t i = 0; i < e.Name.size() && i < sizeof m.szModule; ++i) {
        e.Name[i] = m.szModule[i];
    }
    e.Path.assign(m.szExePath, strnlen(m.szExePath, sizeof m.szExePath));
    e.Name.back() = '\0';
    return e;
}

class WindowsProcessInspector final : public ProcessInspector {
public:
    explicit WindowsProcessInspector(ErrorReporter reporter) : m_reporter(std::move(reporter)) {}

    int Process32_Enum(ProcessList& list) override {
        constexpr char procedure[] = "Process32_Enum";
        list.assign(1, ProcessEntry{});
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) {
            Report(procedure, "CreateToolHelp32Snapshoot failed ::: INVALID_HANDLE_VALUE");
        }
        return Walk<PROCESSENTRY32>(snapshot, list, Process32First, Process32Next, procedure,
                                    "Process32First failed");
    }

    int Module32_Enum(ModuleList& list, std::uint32_t processId) override {
        constexpr char procedure[] = "Module32_Enum";
        list.assign(1, ModuleEntry{});
        if (!Function_Exist("kernel32.dll", "CreateToolhelp32Snapshot")) {
            return 0;
        }
        // A 32-bit game under WOW64 shows its own DLLs only with SNAPMODULE32;
        // the 64-bit monitor would otherwise see just the WOW64 layer.
        HANDLE snapshot = INVALID_HANDLE_VALUE;
        // A module snapshot fails with ERROR_BAD_LENGTH while the process is
        // loading or unloading a module; taking it again succeeds.
        for (int attempt = 0; attempt < kSnapshotAttempts; ++attempt) {
            snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId);
            if (snapshot != INVALID_HANDLE_VALUE || GetLastError() != ERROR_BAD_LENGTH) {
                break;
            }
        }
        if (snapshot == INVALID_HANDLE_VALUE) {
            Report(procedure, "CreateToolHelp32Snapshoot failed");
        }
        return Walk<MODULEENTRY32>(snapshot, list, Module32First, Module32Next, procedure,
                                   "Module32First failed");
    }

    bool Function_Exist(const std::string& dllName, const std::string& functionName) override {
        constexpr char procedure[] = "Function_Exist";
        if (HMODULE loaded = GetModuleHandleA(dllName.c_str())) {
            if (GetProcAddress(loaded, functionName.c_str())) {
                return true;
            }
            Report(procedure, "GetProcAdress failed");
            return false;
        }
        if (GetLastError() != ERROR_MOD_NOT_FOUND) {
            Report(procedure, "GetModuleHandle failed ::: MOD_NOT_FOUND");
        }
        HMODULE library = LoadLibraryExA(dllName.c_str(), nullptr, 0);
        if (!library) {
            Report(procedure, "LoadLibraryEx failed");
        }
        const bool found = library && GetProcAddress(library, functionName.c_str()) != nullptr;
        if (!found) {
            Report(procedure, "GetProcAdress failed");
        }
        if (library && !FreeLibrary(library)) {
            Report(procedure, "FreeLibrary failed");
        }
        return found;
    }

private:
    // Reads a snapshot into `list` (which holds one blank entry): the upper
    // index, or -1 when not even the first record could be read. The list
    // grows one entry per step; the snapshot is closed in every case.
    template <typename Record, typename Entry>
    int Walk(HANDLE snapshot, std::vector<Entry>& list, BOOL(WINAPI* first)(HANDLE, Record*),
             BOOL(WINAPI* next)(HANDLE, Record*), const char* procedure, const char* firstFailed) {
        Record record{};
        record.dwSize = sizeof record;
        if (!first(snapshot, &record)) {
            Report(procedure, firstFailed);
            Close(snapshot, procedure);
            return -1;
        }
        int upper = 0;
        try {
            list[0] = ToEntry(record);
            while (next(snapshot, &record)) {
                list.push_back(ToEntry(record));
                ++upper;
            }
        } catch (const std::exception& fault) {
            ReportFault(m_reporter, kInspectModule, procedure, fault);
        }
        Close(snapshot, procedure);
        return upper;
    }

    void Report(const char* procedure, const char* text) const {
        ReportError(m_reporter, static_cast<long>(GetLastError()), kInspectModule, procedure, text);
    }

    void Close(HANDLE snapshot, const char* procedure) const {
        if (!CloseHandle(snapshot)) {
            Report(procedure, "CloseHandle failed");
        }
    }

    ErrorReporter m_reporter;
};

} // namespace

std::unique_ptr<ProcessInspector> MakeProcessInspector(ErrorReporter reporter, ProcessDetails /*details*/,
                                                       std::string /*procRoot*/) {
    return std::make_unique<WindowsProcessInspector>(std::move(reporter));
}

} // namespace monitor
