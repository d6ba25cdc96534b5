// JPEG banners through libjpeg's own interface. libjpeg reports fatal errors
// by calling error_exit, which must not return; ours jumps back out of the
// library, so a corrupt file ends in a null image instead of exit().
#include "switcher/banner_decoders_qt.h"
#include "switcher/banner_qt.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
#include <limits>

namespace switcher {
namespace {

// libjpeg has no backing store here, so with this limit a progressive picture
// that would need huge coefficient buffers fails cleanly instead of allocating.
constexpr long kJpegMemoryLimit = 64L << 20;

struct ErrorManager {
    jpeg_error_mgr base; // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
    bool damaged; // libjpeg warned about corrupt or missing data
};

[[noreturn]] void JumpOut(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
}

// libjpeg papers over damage (a truncated file decodes with grey rows) and
// only warns. A banner that needed that is treated as unreadable; nothing is
// printed either way.
void NoteMessage(j_common_ptr info, int level) {
    if (level < 0)
        reinterpret_cast<ErrorManager*>(info->err)->damaged = true;
}
void SilenceOutput(j_common_ptr) {}

QRgb ToRgb(const JSAMPLE* p, J_COLOR_SPACE space) {
    if (space == JCS_CMYK) {
        // Adobe writes CMYK inverted, and libjpeg passes it through as stored.
        const int k = p[3];
        return qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
    }
    return qRgb(p[0], p[1], p[2]);
}

// Everything between setjmp and the last libjpeg call lives here. Its locals
// are plain values and the caller's objects are reached through references,
// so a jump back skips no destructor and leaves nothing half-updated.
bool Decode(jpeg_decompress_struct& info, ErrorManager& errors, std::string_view bytes,
            const PictureLimits& limits, QImage& out) {
    if (setjmp(errors.jump) != 0)
        return false;

    // Creation clears the structure first, so destroying after a failed
    // creation is safe.
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kJpegMemoryLimit;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    const std::int64_t width = info.image_width;
    const std::int64_t height = info.image_height;
    if (width < 1 || height < 1 || width > limits.maxSide || height > limits.maxSide ||
        width * height > limits.maxPixels)
        return false;

    // Oddities in the headers (an unknown JFIF revision, say) are harmless;
    // only damage in the picture data counts.
    errors.damaged = false;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);

    const int components = info.output_components;
    if ((components != 3 && components != 4) || info.output_width != info.image_width)
        return false;
    const int outWidth = static_cast<int>(std::min<std::int64_t>(width, limits.keepWidth));
    const int outHeight = static_cast<int>(std::min<std::int64_t>(height, limits.keepHeight));
    out = QImage(outWidth, outHeight, QImage::Format_RGB32);
    if (out.isNull())
        return false;

    // The row buffer comes from libjpeg's pool, which jpeg_destroy frees
    // even after a jump (a std::vector here would leak).
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * static_cast<JDIMENSION>(components), 1);
    for (int y = 0; y < outHeight; ++y) {
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            return false;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < outWidth; ++x) {
            line[x] = ToRgb(rows[0] + static_cast<std::size_t>(x) * static_cast<std::size_t>(components),
                            info.out_color_space);
        }
    }
    // The rows below the kept part are never needed; stop without decoding them.
    jpeg_abort_decompress(&info);
    return !errors.damaged;
}

} // namespace

QImage DecodeJpeg(std::string_view bytes, const PictureLimits& limits) {
    if (bytes.size() < 4 || bytes.size() > std::numeric_limits<unsigned long>::max())
        return {};

    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JumpOut;
    errors.base.emit_message = NoteMessage;
    errors.base.output_message = SilenceOutput;

    QImage image;
    const bool ok = Decode(info, errors, bytes, limits, image);
    jpeg_destroy_decompress(&info);
    return ok ? image : QImage();
}

QImage DecodeJpegBanner(std::string_view bytes) {
    return DecodeJpeg(bytes, {kMaxBannerSide, kMaxBannerPixels, kBannerWidth, kBannerHeight});
}

} // namespace switcher
