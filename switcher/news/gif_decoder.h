#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace switcher {

// The first picture of a GIF (87a or 89a), drawn on the file's logical
// screen: pixels outside the picture and pixels of its transparent colour
// stay transparent. Later pictures of an animation are not read.
struct GifPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // 0xAARRGGBB, rows top to bottom
};

// Decodes `bytes` into `out`. A screen or first picture wider or higher than
// `maxSide`, or larger than `maxPixels`, is refused before anything is
// allocated, as is a file without a colour table or without a picture. The
// work is bounded by the file's size plus the screen's and the picture's
// area: compressed data beyond the picture's last pixel is not decoded. A
// picture whose data ends early keeps the rows it has (as browsers show it).
bool DecodeGif(std::string_view bytes, std::int64_t maxSide, std::int64_t maxPixels, GifPicture& out);

} // namespace switcher
