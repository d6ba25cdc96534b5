#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace switcher {

// The pictures of a news page come from the network, so they are read by
// what their bytes are: neither the server's content type nor the address's
// ending is trusted. The news box is 113 pixels wide; these bounds leave room
// for any picture a page shows there and keep a hostile one cheap.
inline constexpr std::size_t kMaxNewsPictureBytes = std::size_t{2} << 20;
inline constexpr std::int64_t kMaxNewsPictureSide = 4096;
inline constexpr std::int64_t kMaxNewsPicturePixels = std::int64_t{1} << 21;

enum class PictureKind { kUnknown, kPng, kJpeg, kGif, kBmp };

// The kind that the first bytes announce.
PictureKind SniffPicture(std::string_view bytes);

// A PNG, JPEG, GIF (its first picture) or BMP within the bounds above, as a
// Format_RGB32 or Format_ARGB32 image; a null image for anything else.
// PNG goes through Qt's built-in reader; the others through our own decoders
// (a static Qt carries no image format plugins).
QImage ReadNewsPicture(std::string_view bytes);

} // namespace switcher
