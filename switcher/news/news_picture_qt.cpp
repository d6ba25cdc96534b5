#include "switcher/news/news_picture_qt.h"

#include "switcher/banner_decoders_qt.h"
#include "switcher/news/gif_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstring>

namespace switcher {
namespace {

constexpr PictureLimits kNewsLimits{kMaxNewsPictureSide, kMaxNewsPicturePixels, kMaxNewsPictureSide,
                                    kMaxNewsPictureSide};

bool StartsWith(std::string_view bytes, std::string_view magic) {
    return bytes.substr(0, magic.size()) == magic;
}

bool Within(const QSize& size) {
    return size.width() >= 1 && size.height() >= 1 && size.width() <= kMaxNewsPictureSide &&
           size.height() <= kMaxNewsPictureSide &&
           std::int64_t{size.width()} * size.height() <= kMaxNewsPicturePixels;
}

QImage ReadPng(std::string_view bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    // The header's size is checked before any pixel is allocated.
    if (!Within(reader.size()))
        return {};
    QImage image = reader.read();
    if (image.isNull() || !Within(image.size()))
        return {};
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage ReadGif(std::string_view bytes) {
    GifPicture picture;
    if (!DecodeGif(bytes, kMaxNewsPictureSide, kMaxNewsPicturePixels, picture))
        return {};
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    const auto width = static_cast<std::size_t>(picture.width);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), picture.argb.data() + static_cast<std::size_t>(y) * width,
                    width * sizeof(std::uint32_t));
    return image;
}

} // namespace

PictureKind SniffPicture(std::string_view bytes) {
    if (StartsWith(bytes, "\x89PNG\r\n\x1a\n"))
        return PictureKind::kPng;
    if (StartsWith(bytes, "\xFF\xD8\xFF"))
        return PictureKind::kJpeg;
    if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a"))
        return PictureKind::kGif;
    if (StartsWith(bytes, "BM"))
        return PictureKind::kBmp;
    return PictureKind::kUnknown;
}

QImage ReadNewsPicture(std::string_view bytes) {
    if (bytes.size() > kMaxNewsPictureBytes)
        return {};
    switch (SniffPicture(bytes)) {
    case PictureKind::kPng:
        return ReadPng(bytes);
    case PictureKind::kJpeg:
        return DecodeJpeg(bytes, kNewsLimits);
    case PictureKind::kGif:
        return ReadGif(bytes);
    case PictureKind::kBmp:
        return DecodeBmp(bytes, kNewsLimits);
    case PictureKind::kUnknown:
        break;
    }
    return {};
}

} // namespace switcher
