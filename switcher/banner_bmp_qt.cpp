// Our own reader for Windows bitmaps: the 12-byte OS/2 core header and the
// 40-byte info header with its later extensions (V2 to V5 only append fields),
// 1/4/8-bit palettes, 16/24/32-bit pixels, plain or with colour masks, stored
// bottom-up or top-down. Compressed (RLE, embedded JPEG/PNG) bitmaps are
// refused. Every offset and size is checked against the file before use.
#include "switcher/banner_decoders_qt.h"
#include "switcher/banner_qt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace switcher {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kInfoWithMasksSize = 52; // V2: the three colour masks inside the header

constexpr std::uint32_t kPlain = 0;          // BI_RGB
constexpr std::uint32_t kBitFields = 3;      // BI_BITFIELDS
constexpr std::uint32_t kAlphaBitFields = 6; // BI_ALPHABITFIELDS

std::uint32_t U16(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

std::uint32_t U32(std::string_view b, std::size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

std::int32_t I32(std::string_view b, std::size_t at) {
    return static_cast<std::int32_t>(U32(b, at));
}

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255.
class Channel {
public:
    explicit Channel(std::uint32_t mask = 0) : m_mask(mask) {
        if (mask == 0)
            return;
        m_shift = std::countr_zero(mask);
        m_max = (std::uint64_t{1} << std::bit_width(mask >> m_shift)) - 1;
    }
    int Extract(std::uint32_t pixel) const {
        if (m_mask == 0)
            return 0;
        return static_cast<int>(((pixel & m_mask) >> m_shift) * 255 / m_max);
    }

private:
    std::uint32_t m_mask;
    int m_shift = 0;
    std::uint64_t m_max = 1;
};

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0; // always positive here; topDown holds the direction
    bool topDown = false;
    std::uint32_t bitCount = 0;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
    std::size_t paletteOffset = 0;
    std::size_t paletteEntries = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t pixelOffset = 0;
    std::int64_t stride = 0;
};

bool ReadCoreHeader(std::string_view b, BmpLayout& l) {
    if (b.size() < kFileHeaderSize + kCoreHeaderSize)
        return false;
    l.width = U16(b, 18);
    l.height = U16(b, 20);
    if (U16(b, 22) != 1)
        return false;
    l.bitCount = U16(b, 24);
    if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 24)
        return false;
    l.paletteOffset = kFileHeaderSize + kCoreHeaderSize;
    l.paletteEntrySize = 3;
    if (l.bitCount <= 8) {
        // The core header has no colour count: the palette runs up to the
        // pixels, at most one entry per possible index.
        if (l.pixelOffset < l.paletteOffset)
            return false;
        l.paletteEntries = std::min<std::size_t>(std::size_t{1} << l.bitCount,
                                                 (l.pixelOffset - l.paletteOffset) / l.paletteEntrySize);
    }
    return true;
}

bool ReadInfoHeader(std::string_view b, std::uint32_t headerSize, BmpLayout& l) {
    if (b.size() - kFileHeaderSize < headerSize)
        return false;
    const std::int32_t width = I32(b, 18);
    const std::int32_t height = I32(b, 22);
    if (width <= 0 || height == 0)
        return false;
    l.width = width;
    l.topDown = height < 0;
    l.height = l.topDown ? -static_cast<std::int64_t>(height) : height;
    if (U16(b, 26) != 1)
        return false;
    l.bitCount = U16(b, 28);
    const std::uint32_t compression = U32(b, 30);
    const std::uint32_t colorsUsed = U32(b, 46);

    std::size_t after = kFileHeaderSize + headerSize;
    switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (compression != kPlain)
            return false;
        break;
    case 16:
        l.masks = {0x7C00, 0x03E0, 0x001F};
        break;
    case 32:
        l.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
        break;
    default:
        return false;
    }
    if (l.bitCount == 16 || l.bitCount == 32) {
        if (compression == kBitFields || compression == kAlphaBitFields) {
            // From V2 on the masks are part of the header; a bare info
            // header is followed by them instead.
            std::size_t maskAt = kFileHeaderSize + kInfoHeaderSize;
            if (headerSize < kInfoWithMasksSize) {
                const std::size_t maskBytes = compression == kAlphaBitFields ? 16 : 12;
                if (b.size() - after < maskBytes)
                    return false;
                maskAt = after;
                after += maskBytes;
            }
            l.masks = {U32(b, maskAt), U32(b, maskAt + 4), U32(b, maskAt + 8)};
        } else if (compression != kPlain) {
            return false;
        }
    }

    l.paletteOffset = after;
    if (l.bitCount <= 8) {
        const std::size_t possible = std::size_t{1} << l.bitCount;
        if (colorsUsed > possible)
            return false;
        l.paletteEntries = colorsUsed == 0 ? possible : colorsUsed;
    }
    return true;
}

bool ReadLayout(std::string_view b, const PictureLimits& limits, BmpLayout& l) {
    if (b.size() < kFileHeaderSize + 4 || b[0] != 'B' || b[1] != 'M')
        return false;
    l.pixelOffset = U32(b, 10);
    const std::uint32_t headerSize = U32(b, 14);
    if (headerSize == kCoreHeaderSize) {
        if (!ReadCoreHeader(b, l))
            return false;
    } else if (headerSize >= kInfoHeaderSize) {
        if (!ReadInfoHeader(b, headerSize, l))
            return false;
    } else {
        return false;
    }

    if (l.width < 1 || l.height < 1 || l.width > limits.maxSide || l.height > limits.maxSide ||
        l.width * l.height > limits.maxPixels)
        return false;
    if (l.bitCount <= 8 && l.paletteEntries == 0)
        return false;

    // Header, masks and palette must all lie before the pixels, and every row
    // must lie inside the file (the last row's padding may be missing).
    const std::size_t paletteEnd = l.paletteOffset + l.paletteEntries * l.paletteEntrySize;
    if (paletteEnd > b.size() || l.pixelOffset < paletteEnd)
        return false;
    l.stride = (l.width * l.bitCount + 31) / 32 * 4;
    const std::int64_t rowBytes = (l.width * l.bitCount + 7) / 8;
    const std::int64_t needed =
        static_cast<std::int64_t>(l.pixelOffset) + l.stride * (l.height - 1) + rowBytes;
    return needed <= static_cast<std::int64_t>(b.size());
}

QRgb PaletteColor(std::string_view b, const BmpLayout& l, std::size_t index) {
    // Indices past the palette's end show black rather than reading beyond it.
    if (index >= l.paletteEntries)
        return qRgb(0, 0, 0);
    const std::size_t at = l.paletteOffset + index * l.paletteEntrySize;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(b[at + i]); };
    return qRgb(byte(2), byte(1), byte(0));
}

void DecodeRow(std::string_view b, const BmpLayout& l, const std::array<Channel, 3>& channels,
               std::size_t rowAt, QRgb* out, int count) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(b[rowAt + i]); };
    for (int x = 0; x < count; ++x) {
        const auto ux = static_cast<std::size_t>(x);
        switch (l.bitCount) {
        case 1:
            out[x] = PaletteColor(b, l, (byte(ux / 8) >> (7 - ux % 8)) & 1);
            break;
        case 4:
            out[x] = PaletteColor(b, l, (byte(ux / 2) >> (ux % 2 == 0 ? 4 : 0)) & 0x0F);
            break;
        case 8:
            out[x] = PaletteColor(b, l, byte(ux));
            break;
        case 24:
            out[x] = qRgb(byte(ux * 3 + 2), byte(ux * 3 + 1), byte(ux * 3));
            break;
        default: {
            const std::uint32_t pixel = l.bitCount == 16 ? U16(b, rowAt + ux * 2) : U32(b, rowAt + ux * 4);
            out[x] = qRgb(channels[0].Extract(pixel), channels[1].Extract(pixel), channels[2].Extract(pixel));
        }
        }
    }
}

} // namespace

QImage DecodeBmp(std::string_view bytes, const PictureLimits& limits) {
    BmpLayout layout;
    if (!ReadLayout(bytes, limits, layout))
        return {};

    const int width = static_cast<int>(std::min<std::int64_t>(layout.width, limits.keepWidth));
    const int height = static_cast<int>(std::min<std::int64_t>(layout.height, limits.keepHeight));
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};

    const std::array<Channel, 3> channels{Channel(layout.masks[0]), Channel(layout.masks[1]),
                                          Channel(layout.masks[2])};
    for (int y = 0; y < height; ++y) {
        const std::int64_t fileRow = layout.topDown ? y : layout.height - 1 - y;
        const auto rowAt =
            static_cast<std::size_t>(static_cast<std::int64_t>(layout.pixelOffset) + fileRow * layout.stride);
        DecodeRow(bytes, layout, channels, rowAt, reinterpret_cast<QRgb*>(image.scanLine(y)), width);
    }
    return image;
}

QImage DecodeBmpBanner(std::string_view bytes) {
    return DecodeBmp(bytes, {kMaxBannerSide, kMaxBannerPixels, kBannerWidth, kBannerHeight});
}

} // namespace switcher
