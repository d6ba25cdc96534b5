#include "kessit/pe_layout.h"

#include <algorithm>

namespace kessit {
namespace {

// Directory entries of the optional header.
constexpr int kImportDirectory = 1;
constexpr int kRelocationDirectory = 5;
constexpr int kTlsDirectory = 9;
constexpr int kLoadConfigDirectory = 10;
constexpr int kIatDirectory = 12;
constexpr int kDelayImportDirectory = 13;
constexpr int kDirectories = 16;

// No real DLL comes near these; they only bound what a crafted file can cost.
constexpr std::uint32_t kMaxSections = 96;
constexpr std::uint32_t kMaxDescriptors = 4096;
// Import address table entries of all imported DLLs together.
constexpr std::uint64_t kMaxThunks = 65536;

std::uint64_t Le(std::string_view bytes, std::uint64_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

bool Fits(std::string_view bytes, std::uint64_t at, std::uint64_t length) {
    return at <= bytes.size() && length <= bytes.size() - at;
}

struct Directory {
    std::uint32_t Rva = 0;
    std::uint32_t Size = 0;
};

class LayoutReader {
public:
    LayoutReader(std::string_view file, PeLayout& layout, const Directory (&dirs)[kDirectories])
        : m_file(file), m_layout(layout), m_dirs(dirs), m_pointer(layout.Wide ? 8 : 4) {}

    bool ReadRelocations() {
        const Directory& dir = m_dirs[kRelocationDirectory];
        if (dir.Size == 0) {
            return true;
        }
        const auto start = RvaToOffset(m_layout, dir.Rva);
        if (!start || !Fits(m_file, *start, dir.Size)) {
            return false;
        }
        std::uint64_t at = *start;
        const std::uint64_t end = at + dir.Size;
        while (at + 8 <= end) {
            const auto page = static_cast<std::uint32_t>(Le(m_file, at, 4));
            const auto blockSize = static_cast<std::uint32_t>(Le(m_file, at + 4, 4));
            if (blockSize < 8) {
                break; // padding after the last block
            }
            if (blockSize > end - at) {
                return false;
            }
            for (std::uint64_t e = at + 8; e + 2 <= at + blockSize; e += 2) {
                const auto entry = static_cast<std::uint16_t>(Le(m_file, e, 2));
                const int type = entry >> 12;
                if (type == 0) {
                    continue; // alignment filler
                }
                m_layout.Relocations.push_back({page + (entry & 0xFFFu), type});
                if (type == 4) {
                    e += 2; // HIGHADJ carries its low half in the next entry
                }
            }
            at += blockSize;
        }
        return true;
    }

    void ReadImports() {
        Mask(m_dirs[kIatDirectory].Rva, m_dirs[kIatDirectory].Size);
        const Directory& dir = m_dirs[kImportDirectory];
        if (dir.Size == 0) {
            return;
        }
        for (std::uint32_t i = 0; i < kMaxDescriptors; ++i) {
            const auto at = RvaToOffset(m_layout, static_cast<std::uint64_t>(dir.Rva) + 20ull * i);
            if (!at || !Fits(m_file, *at, 20)) {
                return;
            }
            const std::uint64_t names = Le(m_file, *at, 4);
            const std::uint64_t name = Le(m_file, *at + 12, 4);
            const std::uint64_t addresses = Le(m_file, *at + 16, 4);
            if (name == 0 && addresses == 0) {
                return;
            }
            MaskThunks(addresses, names != 0 ? names : addresses);
        }
    }

    void ReadDelayImports() {
        const Directory& dir = m_dirs[kDelayImportDirectory];
        if (dir.Size == 0) {
            return;
        }
        for (std::uint32_t i = 0; i < kMaxDescriptors; ++i) {
            const auto at = RvaToOffset(m_layout, static_cast<std::uint64_t>(dir.Rva) + 32ull * i);
            if (!at || !Fits(m_file, *at, 32)) {
                return;
            }
            const std::uint64_t attributes = Le(m_file, *at, 4);
            const std::uint64_t name = Le(m_file, *at + 4, 4);
            if (name == 0) {
                return;
            }
            // Descriptors of old linkers hold addresses instead of RVAs.
            const bool rvas = (attributes & 1) != 0;
            const auto rva = [&](std::uint64_t value) { return rvas ? value : FromAddress(value); };
            Mask(rva(Le(m_file, *at + 8, 4)), m_pointer); // the module handle
            const std::uint64_t addresses = rva(Le(m_file, *at + 12, 4));
            const std::uint64_t names = rva(Le(m_file, *at + 16, 4));
            MaskThunks(addresses, names != 0 ? names : addresses);
        }
    }

    // Fields that hold addresses of places the loader fills in.
    void ReadLoaderFields() {
        const Directory& tls = m_dirs[kTlsDirectory];
        if (tls.Size != 0) {
            MaskAddressAt(tls.Rva, 2 * m_pointer, 4); // AddressOfIndex -> the TLS index
        }
        const Directory& config = m_dirs[kLoadConfigDirectory];
        if (config.Size == 0) {
            return;
        }
        const auto at = RvaToOffset(m_layout, config.Rva);
        if (!at || !Fits(m_file, *at, 4)) {
            return;
        }
        // Only the fields that the structure's own size says are there.
        const std::uint64_t size = Le(m_file, *at, 4);
        const std::uint64_t cookie = m_layout.Wide ? 88 : 60;
        const std::uint64_t guardCheck = m_layout.Wide ? 112 : 72;
        for (const std::uint64_t field : {cookie, guardCheck, guardCheck + m_pointer}) {
            if (field + m_pointer <= size) {
                MaskAddressAt(config.Rva, field, m_pointer);
            }
        }
    }

private:
    std::uint64_t FromAddress(std::uint64_t address) const {
        return address >= m_layout.ImageBase ? address - m_layout.ImageBase : UINT64_MAX;
    }

    void Mask(std::uint64_t rva, std::uint64_t length) {
        if (length != 0 && rva < m_layout.SizeOfImage) {
            m_layout.LoaderWrites.push_back(
                {rva, std::min<std::uint64_t>(length, m_layout.SizeOfImage - rva)});
        }
    }

    // The pointer-sized field at `offset` of the structure at `rva` holds the
    // address of `width` bytes that the loader writes.
    void MaskAddressAt(std::uint64_t rva, std::uint64_t offset, std::uint64_t width) {
        const auto at = RvaToOffset(m_layout, rva + offset);
        if (at && Fits(m_file, *at, m_pointer)) {
            Mask(FromAddress(Le(m_file, *at, m_pointer)), width);
        }
    }

    // An address table at `addresses` with as many entries as the table at
    // `names` has before its terminating zero.
    void MaskThunks(std::uint64_t addresses, std::uint64_t names) {
        std::uint64_t count = 0;
        while (m_thunks < kMaxThunks) {
            const auto at = RvaToOffset(m_layout, names + count * m_pointer);
            if (!at || !Fits(m_file, *at, m_pointer) || Le(m_file, *at, m_pointer) == 0) {
                break;
            }
            ++count;
            ++m_thunks;
        }
        Mask(addresses, count * m_pointer);
    }

    std::string_view m_file;
    PeLayout& m_layout;
    const Directory (&m_dirs)[kDirectories];
    std::uint64_t m_pointer;
    std::uint64_t m_thunks = 0; // entries counted so far, against kMaxThunks
};

} // namespace

std::optional<std::uint64_t> RvaToOffset(const PeLayout& layout, std::uint64_t rva) {
    for (const PeSection& s : layout.Sections) {
        if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.RawSize) {
            return static_cast<std::uint64_t>(s.RawOffset) + (rva - s.VirtualAddress);
        }
    }
    return std::nullopt;
}

std::optional<PeLayout> ReadPeLayout(std::string_view file) {
    if (!Fits(file, 0, 0x40) || file.substr(0, 2) != "MZ") {
        return std::nullopt;
    }
    const std::uint64_t pe = Le(file, 0x3C, 4);
    if (!Fits(file, pe, 24) || file.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        return std::nullopt;
    }
    PeLayout layout;
    layout.FileHeaderOffset = pe + 4;
    const auto sectionCount = static_cast<std::uint32_t>(Le(file, pe + 6, 2));
    const std::uint64_t optional = pe + 24;
    const std::uint64_t optionalSize = Le(file, pe + 20, 2);
    if (optionalSize < 2 || !Fits(file, optional, optionalSize) || sectionCount > kMaxSections) {
        return std::nullopt;
    }
    const auto magic = Le(file, optional, 2);
    if (magic != 0x10B && magic != 0x20B) {
        return std::nullopt;
    }
    layout.Wide = magic == 0x20B;
    const std::uint64_t directories = layout.Wide ? 112 : 96;
    if (optionalSize < directories) {
        return std::nullopt;
    }
    layout.ImageBase = layout.Wide ? Le(file, optional + 24, 8) : Le(file, optional + 28, 4);
    layout.SizeOfImage = static_cast<std::uint32_t>(Le(file, optional + 56, 4));
    const std::uint64_t declared = Le(file, optional + directories - 4, 4);
    const std::uint64_t present = (optionalSize - directories) / 8;
    Directory dirs[kDirectories];
    for (std::uint64_t i = 0; i < kDirectories && i < declared && i < present; ++i) {
        dirs[i].Rva = static_cast<std::uint32_t>(Le(file, optional + directories + 8 * i, 4));
        dirs[i].Size = static_cast<std::uint32_t>(Le(file, optional + directories + 8 * i + 4, 4));
    }

    layout.SectionTableOffset = optional + optionalSize;
    layout.SectionTableSize = static_cast<std::uint64_t>(sectionCount) * 40;
    if (!Fits(file, layout.SectionTableOffset, layout.SectionTableSize)) {
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t s = layout.SectionTableOffset + 40ull * i;
        PeSection section;
        section.VirtualSize = static_cast<std::uint32_t>(Le(file, s + 8, 4));
        section.VirtualAddress = static_cast<std::uint32_t>(Le(file, s + 12, 4));
        section.RawSize = static_cast<std::uint32_t>(Le(file, s + 16, 4));
        section.RawOffset = static_cast<std::uint32_t>(Le(file, s + 20, 4));
        section.Characteristics = static_cast<std::uint32_t>(Le(file, s + 36, 4));
        layout.Sections.push_back(section);
    }

    LayoutReader reader(file, layout, dirs);
    if (!reader.ReadRelocations()) {
        return std::nullopt;
    }
    reader.ReadImports();
    reader.ReadDelayImports();
    reader.ReadLoaderFields();
    std::sort(layout.Relocations.begin(), layout.Relocations.end(),
              [](const PeRelocation& a, const PeRelocation& b) { return a.Rva < b.Rva; });
    // Sorted and merged, so a section finds its own by a binary search.
    auto& writes = layout.LoaderWrites;
    std::sort(writes.begin(), writes.end(),
              [](const RvaRange& a, const RvaRange& b) { return a.Start < b.Start; });
    std::vector<RvaRange> merged;
    for (const RvaRange& r : writes) {
        if (!merged.empty() && r.Start <= merged.back().Start + merged.back().Length) {
            const std::uint64_t end =
                std::max(merged.back().Start + merged.back().Length, r.Start + r.Length);
            merged.back().Length = end - merged.back().Start;
        } else {
            merged.push_back(r);
        }
    }
    writes = std::move(merged);
    return layout;
}

} // namespace kessit
