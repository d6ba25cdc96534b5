#include "testing/demo_pictures.h"

#include <algorithm>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <initializer_list>
#include <jpeglib.h>
#include <map>
#include <string_view>
#include <utility>

namespace demo {
namespace {

// 16 x 16 is one JPEG colour block with 2x2 chroma subsampling, so a block of
// that size at the origin comes out of the encoder in its own colour.
constexpr int kCornerBlock = 16;

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

Picture MakeBanner(std::uint32_t corner, int width, int height) {
    Picture p{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    const auto channel = [&](int shift) { return static_cast<int>((corner >> shift) & 0xFF); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = corner;
            if (x >= kCornerBlock || y >= kCornerBlock) {
                // The corner colour fading to the right, with soft diagonal bands.
                const int fade = 100 - 60 * x / (width > 1 ? width - 1 : 1);
                const int band = ((x + 2 * y) / 12) % 2 ? 100 : 85;
                pixel = 0;
                for (int shift : {16, 8, 0}) {
                    pixel |= static_cast<std::uint32_t>(channel(shift) * fade * band / 10000) << shift;
                }
            }
            p.pixels[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    return p;
}

std::string EncodeBmp(const Picture& picture) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(picture.width) * 3 + 3) / 4 * 4;
    const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(picture.height);
    const std::uint32_t offset = 14 + 40;
    std::string out;
    out.reserve(offset + dataSize);
    out += "BM";
    PutLe(out, offset + dataSize, 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(picture.width), 4);
    PutLe(out, static_cast<std::uint32_t>(picture.height), 4);
    PutLe(out, 1, 2);  // planes
    PutLe(out, 24, 2); // bits per pixel
    PutLe(out, 0, 4);  // uncompressed
    PutLe(out, dataSize, 4);
    PutLe(out, 2835, 4); // 72 dpi
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
            PutLe(out, p & 0xFFFFFF, 3); // blue, green, red
        }
        out.append(rowStart + stride - out.size(), '\0');
    }
    return out;
}

std::string EncodeJpeg(const Picture& picture, int quality) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(picture.width) * 3);
    while (info.next_scanline < info.image_height) {
        const std::size_t y = info.next_scanline;
        for (std::size_t x = 0; x < static_cast<std::size_t>(picture.width); ++x) {
            const std::uint32_t p = picture.pixels[y * picture.width + x];
            row[x * 3] = static_cast<JSAMPLE>(p >> 16);
            row[x * 3 + 1] = static_cast<JSAMPLE>(p >> 8);
            row[x * 3 + 2] = static_cast<JSAMPLE>(p);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

} // namespace demo

namespace demo {
namespace {

void PutBe(std::string& out, std::uint32_t value) {
    for (int shift : {24, 16, 8, 0})
        out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void PutChunk(std::string& out, std::string_view type, std::string_view data) {
    PutBe(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type) + std::string(data);
    out += typed;
    PutBe(out, Crc32(typed));
}

// Codes of growing width, least significant bit first, as GIF packs them.
class CodeWriter {
public:
    void Put(int code, int bits) {
        m_bits |= static_cast<std::uint32_t>(code) << m_held;
        m_held += bits;
        while (m_held >= 8) {
            m_bytes += static_cast<char>(m_bits & 0xFF);
            m_bits >>= 8;
            m_held -= 8;
        }
    }
    std::string Finish() {
        if (m_held > 0)
            m_bytes += static_cast<char>(m_bits & 0xFF);
        return m_bytes;
    }

private:
    std::string m_bytes;
    std::uint32_t m_bits = 0;
    int m_held = 0;
};

// LZW as GIF uses it (minimum code size 8): the table grows the code width
// up to 12 bits and starts again with a clear code when it is full.
std::string CompressLzw(const std::vector<std::uint8_t>& indices) {
    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    CodeWriter out;
    std::map<std::uint32_t, int> table;
    int codeSize = 9;
    int next = kEnd + 1;
    out.Put(kClear, codeSize);
    int prefix = indices.empty() ? -1 : indices[0];
    const auto emit = [&](int code) {
        out.Put(code, codeSize);
        ++next; // the decoder adds its entry as it reads this code
        if (next == 4096) {
            out.Put(kClear, codeSize);
            table.clear();
            codeSize = 9;
            next = kEnd + 1;
        } else if (next > (1 << codeSize) && codeSize < 12) {
            ++codeSize;
        }
    };
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | indices[i];
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        const int entry = next;
        emit(prefix);
        if (next == entry + 1) // not just cleared
            table[key] = entry;
        prefix = indices[i];
    }
    if (prefix >= 0)
        emit(prefix);
    out.Put(kEnd, codeSize);
    return out.Finish();
}

} // namespace

std::string EncodePng(const Picture& picture) {
    std::string raw;
    for (int y = 0; y < picture.height; ++y) {
        raw += '\0'; // filter: none
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
            raw += static_cast<char>(p >> 16);
            raw += static_cast<char>(p >> 8);
            raw += static_cast<char>(p);
        }
    }
    std::string zlib = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (char c : raw) {
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t size = std::min<std::size_t>(65535, raw.size() - at);
        zlib += static_cast<char>(at + size >= raw.size() ? 1 : 0);
        PutLe(zlib, static_cast<std::uint32_t>(size), 2);
        PutLe(zlib, static_cast<std::uint32_t>(~size & 0xFFFF), 2);
        zlib.append(raw, at, size);
        if (raw.empty())
            break;
    }
    PutBe(zlib, b << 16 | a);

    std::string header;
    PutBe(header, static_cast<std::uint32_t>(picture.width));
    PutBe(header, static_cast<std::uint32_t>(picture.height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB
    std::string out = "\x89PNG\r\n\x1a\n";
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", "");
    return out;
}

std::string EncodeGif(const Picture& picture, bool interlaced, std::optional<std::uint32_t> transparent) {
    std::map<std::uint32_t, std::uint8_t> colours;
    for (std::uint32_t p : picture.pixels) {
        if (colours.size() > 256)
            break;
        colours.emplace(p & 0xFFFFFF, 0);
    }
    const bool exact = colours.size() <= 256;
    std::vector<std::uint32_t> palette;
    if (exact) {
        for (auto& [colour, index] : colours) {
            index = static_cast<std::uint8_t>(palette.size());
            palette.push_back(colour);
        }
    } else {
        for (std::uint32_t i = 0; i < 256; ++i)
            palette.push_back((i >> 5) * 255 / 7 << 16 | ((i >> 2) & 7) * 255 / 7 << 8 | (i & 3) * 255 / 3);
    }
    const auto indexOf = [&](std::uint32_t p) -> std::uint8_t {
        p &= 0xFFFFFF;
        if (exact)
            return colours.at(p);
        return static_cast<std::uint8_t>((p >> 21) << 5 | ((p >> 13) & 7) << 2 | ((p >> 6) & 3));
    };
    palette.resize(256, 0);

    std::vector<std::uint8_t> indices;
    std::vector<int> rows;
    if (interlaced) {
        for (const auto& [start, step] :
             std::initializer_list<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = start; y < picture.height; y += step)
                rows.push_back(y);
    } else {
        for (int y = 0; y < picture.height; ++y)
            rows.push_back(y);
    }
    for (int y : rows)
        for (int x = 0; x < picture.width; ++x)
            indices.push_back(indexOf(picture.pixels[static_cast<std::size_t>(y) * picture.width + x]));

    std::string out = "GIF89a";
    PutLe(out, static_cast<std::uint32_t>(picture.width), 2);
    PutLe(out, static_cast<std::uint32_t>(picture.height), 2);
    out += static_cast<char>(0xF7); // a global table of 256 colours
    out += '\0';
    out += '\0';
    for (std::uint32_t colour : palette)
        PutLe(out, (colour >> 16 & 0xFF) | (colour & 0xFF00) | (colour & 0xFF) << 16, 3);
    if (transparent) {
        out += "\x21\xF9\x04\x01";
        PutLe(out, 0, 2);
        out += static_cast<char>(indexOf(*transparent));
        out += '\0';
    }
    out += '\x2C';
    PutLe(out, 0, 4); // left, top
    PutLe(out, static_cast<std::uint32_t>(picture.width), 2);
    PutLe(out, static_cast<std::uint32_t>(picture.height), 2);
    out += static_cast<char>(interlaced ? 0x40 : 0);
    out += '\x08';
    const std::string data = CompressLzw(indices);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t size = std::min<std::size_t>(255, data.size() - at);
        out += static_cast<char>(size);
        out.append(data, at, size);
    }
    out += '\0';
    out += '\x3B';
    return out;
}

} // namespace demo
