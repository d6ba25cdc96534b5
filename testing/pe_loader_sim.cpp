#include "testing/pe_loader_sim.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace testsupport {
namespace {

std::uint64_t Le(std::string_view bytes, std::uint64_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width && at + i < bytes.size(); ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

class Image {
public:
    Image(std::string_view file, const PeImageInfo& info, char* memory)
        : m_file(file), m_info(info), m_memory(memory), m_pointer(info.Wide ? 8 : 4) {}

    // File offset of an RVA, through the section table.
    std::optional<std::uint64_t> Offset(std::uint64_t rva) const {
        for (const auto& s : m_info.Sections) {
            if (rva >= s.VirtualAddress && rva < static_cast<std::uint64_t>(s.VirtualAddress) + s.RawSize) {
                return s.RawOffset + (rva - s.VirtualAddress);
            }
        }
        if (rva < m_info.SizeOfHeaders) {
            return rva;
        }
        return std::nullopt;
    }

    std::uint64_t FileValue(std::uint64_t rva, std::size_t width) const {
        const auto at = Offset(rva);
        return at ? Le(m_file, *at, width) : 0;
    }

    std::uint64_t Get(std::uint64_t rva, std::size_t width) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width && rva + i < m_info.SizeOfImage; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_memory[rva + i])) << (8 * i);
        }
        return value;
    }

    void Put(std::uint64_t rva, std::size_t width, std::uint64_t value) {
        for (std::size_t i = 0; i < width && rva + i < m_info.SizeOfImage; ++i) {
            m_memory[rva + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    }

    std::size_t Pointer() const { return m_pointer; }

    // Directory entry `index` of the optional header: RVA and size.
    std::pair<std::uint32_t, std::uint32_t> Directory(int index) const {
        const std::uint64_t pe = Le(m_file, 0x3C, 4);
        const std::uint64_t dirs = pe + 24 + (m_info.Wide ? 112 : 96) + 8ull * static_cast<unsigned>(index);
        return {static_cast<std::uint32_t>(Le(m_file, dirs, 4)),
                static_cast<std::uint32_t>(Le(m_file, dirs + 4, 4))};
    }

    // Fills the address table at `addresses` entry by entry while the name
    // table at `names` has entries.
    void Bind(std::uint64_t addresses, std::uint64_t names, std::uint64_t fake) {
        for (std::uint64_t k = 0; m_bound < 65536; ++k, ++m_bound) {
            if (FileValue(names + k * m_pointer, m_pointer) == 0) {
                return;
            }
            Put(addresses + k * m_pointer, m_pointer, fake + k * 16);
        }
    }

private:
    std::string_view m_file;
    const PeImageInfo& m_info;
    char* m_memory;
    std::size_t m_pointer;
    std::uint64_t m_bound = 0; // entries bound so far; a real DLL has far fewer
};

} // namespace

bool ReadPeImageInfo(std::string_view file, PeImageInfo& info) {
    if (file.size() < 0x40 || file.substr(0, 2) != "MZ") {
        return false;
    }
    const std::uint64_t pe = Le(file, 0x3C, 4);
    if (pe + 24 > file.size() || file.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        return false;
    }
    const std::uint64_t sections = Le(file, pe + 6, 2);
    const std::uint64_t optionalSize = Le(file, pe + 20, 2);
    const std::uint64_t optional = pe + 24;
    const std::uint64_t magic = Le(file, optional, 2);
    if ((magic != 0x10B && magic != 0x20B) || optional + optionalSize + 40 * sections > file.size()) {
        return false;
    }
    info = PeImageInfo{};
    info.Wide = magic == 0x20B;
    info.PreferredBase = info.Wide ? Le(file, optional + 24, 8) : Le(file, optional + 28, 4);
    info.SizeOfImage = static_cast<std::uint32_t>(Le(file, optional + 56, 4));
    info.SizeOfHeaders = static_cast<std::uint32_t>(Le(file, optional + 60, 4));
    const std::uint64_t dirs = optional + (info.Wide ? 112 : 96);
    info.ExportRva = static_cast<std::uint32_t>(Le(file, dirs, 4));
    info.IatRva = static_cast<std::uint32_t>(Le(file, dirs + 12 * 8, 4));
    info.DelayImportRva = static_cast<std::uint32_t>(Le(file, dirs + 13 * 8, 4));
    for (std::uint64_t i = 0; i < sections; ++i) {
        const std::uint64_t s = optional + optionalSize + 40 * i;
        info.Sections.push_back(
            {static_cast<std::uint32_t>(Le(file, s + 12, 4)), static_cast<std::uint32_t>(Le(file, s + 8, 4)),
             static_cast<std::uint32_t>(Le(file, s + 20, 4)), static_cast<std::uint32_t>(Le(file, s + 16, 4)),
             static_cast<std::uint32_t>(Le(file, s + 36, 4))});
    }
    return true;
}

bool MapPeImage(std::string_view file, std::uint64_t base, char* memory) {
    PeImageInfo info;
    if (!ReadPeImageInfo(file, info) || info.SizeOfImage == 0 || info.SizeOfHeaders > file.size() ||
        info.SizeOfHeaders > info.SizeOfImage) {
        return false;
    }
    std::memcpy(memory, file.data(), info.SizeOfHeaders);
    for (const auto& s : info.Sections) {
        std::uint64_t length = s.RawSize;
        if (s.VirtualSize != 0 && s.VirtualSize < length) {
            length = s.VirtualSize;
        }
        if (static_cast<std::uint64_t>(s.RawOffset) + length > file.size() ||
            static_cast<std::uint64_t>(s.VirtualAddress) + length > info.SizeOfImage) {
            return false;
        }
        std::memcpy(memory + s.VirtualAddress, file.data() + s.RawOffset, length);
    }
    Image image(file, info, memory);
    const std::uint64_t delta = base - info.PreferredBase;
    // The loader records the actual base in the optional header.
    const std::uint64_t pe = Le(file, 0x3C, 4);
    image.Put(pe + 24 + (info.Wide ? 24 : 28), info.Wide ? 8 : 4, base);

    // Base relocations.
    const auto [relocRva, relocSize] = image.Directory(5);
    const std::uint64_t relocEnd =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(relocRva) + relocSize, info.SizeOfImage);
    for (std::uint64_t at = relocRva; at + 8 <= relocEnd;) {
        const std::uint64_t page = image.Get(at, 4);
        const std::uint64_t blockSize = image.Get(at + 4, 4);
        if (blockSize < 8 || blockSize > relocEnd - at) {
            break;
        }
        for (std::uint64_t e = at + 8; e + 2 <= at + blockSize; e += 2) {
            const std::uint64_t entry = image.Get(e, 2);
            const std::uint64_t target = page + (entry & 0xFFF);
            if (entry >> 12 == 3) {
                image.Put(target, 4, image.Get(target, 4) + delta);
            } else if (entry >> 12 == 10) {
                image.Put(target, 8, image.Get(target, 8) + delta);
            }
        }
        at += blockSize;
    }

    // Imports, bound to made-up addresses of other modules.
    const std::uint64_t fake = info.Wide ? 0x7FFE00000000ull : 0x76000000ull;
    const auto [importRva, importSize] = image.Directory(1);
    for (std::uint64_t d = 0; importSize != 0 && d < 4096; ++d) {
        const std::uint64_t at = importRva + 20 * d;
        const std::uint64_t names = image.FileValue(at, 4);
        const std::uint64_t addresses = image.FileValue(at + 16, 4);
        if (addresses == 0) {
            break;
        }
        image.Bind(addresses, names != 0 ? names : addresses, fake + d * 0x10000);
    }
    // Delay-loaded imports, as after every function was called once.
    const auto [delayRva, delaySize] = image.Directory(13);
    for (std::uint64_t d = 0; delaySize != 0 && d < 4096; ++d) {
        const std::uint64_t at = delayRva + 32 * d;
        if (image.FileValue(at + 4, 4) == 0) {
            break;
        }
        const bool rvas = (image.FileValue(at, 4) & 1) != 0;
        const auto rva = [&](std::uint64_t v) { return rvas ? v : v - info.PreferredBase; };
        image.Put(rva(image.FileValue(at + 8, 4)), image.Pointer(), fake + 0x8000000 + d * 0x10000);
        image.Bind(rva(image.FileValue(at + 12, 4)), rva(image.FileValue(at + 16, 4)),
                   fake + 0x9000000 + d * 0x10000);
    }
    // The TLS index.
    const auto [tlsRva, tlsSize] = image.Directory(9);
    if (tlsSize != 0) {
        const std::uint64_t indexAddress = image.Get(tlsRva + 2 * image.Pointer(), image.Pointer());
        image.Put(indexAddress - base, 4, 1);
    }
    return true;
}

std::uint32_t ExportRva(std::string_view file, std::string_view name) {
    PeImageInfo info;
    if (!ReadPeImageInfo(file, info) || info.ExportRva == 0) {
        return 0;
    }
    Image image(file, info, nullptr);
    const std::uint64_t count = image.FileValue(info.ExportRva + 24, 4);
    const std::uint64_t functions = image.FileValue(info.ExportRva + 28, 4);
    const std::uint64_t names = image.FileValue(info.ExportRva + 32, 4);
    const std::uint64_t ordinals = image.FileValue(info.ExportRva + 36, 4);
    for (std::uint64_t i = 0; i < count && i < 65536; ++i) {
        const auto at = image.Offset(image.FileValue(names + 4 * i, 4));
        if (!at) {
            continue;
        }
        const std::size_t end = file.find('\0', *at);
        if (file.substr(*at, end - *at) == name) {
            return static_cast<std::uint32_t>(
                image.FileValue(functions + 4 * image.FileValue(ordinals + 2 * i, 2), 4));
        }
    }
    return 0;
}

} // namespace testsupport
