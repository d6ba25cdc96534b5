#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Maps a PE file (PE32 or PE32+) into memory the way the Windows loader
// does, for tests on machines that cannot run 32-bit code: the headers, each
// section at its RVA (zero-filled beyond its file data), base relocations for
// the given base, and every import address table entry, the delay-load
// tables and their module handles filled with made-up addresses, as if the
// imports had been bound and every delay-loaded function called once.
//
// Deliberately independent of kessit's own reading of PE files, so that a
// fault there is not mirrored here.
namespace testsupport {

struct PeImageInfo {
    bool Wide = false;
    std::uint64_t PreferredBase = 0;
    std::uint32_t SizeOfImage = 0;
    std::uint32_t SizeOfHeaders = 0;
    struct Section {
        std::uint32_t VirtualAddress, VirtualSize, RawOffset, RawSize, Characteristics;
    };
    std::vector<Section> Sections;
    std::uint32_t ExportRva = 0; // the export directory
    std::uint32_t IatRva = 0;    // the import address table
    std::uint32_t DelayImportRva = 0;
    // The section that holds an RVA, or null.
    const Section* SectionOf(std::uint64_t rva) const {
        for (const Section& s : Sections) {
            if (rva >= s.VirtualAddress &&
                rva - s.VirtualAddress < (s.VirtualSize ? s.VirtualSize : s.RawSize)) {
                return &s;
            }
        }
        return nullptr;
    }
};

// False when the file's headers cannot be read.
bool ReadPeImageInfo(std::string_view file, PeImageInfo& info);

// Writes the loaded image of `file` for load address `base` into `memory`
// (SizeOfImage bytes, already zero). Returns false when the file is not a
// PE image this simulation can map.
bool MapPeImage(std::string_view file, std::uint64_t base, char* memory);

// The RVA of an exported function, or 0.
std::uint32_t ExportRva(std::string_view file, std::string_view name);

} // namespace testsupport
