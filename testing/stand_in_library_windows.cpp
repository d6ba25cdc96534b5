#include "testing/stand_in_library.h"

#include <windows.h>

namespace testsupport {

void* LoadLibraryFile(const std::string& path, std::string& error) {
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library) {
        error = "LoadLibraryA failed, error " + std::to_string(GetLastError());
    }
    return reinterpret_cast<void*>(library);
}

bool FreeLibraryFile(void* library) {
    return FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool PatchCodeByte(void* address) {
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

} // namespace testsupport
