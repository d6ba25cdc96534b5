#include "common/program_directory.h"
#include "tests/monitor/inspect/inspect_test_platform.h"

#include <windows.h>

namespace inspecttest {

std::uint32_t OwnProcessId() {
    return GetCurrentProcessId();
}

std::string BinDirectory() {
    return common::ExecutableDirectory() + "..\\bin\\";
}

std::string KessitLibraryName() {
    return "kessit.dll";
}

std::pair<std::string, std::string> LoadedLibraryAndExport() {
    return {"kernel32.dll", "CreateToolhelp32Snapshot"};
}

void* LoadLibraryFile(const std::string& path) {
    return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}

bool FreeLibraryFile(void* library) {
    return FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool IsLibraryLoaded(const std::string& path) {
    return GetModuleHandleA(path.c_str()) != nullptr;
}

bool FlipCodeByte(void* address) {
    DWORD previous = 0;
    if (!VirtualProtect(address, 1, PAGE_EXECUTE_READWRITE, &previous)) {
        return false;
    }
    volatile unsigned char* byte = static_cast<unsigned char*>(address);
    *byte = static_cast<unsigned char>(*byte ^ 0xFF);
    DWORD ignored = 0;
    const bool restored = VirtualProtect(address, 1, previous, &ignored) != 0;
    FlushInstructionCache(GetCurrentProcess(), address, 1);
    return restored;
}

} // namespace inspecttest
