// Windows: memory through ReadProcessMemory; the module file from a Toolhelp
// module snapshot of the process. The game is a 32-bit program and kessit is
// 64-bit: the snapshot asks for the 32-bit modules too, because the 64-bit
// loader list that GetModuleFileNameEx reads does not hold them. Addresses of
// a 32-bit process fit the 64-bit ones unchanged.
#include "kessit/target_process.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

namespace kessit {
namespace {

class WindowsTarget final : public TargetProcess {
public:
    WindowsTarget(HANDLE process, DWORD processId) : m_process(process), m_processId(processId) {}
    ~WindowsTarget() override { CloseHandle(m_process); }
    WindowsTarget(const WindowsTarget&) = delete;
    WindowsTarget& operator=(const WindowsTarget&) = delete;

    bool Read(std::uint64_t address, void* out, std::size_t size) override {
        SIZE_T got = 0;
        return ReadProcessMemory(m_process, reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)),
                                 out, size, &got) &&
               got == size;
    }

    std::optional<std::string> ModuleFile(std::uint64_t base) override {
        if (auto path = FromSnapshot(base)) {
            return path;
        }
        char path[MAX_PATH * 4];
        const DWORD length = K32GetModuleFileNameExA(
            m_process, reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(base)), path, sizeof path);
        if (length == 0 || length >= sizeof path) {
            return std::nullopt;
        }
        return std::string(path, length);
    }

private:
    std::optional<std::string> FromSnapshot(std::uint64_t base) const {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, m_processId);
        if (snapshot == INVALID_HANDLE_VALUE) {
            return std::nullopt;
        }
        std::optional<std::string> path;
        MODULEENTRY32 module{};
        module.dwSize = sizeof module;
        for (BOOL more = Module32First(snapshot, &module); more && !path;
             more = Module32Next(snapshot, &module)) {
            if (reinterpret_cast<std::uintptr_t>(module.modBaseAddr) == base) {
                module.szExePath[sizeof module.szExePath - 1] = '\0';
                path = std::string(module.szExePath);
            }
        }
        CloseHandle(snapshot);
        return path;
    }

    HANDLE m_process;
    DWORD m_processId;
};

} // namespace

std::unique_ptr<TargetProcess> OpenTargetProcess(std::uint32_t processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) {
        return nullptr;
    }
    return std::make_unique<WindowsTarget>(process, processId);
}

} // namespace kessit
