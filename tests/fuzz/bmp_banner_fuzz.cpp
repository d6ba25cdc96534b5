// The BMP banner decoder: any bytes give a null image or a Format_RGB32
// picture within the banner's 468 x 60 pixels, whatever size the file claims.
#include "switcher/banner_decoders_qt.h"
#include "switcher/banner_qt.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QImage image =
        switcher::DecodeBmpBanner(std::string_view(reinterpret_cast<const char*>(data), size));
    if (image.isNull())
        return 0;
    if (image.format() != QImage::Format_RGB32 || image.width() < 1 || image.height() < 1 ||
        image.width() > switcher::kBannerWidth || image.height() > switcher::kBannerHeight)
        __builtin_trap();
    // Every pixel was written as opaque RGB (Format_RGB32 requires alpha
    // 0xFF); reading them all also turns a short scan line into a report.
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                __builtin_trap();
        }
    }
    return 0;
}
