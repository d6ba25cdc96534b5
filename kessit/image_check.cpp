#include "kessit/image_check.h"

#include "kessit/kessit.h"

#include <cstring>
#include <string>
#include <vector>

namespace kessit {
namespace {

std::uint64_t Le(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

bool Fits(std::string_view bytes, std::uint64_t at, std::uint64_t length) {
    return at <= bytes.size() && length <= bytes.size() - at;
}

// Compares `expected` with memory at `address`, in pieces so a large section
// never needs a second copy of itself.
std::int16_t CompareMemory(std::string_view expected, std::uint64_t address, const MemoryReader& read) {
    constexpr std::size_t kPiece = 1u << 20;
    std::vector<char> actual(expected.size() < kPiece ? expected.size() : kPiece);
    for (std::size_t done = 0; done < expected.size(); done += actual.size()) {
        const std::size_t n = expected.size() - done < actual.size() ? expected.size() - done : actual.size();
        if (!read(address + done, actual.data(), n)) {
            return kNoAnswer;
        }
        if (std::memcmp(actual.data(), expected.data() + done, n) != 0) {
            return kFailed;
        }
    }
    return kPassed;
}

constexpr std::uint32_t kScnExecute = 0x20000000;
constexpr std::uint32_t kScnWrite = 0x80000000;

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
    std::uint32_t characteristics;
};

// File offset of a relative virtual address, or -1 when no section holds it.
std::int64_t RvaToOffset(const std::vector<Section>& sections, std::uint32_t rva) {
    for (const Section& s : sections) {
        if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
            return static_cast<std::int64_t>(s.rawOffset) + (rva - s.virtualAddress);
        }
    }
    return -1;
}

// Applies the base relocations that fall into [rva, rva + code.size()).
bool Relocate(std::string_view file, const std::vector<Section>& sections, std::uint32_t relocRva,
              std::uint32_t relocSize, std::uint32_t rva, std::uint64_t delta, std::string& code) {
    if (delta == 0 || relocSize == 0) {
        return true;
    }
    const std::int64_t start = RvaToOffset(sections, relocRva);
    if (start < 0 || !Fits(file, static_cast<std::uint64_t>(start), relocSize)) {
        return false;
    }
    std::uint64_t at = static_cast<std::uint64_t>(start);
    const std::uint64_t end = at + relocSize;
    while (at + 8 <= end) {
        const auto page = static_cast<std::uint32_t>(Le(file, at, 4));
        const auto blockSize = static_cast<std::uint32_t>(Le(file, at + 4, 4));
        if (blockSize < 8 || at + blockSize > end) {
            return false;
        }
        for (std::uint64_t e = at + 8; e + 2 <= at + blockSize; e += 2) {
            const auto entry = static_cast<std::uint16_t>(Le(file, e, 2));
            const int type = entry >> 12;
            const std::uint64_t target = static_cast<std::uint64_t>(page) + (entry & 0xFFF);
            const std::size_t width = type == 10 ? 8 : type == 3 ? 4 : 0;  // DIR64, HIGHLOW
            if (width == 0 || target < rva || target - rva + width > code.size()) {
                continue;
            }
            const std::size_t pos = static_cast<std::size_t>(target - rva);
            std::uint64_t value = Le(code, pos, width) + delta;
            for (std::size_t i = 0; i < width; ++i) {
                code[pos + i] = static_cast<char>(value & 0xFF);
                value >>= 8;
            }
        }
        at += blockSize;
    }
    return true;
}

std::int16_t CheckPe(std::string_view file, std::uint64_t base, std::uint64_t size, const MemoryReader& read) {
    if (!Fits(file, 0, 0x40)) {
        return kNoAnswer;
    }
    const std::uint64_t pe = Le(file, 0x3C, 4);
    if (!Fits(file, pe, 24) || file.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        return kNoAnswer;
    }
    const std::uint64_t coff = pe + 4;
    const auto sectionCount = static_cast<std::uint32_t>(Le(file, coff + 2, 2));
    const std::uint64_t optional = coff + 20;
    const std::uint64_t optionalSize = Le(file, coff + 16, 2);
    if (!Fits(file, optional, optionalSize) || optionalSize < 2) {
        return kNoAnswer;
    }
    const auto magic = Le(file, optional, 2);
    const bool wide = magic == 0x20B;
    if (!wide && magic != 0x10B) {
        return kNoAnswer;
    }
    const std::uint64_t directories = optional + (wide ? 112 : 96);
    if (optionalSize < (wide ? 112u : 96u) + 6 * 8) {
        return kNoAnswer;
    }
    const std::uint64_t imageBase = wide ? Le(file, optional + 24, 8) : Le(file, optional + 28, 4);
    const auto relocRva = static_cast<std::uint32_t>(Le(file, directories + 5 * 8, 4));
    const auto relocSize = static_cast<std::uint32_t>(Le(file, directories + 5 * 8 + 4, 4));

    const std::uint64_t table = optional + optionalSize;
    const std::uint64_t tableSize = static_cast<std::uint64_t>(sectionCount) * 40;
    if (!Fits(file, table, tableSize) || table + tableSize > size) {
        return kNoAnswer;
    }
    // The file header and the section table: the loader leaves both alone.
    std::int16_t verdict = CompareMemory(file.substr(coff, 20), base + coff, read);
    if (verdict == kPassed) {
        verdict = CompareMemory(file.substr(table, tableSize), base + table, read);
    }
    if (verdict != kPassed) {
        return verdict;
    }
    std::vector<Section> sections;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t s = table + 40ull * i;
        sections.push_back({static_cast<std::uint32_t>(Le(file, s + 12, 4)), static_cast<std::uint32_t>(Le(file, s + 8, 4)),
                            static_cast<std::uint32_t>(Le(file, s + 16, 4)), static_cast<std::uint32_t>(Le(file, s + 20, 4)),
                            static_cast<std::uint32_t>(Le(file, s + 36, 4))});
    }
    const std::uint64_t delta = base - imageBase;
    for (const Section& s : sections) {
        if (!(s.characteristics & kScnExecute) || (s.characteristics & kScnWrite)) {
            continue;
        }
        const std::uint32_t length = s.virtualSize != 0 && s.virtualSize < s.rawSize ? s.virtualSize : s.rawSize;
        if (!Fits(file, s.rawOffset, length) || static_cast<std::uint64_t>(s.virtualAddress) + length > size) {
            return kNoAnswer;
        }
        std::string code(file.substr(s.rawOffset, length));
        if (!Relocate(file, sections, relocRva, relocSize, s.virtualAddress, delta, code)) {
            return kNoAnswer;
        }
        verdict = CompareMemory(code, base + s.virtualAddress, read);
        if (verdict != kPassed) {
            return verdict;
        }
    }
    return kPassed;
}

std::int16_t CheckElf(std::string_view file, std::uint64_t base, std::uint64_t size, const MemoryReader& read) {
    constexpr std::size_t kHeader = 64;
    if (!Fits(file, 0, kHeader) || file[4] != 2 || file[5] != 1) {
        return kNoAnswer;  // only 64-bit little-endian files
    }
    const std::uint64_t phoff = Le(file, 0x20, 8);
    const std::uint64_t phentsize = Le(file, 0x36, 2);
    const std::uint64_t phnum = Le(file, 0x38, 2);
    if (phentsize < 56 || !Fits(file, phoff, phentsize * phnum)) {
        return kNoAnswer;
    }
    struct Load {
        std::uint64_t offset, vaddr, filesz;
        bool executable;
    };
    std::vector<Load> loads;
    std::uint64_t lowest = UINT64_MAX;
    for (std::uint64_t i = 0; i < phnum; ++i) {
        const std::uint64_t p = phoff + i * phentsize;
        if (Le(file, p, 4) != 1) {  // PT_LOAD
            continue;
        }
        const Load load{Le(file, p + 8, 8), Le(file, p + 16, 8), Le(file, p + 32, 8), (Le(file, p + 4, 4) & 1) != 0};
        loads.push_back(load);
        const std::uint64_t page = load.vaddr & ~static_cast<std::uint64_t>(0xFFF);
        lowest = page < lowest ? page : lowest;
    }
    if (loads.empty()) {
        return kNoAnswer;
    }
    // The module's base is its lowest mapping, that of the lowest segment.
    const std::uint64_t bias = base - lowest;
    std::int16_t verdict = kPassed;
    if (loads.front().offset == 0) {
        verdict = CompareMemory(file.substr(0, kHeader), bias + loads.front().vaddr, read);
    }
    for (const Load& load : loads) {
        if (verdict != kPassed) {
            break;
        }
        if (!load.executable) {
            continue;
        }
        if (!Fits(file, load.offset, load.filesz) || load.vaddr - lowest + load.filesz > size) {
            return kNoAnswer;
        }
        verdict = CompareMemory(file.substr(load.offset, load.filesz), bias + load.vaddr, read);
    }
    return verdict;
}

}  // namespace

std::int16_t CheckImage(std::string_view file, std::uint64_t base, std::uint64_t size, const MemoryReader& read) {
    if (file.size() >= 2 && file.substr(0, 2) == "MZ") {
        return CheckPe(file, base, size, read);
    }
    if (file.size() >= 4 && file.substr(0, 4) == "\x7f" "ELF") {
        return CheckElf(file, base, size, read);
    }
    return kNoAnswer;
}

}  // namespace kessit
