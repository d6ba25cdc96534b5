#pragma once

#include "switcher/banner_qt.h"
#include "tests/support/fuzz_check.h"

#include <QImage>

namespace testsupport {

// What a decoded banner must be, whatever its file claimed: null, or a
// Format_RGB32 picture within the banner's 468 x 60 pixels.
inline void CheckDecodedBanner(const QImage& image) {
    if (image.isNull())
        return;
    Check(image.format() == QImage::Format_RGB32 && image.width() >= 1 && image.height() >= 1 &&
          image.width() <= switcher::kBannerWidth && image.height() <= switcher::kBannerHeight);
    // Every pixel was written as opaque RGB (Format_RGB32 requires alpha
    // 0xFF); reading them all also turns a short scan line into a report.
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            Check(qAlpha(line[x]) == 255);
    }
}

} // namespace testsupport
