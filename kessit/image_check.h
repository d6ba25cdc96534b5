#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

// The comparison at the heart of kessit: does a module's image in memory
// still hold the code of its file? Works on the file's bytes and a reader of
// the target's memory, so it is the same on every platform.
namespace kessit {

// Reads `size` bytes at `address` of the target process; false when they
// cannot be read.
using MemoryReader = std::function<bool(std::uint64_t address, void* out, std::size_t size)>;

// Compares the image at `base` (spanning `size` bytes) with `file`:
// - a PE file (PE32 or PE32+, a Windows DLL, also under Wine): the file header
//   and the section table, then every section that is not writable, as the
//   loader leaves it: base relocations applied for the actual load address,
//   and the places the loader fills in (import address tables, delay-load
//   tables, TLS index, security cookie) taken as memory holds them;
// - an ELF file: the ELF header and every executable loadable segment
//   (position-independent code holds no relocations).
// Returns kPassed, kFailed, or kNoAnswer when the file is not an image this
// check understands, the image does not fit the given span, or memory cannot
// be read.
std::int16_t CheckImage(std::string_view file, std::uint64_t base, std::uint64_t size,
                        const MemoryReader& read);

} // namespace kessit
