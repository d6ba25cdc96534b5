// The reader of the news page's pictures: any bytes give a null image or a
// picture of the kind the first bytes announce, within the news bounds, in
// one of the two formats the view expects. Unknown bytes never decode.
#include "switcher/news/news_picture_qt.h"
#include "tests/support/fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using testsupport::Check;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const QImage image = switcher::ReadNewsPicture(bytes);
    if (image.isNull())
        return 0;
    const switcher::PictureKind kind = switcher::SniffPicture(bytes);
    Check(kind != switcher::PictureKind::kUnknown);
    Check(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
    Check(image.width() >= 1 && image.height() >= 1 && image.width() <= switcher::kMaxNewsPictureSide &&
          image.height() <= switcher::kMaxNewsPictureSide &&
          std::int64_t{image.width()} * image.height() <= switcher::kMaxNewsPicturePixels);
    if (kind == switcher::PictureKind::kGif)
        Check(image.width() == (data[6] | data[7] << 8) && image.height() == (data[8] | data[9] << 8));
    // An opaque format holds opaque pixels only; reading them all also turns
    // a short scan line into a report.
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            Check(image.format() != QImage::Format_RGB32 || qAlpha(line[x]) == 255);
    }
    return 0;
}
