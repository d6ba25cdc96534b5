// Windows: memory through ReadProcessMemory, the module file through
// GetModuleFileNameExA (a module's handle is its base address).
#include "kessit/target_process.h"

#include <windows.h>
#include <psapi.h>

namespace kessit {
namespace {

class WindowsTarget final : public TargetProcess {
public:
    explicit WindowsTarget(HANDLE process) : m_process(process) {}
    ~WindowsTarget() override { CloseHandle(m_process); }
    WindowsTarget(const WindowsTarget&) = delete;
    WindowsTarget& operator=(const WindowsTarget&) = delete;

    bool Read(std::uint64_t address, void* out, std::size_t size) override {
        SIZE_T got = 0;
        return ReadProcessMemory(m_process, reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)), out,
                                 size, &got) &&
               got == size;
    }

    std::optional<std::string> ModuleFile(std::uint64_t base) override {
        char path[MAX_PATH * 4];
        const DWORD length = K32GetModuleFileNameExA(
            m_process, reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(base)), path, sizeof path);
        if (length == 0 || length >= sizeof path) {
            return std::nullopt;
        }
        return std::string(path, length);
    }

private:
    HANDLE m_process;
};

}  // namespace

std::unique_ptr<TargetProcess> OpenTargetProcess(std::uint32_t processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) {
        return nullptr;
    }
    return std::make_unique<WindowsTarget>(process);
}

}  // namespace kessit
