#include "testing/stand_in_library.h"

#include <cstdint>
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

namespace testsupport {

void* LoadLibraryFile(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        error = why ? why : "dlopen failed";
    }
    return library;
}

bool FreeLibraryFile(void* library) {
    return dlclose(library) == 0;
}

void* FindSymbol(void* library, const char* name) {
    return dlsym(library, name);
}

bool PatchCodeByte(void* address) {
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
    if (mprotect(page, pageSize, PROT_READ | PROT_WRITE | PROT_EXEC) != 0) {
        return false;
    }
    volatile unsigned char* byte = static_cast<unsigned char*>(address);
    *byte = static_cast<unsigned char>(*byte ^ 0xFF);
    return mprotect(page, pageSize, PROT_READ | PROT_EXEC) == 0;
}

} // namespace testsupport
