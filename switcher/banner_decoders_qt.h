#pragma once

#include <QImage>
#include <cstdint>
#include <string_view>

// The two banner decoders behind LoadBanner. Both take the whole file's bytes
// and give a Format_RGB32 image of at most 468 x 60 pixels (the picture's
// top-left corner), or a null image for anything they cannot trust.
namespace switcher {

// Pictures claiming more than this are refused before any pixel is read, so a
// lying header can never make us allocate much.
inline constexpr std::int64_t kMaxBannerSide = 32768;
inline constexpr std::int64_t kMaxBannerPixels = std::int64_t{1} << 26;

QImage DecodeBmpBanner(std::string_view bytes);
QImage DecodeJpegBanner(std::string_view bytes);

} // namespace switcher
