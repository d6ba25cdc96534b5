// GIF pictures: the header, the logical screen, the colour tables, the
// graphic control extension (for the transparent colour) and the LZW data of
// the first picture. Every count and offset is checked against the file.
#include "switcher/news/gif_decoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>

namespace switcher {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

std::uint32_t Byte(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]);
}

std::uint32_t U16(std::string_view b, std::size_t at) {
    return Byte(b, at) | Byte(b, at + 1) << 8;
}

// The LZW string table: every code is a known code plus one index, so a
// string is written back to front along its prefixes.
struct CodeTable {
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes> first{};
    std::array<std::uint16_t, kMaxCodes> length{};
};

// Decodes colour indices into out[0..count); returns how many were written.
// Stops at the end code, at the end of the data, at a code that names no
// string, or when the picture is full.
std::size_t DecodeLzw(std::string_view data, int minCodeSize, std::uint8_t* out, std::size_t count) {
    auto table = std::make_unique<CodeTable>();
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        table->suffix[i] = static_cast<std::uint8_t>(i);
        table->first[i] = static_cast<std::uint8_t>(i);
        table->length[i] = 1;
    }
    int codeSize = minCodeSize + 1;
    int next = clear + 2;
    int previous = -1;
    std::uint32_t bits = 0;
    int held = 0;
    std::size_t at = 0;
    std::size_t written = 0;
    while (written < count) {
        while (held < codeSize) {
            if (at >= data.size())
                return written;
            bits |= Byte(data, at++) << held;
            held += 8;
        }
        const int code = static_cast<int>(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        held -= codeSize;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            return written;
        if (previous < 0) {
            if (code >= clear)
                return written;
        } else {
            // A code one past the table is the previous string plus its own
            // first index; anything further names nothing.
            if (code > next || (code == next && next >= kMaxCodes))
                return written;
            if (next < kMaxCodes) {
                const int first = code < next ? table->first[code] : table->first[previous];
                table->prefix[next] = static_cast<std::uint16_t>(previous);
                table->suffix[next] = static_cast<std::uint8_t>(first);
                table->first[next] = table->first[previous];
                table->length[next] = static_cast<std::uint16_t>(table->length[previous] + 1);
                ++next;
                if (next == (1 << codeSize) && codeSize < kMaxCodeBits)
                    ++codeSize;
            }
        }
        // Write the string back to front; what lies beyond the picture is dropped.
        const std::size_t length = table->length[code];
        int walk = code;
        for (std::size_t i = length; i-- > 0;) {
            if (written + i < count)
                out[written + i] = table->suffix[walk];
            walk = table->prefix[walk];
        }
        written = std::min(count, written + length);
        previous = code;
    }
    return written;
}

// The screen row of the picture's `stored`-th row.
std::int64_t RowOf(std::int64_t stored, std::int64_t height, bool interlaced) {
    if (!interlaced)
        return stored;
    const std::int64_t pass1 = (height + 7) / 8;
    const std::int64_t pass2 = (height + 3) / 8;
    const std::int64_t pass3 = (height + 1) / 4;
    if (stored < pass1)
        return stored * 8;
    stored -= pass1;
    if (stored < pass2)
        return 4 + stored * 8;
    stored -= pass2;
    if (stored < pass3)
        return 2 + stored * 4;
    return 1 + (stored - pass3) * 2;
}

bool Within(std::int64_t width, std::int64_t height, std::int64_t maxSide, std::int64_t maxPixels) {
    return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide && width * height <= maxPixels;
}

struct ColourTable {
    std::size_t at = 0;
    std::size_t entries = 0;
};

// A colour table announced by `flags` at `pos`; false when the file ends inside it.
bool ReadColourTable(std::string_view b, std::uint32_t flags, std::size_t& pos, ColourTable& table) {
    if ((flags & 0x80) == 0)
        return true;
    const std::size_t entries = std::size_t{2} << (flags & 7);
    if (b.size() - pos < entries * 3)
        return false;
    table = {pos, entries};
    pos += entries * 3;
    return true;
}

// The data sub-blocks from `pos` up to their terminator, joined. A file that
// ends inside them gives what is there.
std::string JoinSubBlocks(std::string_view b, std::size_t& pos) {
    std::string data;
    while (pos < b.size()) {
        const std::size_t size = Byte(b, pos++);
        if (size == 0)
            break;
        const std::size_t take = std::min(size, b.size() - pos);
        data.append(b.substr(pos, take));
        pos += take;
    }
    return data;
}

} // namespace

bool DecodeGif(std::string_view b, std::int64_t maxSide, std::int64_t maxPixels, GifPicture& out) {
    if (b.size() < 13 || (b.substr(0, 6) != "GIF87a" && b.substr(0, 6) != "GIF89a"))
        return false;
    const std::int64_t width = U16(b, 6);
    const std::int64_t height = U16(b, 8);
    if (!Within(width, height, maxSide, maxPixels))
        return false;
    std::size_t pos = 13;
    ColourTable global;
    if (!ReadColourTable(b, Byte(b, 10), pos, global))
        return false;

    int transparent = -1;
    while (pos < b.size()) {
        const std::uint32_t introducer = Byte(b, pos++);
        if (introducer == 0x21) { // an extension: only the graphic control one matters
            if (pos >= b.size())
                return false;
            const std::uint32_t label = Byte(b, pos++);
            if (label == 0xF9 && pos + 5 <= b.size() && Byte(b, pos) >= 4)
                transparent = (Byte(b, pos + 1) & 1) != 0 ? static_cast<int>(Byte(b, pos + 4)) : -1;
            JoinSubBlocks(b, pos);
            continue;
        }
        if (introducer != 0x2C || b.size() - pos < 9)
            return false; // the trailer, or junk, before any picture
        const std::int64_t left = U16(b, pos);
        const std::int64_t top = U16(b, pos + 2);
        const std::int64_t frameWidth = U16(b, pos + 4);
        const std::int64_t frameHeight = U16(b, pos + 6);
        const std::uint32_t flags = Byte(b, pos + 8);
        pos += 9;
        if (!Within(frameWidth, frameHeight, maxSide, maxPixels))
            return false;
        ColourTable local;
        if (!ReadColourTable(b, flags, pos, local))
            return false;
        const ColourTable& colours = local.entries > 0 ? local : global;
        if (colours.entries == 0 || pos >= b.size())
            return false;
        const int minCodeSize = static_cast<int>(Byte(b, pos++));
        if (minCodeSize < 2 || minCodeSize > 8)
            return false;

        const std::string data = JoinSubBlocks(b, pos);
        const auto count = static_cast<std::size_t>(frameWidth * frameHeight);
        std::vector<std::uint8_t> indices(count);
        const std::size_t written = DecodeLzw(data, minCodeSize, indices.data(), count);
        if (written == 0)
            return false;

        out.width = static_cast<int>(width);
        out.height = static_cast<int>(height);
        out.argb.assign(static_cast<std::size_t>(width * height), 0);
        const bool interlaced = (flags & 0x40) != 0;
        for (std::size_t i = 0; i < written; ++i) {
            const auto stored = static_cast<std::int64_t>(i);
            const std::int64_t x = left + stored % frameWidth;
            const std::int64_t y = top + RowOf(stored / frameWidth, frameHeight, interlaced);
            const int index = indices[i];
            if (x >= width || y >= height || index == transparent)
                continue;
            std::uint32_t colour = 0xFF000000; // an index past the table shows black
            if (static_cast<std::size_t>(index) < colours.entries) {
                const std::size_t at = colours.at + static_cast<std::size_t>(index) * 3;
                colour |= Byte(b, at) << 16 | Byte(b, at + 1) << 8 | Byte(b, at + 2);
            }
            out.argb[static_cast<std::size_t>(y * width + x)] = colour;
        }
        return true;
    }
    return false;
}

} // namespace switcher
