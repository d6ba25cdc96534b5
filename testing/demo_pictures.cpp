#include "testing/demo_pictures.h"

#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <jpeglib.h>

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
