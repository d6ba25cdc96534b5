#pragma once

#include <QImage>
#include <string>

namespace switcher {

// Decodes a mod's banner picture, chosen by the file's extension: ".bmp" by
// our own reader, ".jpg"/".jpeg" through libjpeg. Anything unreadable,
// truncated, corrupt or claiming absurd dimensions gives a null image ("no
// banner"). Only the top-left 468 x 60 pixels are shown, so only they are kept.
QImage LoadBanner(const std::string& path);

inline constexpr int kBannerWidth = 468;
inline constexpr int kBannerHeight = 60;

} // namespace switcher
