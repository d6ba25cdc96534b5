#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The layout of a PE file (PE32 or PE32+) as the Windows loader maps it, and
// the places in the mapped image that the loader legitimately writes: base
// relocations, the import address table, the delay-load import address table
// and its module handle, the TLS index, the security cookie and the control
// flow guard pointers. Everything else of a section that is not writable
// must stay as the file has it.
namespace kessit {

struct PeSection {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t VirtualSize = 0;
    std::uint32_t RawSize = 0;
    std::uint32_t RawOffset = 0;
    std::uint32_t Characteristics = 0;
};

// A range of relative virtual addresses.
struct RvaRange {
    std::uint64_t Start = 0;
    std::uint64_t Length = 0;
};

struct PeRelocation {
    std::uint32_t Rva = 0;
    int Type = 0; // 3 HIGHLOW, 10 DIR64; others are only masked
};

struct PeLayout {
    bool Wide = false; // PE32+
    std::uint64_t ImageBase = 0;
    std::uint32_t SizeOfImage = 0;
    std::uint64_t FileHeaderOffset = 0; // the 20-byte COFF header
    std::uint64_t SectionTableOffset = 0;
    std::uint64_t SectionTableSize = 0;
    std::vector<PeSection> Sections;
    std::vector<PeRelocation> Relocations; // sorted by RVA
    // Loader-written places other than relocations, sorted and disjoint.
    std::vector<RvaRange> LoaderWrites;
};

inline constexpr std::uint32_t kScnExecute = 0x20000000;
inline constexpr std::uint32_t kScnWrite = 0x80000000;

// The layout of `file`, or nothing when its headers are not those of a PE
// image: short or inconsistent headers, an unknown optional header, a
// relocation table that runs off its block. Tables that the loader would
// only read (imports, delay imports) are bounded; an entry that points
// outside the file ends its table.
std::optional<PeLayout> ReadPeLayout(std::string_view file);

// File offset of a relative virtual address, or nothing when no section's
// file data holds it.
std::optional<std::uint64_t> RvaToOffset(const PeLayout& layout, std::uint64_t rva);

} // namespace kessit
