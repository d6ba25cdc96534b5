#pragma once

#include <QImage>
#include <cstdint>
#include <string_view>

// The picture decoders of our own: BMP and JPEG for the mod banners, and the
// same two for the news box's pictures. Each takes the whole file's bytes and
// gives a Format_RGB32 image, or a null image for anything it cannot trust.
namespace switcher {

// What a decoder accepts and keeps. Pictures claiming a larger side or area
// are refused before any pixel is read, so a lying header can never make us
// allocate much; of the rest only the top-left keepWidth x keepHeight pixels
// are decoded.
struct PictureLimits {
    std::int64_t maxSide;
    std::int64_t maxPixels;
    int keepWidth;
    int keepHeight;
};

inline constexpr std::int64_t kMaxBannerSide = 32768;
inline constexpr std::int64_t kMaxBannerPixels = std::int64_t{1} << 26;

QImage DecodeBmp(std::string_view bytes, const PictureLimits& limits);
QImage DecodeJpeg(std::string_view bytes, const PictureLimits& limits);

// A banner: at most 468 x 60 pixels, the picture's top-left corner.
QImage DecodeBmpBanner(std::string_view bytes);
QImage DecodeJpegBanner(std::string_view bytes);

} // namespace switcher
