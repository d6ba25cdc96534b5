#include "switcher/banner_qt.h"

#include "common/ascii_case.h"
#include "common/file_system.h"
#include "switcher/banner_decoders_qt.h"

#include <cstdint>

namespace switcher {
namespace {

// No real banner comes near this; it keeps a mistaken path to some huge file
// from being read into memory.
constexpr std::uint64_t kMaxBannerFileSize = 64u << 20;

enum class BannerKind { kNone, kBmp, kJpeg };

BannerKind KindOf(const std::string& path) {
    const auto nameStart = path.find_last_of("\\/");
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart))
        return BannerKind::kNone;
    const std::string ext = common::LowerAscii(std::string_view(path).substr(dot + 1));
    if (ext == "bmp")
        return BannerKind::kBmp;
    if (ext == "jpg" || ext == "jpeg")
        return BannerKind::kJpeg;
    return BannerKind::kNone;
}

} // namespace

QImage LoadBanner(const std::string& path) {
    const BannerKind kind = KindOf(path);
    if (kind == BannerKind::kNone)
        return {};

    std::string bytes;
    if (!common::ReadWholeFile(path, bytes, kMaxBannerFileSize))
        return {};
    return kind == BannerKind::kBmp ? DecodeBmpBanner(bytes) : DecodeJpegBanner(bytes);
}

} // namespace switcher
