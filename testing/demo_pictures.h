#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace demo {

// An RGB picture, rows top to bottom, pixels 0xRRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// A banner-sized picture: a solid block of `corner` at the top-left (large
// enough to survive JPEG compression unchanged), then a colour pattern.
Picture MakeBanner(std::uint32_t corner, int width, int height);

// A 24-bit bottom-up Windows bitmap with a 40-byte info header.
std::string EncodeBmp(const Picture& picture);
// A baseline JPEG of the given quality (1..100).
std::string EncodeJpeg(const Picture& picture, int quality);
// A PNG (8-bit RGB, no filter, stored deflate blocks): exact pixels, no zlib needed.
std::string EncodePng(const Picture& picture);
// A GIF89a with one LZW-compressed picture. Up to 256 colours are kept
// exactly; a picture with more is reduced to 3-3-2 bits of red, green, blue.
// `transparent` (a colour of the picture) becomes the transparent colour.
std::string EncodeGif(const Picture& picture, bool interlaced = false,
                      std::optional<std::uint32_t> transparent = std::nullopt);

} // namespace demo
