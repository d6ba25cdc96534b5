#include "kessit/image_check.h"

#include "kessit/kessit.h"
#include "kessit/pe_layout.h"

#include <algorithm>
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
// never needs a second copy of itself. Bytes inside `skip` (offsets into
// `expected`, sorted) are places the loader writes: they take whatever
// memory holds.
std::int16_t CompareMemory(std::string_view expected, std::uint64_t address, const MemoryReader& read,
                           const std::vector<RvaRange>& skip = {}) {
    constexpr std::size_t kPiece = 1u << 20;
    std::vector<char> actual(expected.size() < kPiece ? expected.size() : kPiece);
    std::vector<char> wanted(actual.size());
    std::size_t nextSkip = 0;
    for (std::size_t done = 0; done < expected.size(); done += actual.size()) {
        const std::size_t n = expected.size() - done < actual.size() ? expected.size() - done : actual.size();
        if (!read(address + done, actual.data(), n)) {
            return kNoAnswer;
        }
        std::memcpy(wanted.data(), expected.data() + done, n);
        while (nextSkip < skip.size() && skip[nextSkip].Start + skip[nextSkip].Length <= done) {
            ++nextSkip;
        }
        for (std::size_t k = nextSkip; k < skip.size() && skip[k].Start < done + n; ++k) {
            const std::uint64_t from = skip[k].Start > done ? skip[k].Start : done;
            const std::uint64_t to = std::min<std::uint64_t>(skip[k].Start + skip[k].Length, done + n);
            std::memcpy(wanted.data() + (from - done), actual.data() + (from - done), to - from);
        }
        if (std::memcmp(actual.data(), wanted.data(), n) != 0) {
            return kFailed;
        }
    }
    return kPassed;
}

// Adds `delta` to the little-endian value of `width` bytes at `pos`.
void AddAt(std::string& bytes, std::size_t pos, std::size_t width, std::uint64_t delta) {
    std::uint64_t value = Le(bytes, pos, width) + delta;
    for (std::size_t i = 0; i < width; ++i) {
        bytes[pos + i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
}

// The section as the loader leaves it: the file's bytes with the base
// relocations applied for `delta`. A relocation that this check does not
// apply (another type, or one that straddles the end) joins `skip`.
void Relocate(const PeLayout& layout, std::uint32_t rva, std::uint64_t delta, std::string& code,
              std::vector<RvaRange>& skip) {
    if (delta == 0) {
        return;
    }
    for (const PeRelocation& r : layout.Relocations) {
        const std::size_t width = r.Type == 10 ? 8 : 4; // DIR64; HIGHLOW and the rest
        if (r.Rva + width <= rva || r.Rva >= rva + code.size()) {
            continue;
        }
        if ((r.Type == 3 || r.Type == 10) && r.Rva >= rva && r.Rva - rva + width <= code.size()) {
            AddAt(code, r.Rva - rva, width, delta);
        } else {
            skip.push_back({r.Rva, width});
        }
    }
}

// Appends the loader-written ranges (sorted, disjoint) that overlap
// [rva, rva + length) to `skip`.
void AddLoaderWrites(const std::vector<RvaRange>& writes, std::uint64_t rva, std::uint64_t length,
                     std::vector<RvaRange>& skip) {
    auto it = std::lower_bound(writes.begin(), writes.end(), rva,
                               [](const RvaRange& r, std::uint64_t at) { return r.Start + r.Length <= at; });
    for (; it != writes.end() && it->Start < rva + length; ++it) {
        skip.push_back(*it);
    }
}

// The ranges that overlap [rva, rva + length), as offsets from rva, sorted
// and clipped.
std::vector<RvaRange> SkipsWithin(const std::vector<RvaRange>& ranges, std::uint64_t rva,
                                  std::uint64_t length) {
    std::vector<RvaRange> inside;
    for (const RvaRange& r : ranges) {
        const std::uint64_t end = r.Start + r.Length < r.Start ? UINT64_MAX : r.Start + r.Length;
        if (end <= rva || r.Start >= rva + length) {
            continue;
        }
        const std::uint64_t from = r.Start > rva ? r.Start : rva;
        const std::uint64_t to = end < rva + length ? end : rva + length;
        inside.push_back({from - rva, to - from});
    }
    std::sort(inside.begin(), inside.end(),
              [](const RvaRange& a, const RvaRange& b) { return a.Start < b.Start; });
    return inside;
}

constexpr std::uint32_t kScnUninitialized = 0x00000080;

std::int16_t CheckPe(std::string_view file, std::uint64_t base, std::uint64_t size,
                     const MemoryReader& read) {
    const std::optional<PeLayout> layout = ReadPeLayout(file);
    if (!layout) {
        return kNoAnswer;
    }
    const std::uint64_t tableEnd = layout->SectionTableOffset + layout->SectionTableSize;
    if (tableEnd > size) {
        return kNoAnswer;
    }
    // The file header and the section table: the loader leaves both alone
    // (it rewrites the optional header's image base, which is not compared).
    std::int16_t verdict =
        CompareMemory(file.substr(layout->FileHeaderOffset, 20), base + layout->FileHeaderOffset, read);
    if (verdict == kPassed) {
        verdict = CompareMemory(file.substr(layout->SectionTableOffset, layout->SectionTableSize),
                                base + layout->SectionTableOffset, read);
    }
    if (verdict != kPassed) {
        return verdict;
    }
    // Every section that the program cannot write, code and read-only data.
    const std::uint64_t delta = base - layout->ImageBase;
    for (const PeSection& s : layout->Sections) {
        if ((s.Characteristics & kScnWrite) || (s.Characteristics & kScnUninitialized) || s.RawSize == 0) {
            continue;
        }
        const std::uint32_t length =
            s.VirtualSize != 0 && s.VirtualSize < s.RawSize ? s.VirtualSize : s.RawSize;
        if (!Fits(file, s.RawOffset, length) ||
            static_cast<std::uint64_t>(s.VirtualAddress) + length > size) {
            return kNoAnswer;
        }
        std::string code(file.substr(s.RawOffset, length));
        std::vector<RvaRange> skip;
        Relocate(*layout, s.VirtualAddress, delta, code, skip);
        AddLoaderWrites(layout->LoaderWrites, s.VirtualAddress, length, skip);
        verdict =
            CompareMemory(code, base + s.VirtualAddress, read, SkipsWithin(skip, s.VirtualAddress, length));
        if (verdict != kPassed) {
            return verdict;
        }
    }
    return kPassed;
}

std::int16_t CheckElf(std::string_view file, std::uint64_t base, std::uint64_t size,
                      const MemoryReader& read) {
    constexpr std::size_t kHeader = 64;
    if (!Fits(file, 0, kHeader) || file[4] != 2 || file[5] != 1) {
        return kNoAnswer; // only 64-bit little-endian files
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
        if (Le(file, p, 4) != 1) { // PT_LOAD
            continue;
        }
        const Load load{Le(file, p + 8, 8), Le(file, p + 16, 8), Le(file, p + 32, 8),
                        (Le(file, p + 4, 4) & 1) != 0};
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
        // The first segment need not be the lowest: its header copy, too,
        // must lie inside the module.
        if (loads.front().vaddr - lowest > size || kHeader > size - (loads.front().vaddr - lowest)) {
            return kNoAnswer;
        }
        verdict = CompareMemory(file.substr(0, kHeader), bias + loads.front().vaddr, read);
    }
    for (const Load& load : loads) {
        if (verdict != kPassed) {
            break;
        }
        if (!load.executable) {
            continue;
        }
        if (!Fits(file, load.offset, load.filesz) || load.vaddr - lowest > size ||
            load.filesz > size - (load.vaddr - lowest)) {
            return kNoAnswer;
        }
        verdict = CompareMemory(file.substr(load.offset, load.filesz), bias + load.vaddr, read);
    }
    return verdict;
}

} // namespace

std::int16_t CheckImage(std::string_view file, std::uint64_t base, std::uint64_t size,
                        const MemoryReader& read) {
    if (file.size() >= 2 && file.substr(0, 2) == "MZ") {
        return CheckPe(file, base, size, read);
    }
    if (file.size() >= 4 && file.substr(0, 4) == "\x7f"
                                                 "ELF") {
        return CheckElf(file, base, size, read);
    }
    return kNoAnswer;
}

} // namespace kessit
