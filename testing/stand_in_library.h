#pragma once

#include <string>

// Library loading and code patching for the stand-in game, one file per
// platform (dlopen / LoadLibraryA, mprotect / VirtualProtect).
namespace testsupport {

// Loads a library by full path; null and `error` set on failure.
void* LoadLibraryFile(const std::string& path, std::string& error);
bool FreeLibraryFile(void* library);
void* FindSymbol(void* library, const char* name);
// Changes one byte of code in the own process, making its page writable for
// the moment of the write.
bool PatchCodeByte(void* address);

} // namespace testsupport
