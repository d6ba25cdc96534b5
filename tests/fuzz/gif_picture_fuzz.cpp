// The GIF decoder: any bytes are refused or give the logical screen that the
// header names, within the bounds, every pixel opaque or fully transparent.
#include "switcher/news/gif_decoder.h"
#include "tests/support/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using testsupport::Check;
    constexpr std::int64_t kSide = 1024;
    constexpr std::int64_t kPixels = 1 << 16;
    switcher::GifPicture out;
    if (!switcher::DecodeGif(std::string_view(reinterpret_cast<const char*>(data), size), kSide, kPixels,
                             out))
        return 0;
    Check(size >= 13);
    Check(out.width == (data[6] | data[7] << 8) && out.height == (data[8] | data[9] << 8));
    Check(out.width >= 1 && out.height >= 1 && out.width <= kSide && out.height <= kSide &&
          std::int64_t{out.width} * out.height <= kPixels);
    Check(out.argb.size() == static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (std::uint32_t pixel : out.argb)
        Check(pixel >> 24 == 0xFF || pixel == 0);
    return 0;
}
