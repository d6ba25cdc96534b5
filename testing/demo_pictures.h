#pragma once

#include <cstdint>
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

} // namespace demo
