#include "common/program_directory.h"
#include "tests/monitor/inspect/inspect_test_platform.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

namespace inspecttest {

std::uint32_t OwnProcessId() {
    return static_cast<std::uint32_t>(getpid());
}

std::string BinDirectory() {
    return common::ExecutableDirectory() + "../bin/";
}

std::string KessitLibraryName() {
    return "libkessit.so";
}

std::pair<std::string, std::string> LoadedLibraryAndExport() {
    return {"libc.so.6", "malloc"};
}

void* LoadLibraryFile(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

bool FreeLibraryFile(void* library) {
    return dlclose(library) == 0;
}

void* FindSymbol(void* library, const char* name) {
    return dlsym(library, name);
}

bool IsLibraryLoaded(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (library) {
        dlclose(library);
    }
    return library != nullptr;
}

bool FlipCodeByte(void* address) {
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    void* page = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(address) & ~(pageSize - 1));
    if (mprotect(page, pageSize, PROT_READ | PROT_WRITE | PROT_EXEC) != 0) {
        return false;
    }
    volatile unsigned char* byte = static_cast<unsigned char*>(address);
    *byte = static_cast<unsigned char>(*byte ^ 0xFF);
    return mprotect(page, pageSize, PROT_READ | PROT_EXEC) == 0;
}

} // namespace inspecttest
