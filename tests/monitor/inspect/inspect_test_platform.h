#pragma once

#include <cstdint>
#include <string>
#include <utility>

// What the inspection tests need from the platform, one file per platform.
namespace inspecttest {

std::uint32_t OwnProcessId();
// The build's program directory (where kessit and the stand-ins are built),
// with a trailing separator.
std::string BinDirectory();
std::string KessitLibraryName();
// A library that every test process has loaded, and one of its exports.
std::pair<std::string, std::string> LoadedLibraryAndExport();

void* LoadLibraryFile(const std::string& path);
bool FreeLibraryFile(void* library);
void* FindSymbol(void* library, const char* name);
bool IsLibraryLoaded(const std::string& path);
// Flips one byte of code in the own process.
bool FlipCodeByte(void* address);

} // namespace inspecttest
