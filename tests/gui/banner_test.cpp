// Banner decoding: BMP variants built byte by byte here, JPEGs encoded here
// with libjpeg, the demo installation's banners, and a range of broken files.
#include "switcher/banner_decoders_qt.h"
#include "switcher/banner_qt.h"
#include "testing/demo_layout.h"
#include "tests/support/temp_dir.h"

#include <QProcess>
#include <QtTest>
#include <array>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <random>
#include <string>
#include <vector>

using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PokeLe(std::string& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// What to write into a test bitmap. `value(x, y)` gives a palette index for
// 1/4/8 bits, 0xRRGGBB for 24 bits and the raw pixel for 16/32 bits, with y
// counted from the top of the picture.
struct BmpShape {
    int width = 4;
    int height = 3; // negative: stored top-down
    int bits = 24;
    std::uint32_t headerSize = 40;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette; // 0xRRGGBB
    std::vector<std::uint32_t> masks;   // written after a 40-byte header, or inside a larger one
};

std::string BuildBmp(const BmpShape& s, const std::function<std::uint32_t(int, int)>& value) {
    const bool core = s.headerSize == 12;
    const int rows = std::abs(s.height);
    const std::uint32_t stride = (static_cast<std::uint32_t>(s.width * s.bits) + 31) / 32 * 4;
    const std::uint32_t extraMasks = s.headerSize == 40 ? static_cast<std::uint32_t>(s.masks.size()) * 4 : 0;
    const std::uint32_t paletteBytes = static_cast<std::uint32_t>(s.palette.size()) * (core ? 3 : 4);
    const std::uint32_t offset = 14 + s.headerSize + extraMasks + paletteBytes;

    std::string out = "BM";
    PutLe(out, offset + stride * static_cast<std::uint32_t>(rows), 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, s.headerSize, 4);
    if (core) {
        PutLe(out, static_cast<std::uint32_t>(s.width), 2);
        PutLe(out, static_cast<std::uint32_t>(s.height), 2);
        PutLe(out, 1, 2);
        PutLe(out, static_cast<std::uint32_t>(s.bits), 2);
    } else {
        PutLe(out, static_cast<std::uint32_t>(s.width), 4);
        PutLe(out, static_cast<std::uint32_t>(s.height), 4);
        PutLe(out, 1, 2);
        PutLe(out, static_cast<std::uint32_t>(s.bits), 2);
        PutLe(out, s.compression, 4);
        PutLe(out, stride * static_cast<std::uint32_t>(rows), 4);
        PutLe(out, 2835, 4);
        PutLe(out, 2835, 4);
        PutLe(out, s.colorsUsed, 4);
        PutLe(out, 0, 4);
        std::string rest(s.headerSize - 40, '\0');
        if (s.headerSize >= 52) {
            for (std::size_t i = 0; i < s.masks.size() && i < 4; ++i)
                PokeLe(rest, i * 4, s.masks[i], 4);
        }
        out += rest;
        if (s.headerSize == 40) {
            for (std::uint32_t m : s.masks)
                PutLe(out, m, 4);
        }
    }
    for (std::uint32_t c : s.palette)
        PutLe(out, c, core ? 3 : 4);

    for (int fileRow = 0; fileRow < rows; ++fileRow) {
        const int y = s.height > 0 ? rows - 1 - fileRow : fileRow;
        std::string row;
        std::uint32_t bitBuffer = 0;
        int bitCount = 0;
        for (int x = 0; x < s.width; ++x) {
            const std::uint32_t v = value(x, y);
            if (s.bits < 8) {
                bitBuffer = bitBuffer << s.bits | v;
                bitCount += s.bits;
                if (bitCount == 8) {
                    row += static_cast<char>(bitBuffer);
                    bitBuffer = 0;
                    bitCount = 0;
                }
            } else {
                PutLe(row, v, s.bits / 8);
            }
        }
        if (bitCount > 0)
            row += static_cast<char>(bitBuffer << (8 - bitCount));
        row.resize(stride, '\0');
        out += row;
    }
    return out;
}

// A colour that encodes the position, so clipping and row order show.
std::uint32_t PositionColor(int x, int y) {
    return static_cast<std::uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x >> 8) * 16 + 5));
}

std::string EncodeJpeg(int width, int height, const std::function<std::uint32_t(int, int)>& color,
                       bool grayscale = false, bool progressive = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = grayscale ? 1 : 3;
    info.in_color_space = grayscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = color(x, y);
            if (grayscale) {
                row[x] = static_cast<JSAMPLE>(c & 0xFF);
            } else {
                row[x * 3] = static_cast<JSAMPLE>(c >> 16);
                row[x * 3 + 1] = static_cast<JSAMPLE>(c >> 8);
                row[x * 3 + 2] = static_cast<JSAMPLE>(c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

// Four solid 16 x 16 quadrant colours survive JPEG compression almost exactly.
std::uint32_t Quadrants(int x, int y) {
    static constexpr std::array<std::uint32_t, 4> kColors{0xC02020, 0x20C020, 0x2020C0, 0xE0E040};
    return kColors[static_cast<std::size_t>((x / 16) % 2 + 2 * ((y / 16) % 2))];
}

std::uint32_t Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 12) {
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance)
            return false;
    }
    return true;
}

QImage LoadBytes(const TempDir& dir, const std::string& name, const std::string& bytes) {
    WriteBytes(dir.path() / name, bytes);
    return switcher::LoadBanner(dir / name);
}

// A picture too large for a banner, or nothing at all: either way, no more
// than the banner's size may come out.
bool WithinBanner(const QImage& image) {
    return image.isNull() ||
           (image.width() <= switcher::kBannerWidth && image.height() <= switcher::kBannerHeight &&
            image.format() == QImage::Format_RGB32);
}

} // namespace

class BannerTest : public QObject {
    Q_OBJECT

private slots:
    void bitmapsOfEveryDepth();
    void bitmapsAreClippedToTheTopLeftCorner();
    void jpegsAreDecodedAndClipped();
    void extensionChoosesTheDecoder();
    void demoInstallationBannersShowTheirCornerColours();
    void brokenBitmapsGiveNoBanner();
    void brokenJpegsGiveNoBanner();
    void mutatedFilesNeverCrash();
};

void BannerTest::bitmapsOfEveryDepth() {
    TempDir dir;

    // 24 bits, bottom-up, with row padding (width 5 -> 15 bytes + 1 pad).
    BmpShape s24;
    s24.width = 5;
    s24.height = 3;
    QImage image = LoadBytes(dir, "b24.bmp", BuildBmp(s24, PositionColor));
    QCOMPARE(image.size(), QSize(5, 3));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(Rgb(image, 0, 0), PositionColor(0, 0));
    QCOMPARE(Rgb(image, 4, 2), PositionColor(4, 2));
    QCOMPARE(Rgb(image, 3, 1), PositionColor(3, 1));

    // The same picture stored top-down gives the same image.
    BmpShape topDown = s24;
    topDown.height = -3;
    QCOMPARE(LoadBytes(dir, "top.bmp", BuildBmp(topDown, PositionColor)), image);

    // 8 bits with a short palette (colorsUsed = 3).
    BmpShape s8;
    s8.width = 6;
    s8.height = 2;
    s8.bits = 8;
    s8.palette = {0x112233, 0x445566, 0x778899};
    s8.colorsUsed = 3;
    image =
        LoadBytes(dir, "b8.bmp", BuildBmp(s8, [](int x, int) { return static_cast<std::uint32_t>(x % 3); }));
    QCOMPARE(image.size(), QSize(6, 2));
    QCOMPARE(Rgb(image, 0, 1), 0x112233u);
    QCOMPARE(Rgb(image, 4, 0), 0x445566u);
    QCOMPARE(Rgb(image, 5, 1), 0x778899u);
    // An index just past a short palette shows black instead of reading the
    // pixel bytes that follow it.
    image = LoadBytes(dir, "b8over.bmp", BuildBmp(s8, [](int, int) { return 3u; }));
    QCOMPARE(Rgb(image, 0, 0), 0u);

    // 1 and 4 bits: several pixels share a byte, most significant bits first.
    BmpShape s1;
    s1.width = 11;
    s1.height = 2;
    s1.bits = 1;
    s1.palette = {0x000000, 0xFFFFFF};
    image = LoadBytes(dir, "b1.bmp",
                      BuildBmp(s1, [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 2); }));
    QCOMPARE(Rgb(image, 0, 0), 0u);
    QCOMPARE(Rgb(image, 1, 0), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 10, 1), 0xFFFFFFu);
    BmpShape s4 = s1;
    s4.bits = 4;
    s4.palette.resize(16);
    for (std::uint32_t i = 0; i < 16; ++i)
        s4.palette[i] = i * 0x101010;
    image = LoadBytes(dir, "b4.bmp", BuildBmp(s4, [](int x, int) { return static_cast<std::uint32_t>(x); }));
    QCOMPARE(Rgb(image, 9, 0), 9 * 0x101010u);
    QCOMPARE(Rgb(image, 10, 1), 10 * 0x101010u);

    // 16 bits: plain is 5-5-5; with masks 5-6-5. Full channels scale to 255.
    BmpShape s16;
    s16.width = 3;
    s16.height = 1;
    s16.bits = 16;
    const std::array<std::uint32_t, 3> p555{0x7C00, 0x03E0, 0x001F};
    image = LoadBytes(dir, "b16.bmp", BuildBmp(s16, [&](int x, int) { return p555[x]; }));
    QCOMPARE(Rgb(image, 0, 0), 0xFF0000u);
    QCOMPARE(Rgb(image, 1, 0), 0x00FF00u);
    QCOMPARE(Rgb(image, 2, 0), 0x0000FFu);
    s16.compression = 3;
    s16.masks = {0xF800, 0x07E0, 0x001F};
    image = LoadBytes(dir, "b565.bmp", BuildBmp(s16, [](int x, int) {
                          return x == 0 ? 0xF800u : x == 1 ? 0x0400u : 0x0010u;
                      }));
    QCOMPARE(Rgb(image, 0, 0), 0xFF0000u);
    QVERIFY(Near(Rgb(image, 1, 0), 0x008200, 2));
    QVERIFY(Near(Rgb(image, 2, 0), 0x000084, 2));

    // 32 bits: plain BGRX, and a V5 header whose masks put red in the low byte.
    BmpShape s32;
    s32.width = 2;
    s32.height = 2;
    s32.bits = 32;
    image = LoadBytes(dir, "b32.bmp", BuildBmp(s32, PositionColor));
    QCOMPARE(Rgb(image, 1, 1), PositionColor(1, 1));
    s32.headerSize = 124;
    s32.compression = 3;
    s32.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    image = LoadBytes(dir, "b32v5.bmp", BuildBmp(s32, [](int, int) { return 0x00563412u; }));
    QCOMPARE(Rgb(image, 0, 0), 0x123456u);

    // A V4 header without masks reads like the plain info header.
    BmpShape v4 = s24;
    v4.headerSize = 108;
    QCOMPARE(LoadBytes(dir, "v4.bmp", BuildBmp(v4, PositionColor)),
             LoadBytes(dir, "b24.bmp", BuildBmp(s24, PositionColor)));

    // The OS/2 core header: 16-bit sizes, 3-byte palette entries.
    BmpShape core;
    core.headerSize = 12;
    core.width = 3;
    core.height = 2;
    core.bits = 8;
    core.palette = {0xAA0000, 0x00BB00};
    image = LoadBytes(dir, "core.bmp",
                      BuildBmp(core, [](int x, int) { return static_cast<std::uint32_t>(x % 2); }));
    QCOMPARE(image.size(), QSize(3, 2));
    QCOMPARE(Rgb(image, 0, 0), 0xAA0000u);
    QCOMPARE(Rgb(image, 1, 1), 0x00BB00u);
}

void BannerTest::bitmapsAreClippedToTheTopLeftCorner() {
    TempDir dir;
    BmpShape big;
    big.width = 600;
    big.height = 100;
    QImage image = LoadBytes(dir, "big.bmp", BuildBmp(big, PositionColor));
    QCOMPARE(image.size(), QSize(468, 60));
    QCOMPARE(Rgb(image, 0, 0), PositionColor(0, 0));
    QCOMPARE(Rgb(image, 467, 59), PositionColor(467, 59));
    QCOMPARE(Rgb(image, 300, 7), PositionColor(300, 7));

    big.height = -100;
    QCOMPARE(LoadBytes(dir, "bigtop.bmp", BuildBmp(big, PositionColor)), image);

    // Narrow but tall, and wide but short: each side is clipped on its own.
    BmpShape tall;
    tall.width = 10;
    tall.height = 2000;
    image = LoadBytes(dir, "tall.bmp", BuildBmp(tall, PositionColor));
    QCOMPARE(image.size(), QSize(10, 60));
    QCOMPARE(Rgb(image, 9, 59), PositionColor(9, 59));
    BmpShape wide;
    wide.width = 3000;
    wide.height = 1;
    image = LoadBytes(dir, "wide.bmp", BuildBmp(wide, PositionColor));
    QCOMPARE(image.size(), QSize(468, 1));
    QCOMPARE(Rgb(image, 467, 0), PositionColor(467, 0));

    // Exactly banner-sized.
    BmpShape exact;
    exact.width = 468;
    exact.height = 60;
    QCOMPARE(LoadBytes(dir, "exact.bmp", BuildBmp(exact, PositionColor)).size(), QSize(468, 60));
}

void BannerTest::jpegsAreDecodedAndClipped() {
    TempDir dir;
    QImage image = LoadBytes(dir, "banner.jpg", EncodeJpeg(468, 60, Quadrants));
    QCOMPARE(image.size(), QSize(468, 60));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QVERIFY(Near(Rgb(image, 4, 4), Quadrants(4, 4)));
    QVERIFY(Near(Rgb(image, 20, 4), Quadrants(20, 4)));
    QVERIFY(Near(Rgb(image, 4, 20), Quadrants(4, 20)));
    QVERIFY(Near(Rgb(image, 20, 20), Quadrants(20, 20)));

    image = LoadBytes(dir, "small.jpeg", EncodeJpeg(40, 20, Quadrants));
    QCOMPARE(image.size(), QSize(40, 20));
    QVERIFY(Near(Rgb(image, 36, 2), Quadrants(36, 2)));

    // Larger pictures keep their top-left corner; rows below 60 are never decoded.
    image = LoadBytes(dir, "large.jpg", EncodeJpeg(700, 400, Quadrants));
    QCOMPARE(image.size(), QSize(468, 60));
    QVERIFY(Near(Rgb(image, 460, 52), Quadrants(460, 52)));

    // Grayscale and progressive files are shown too.
    image = LoadBytes(dir, "gray.jpg",
                      EncodeJpeg(
                          32, 32, [](int x, int) { return x < 16 ? 0x40u : 0xC0u; }, true));
    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY(Near(Rgb(image, 4, 4), 0x404040));
    QVERIFY(Near(Rgb(image, 28, 4), 0xC0C0C0));
    image = LoadBytes(dir, "progressive.jpg", EncodeJpeg(500, 80, Quadrants, false, true));
    QCOMPARE(image.size(), QSize(468, 60));
    QVERIFY(Near(Rgb(image, 20, 20), Quadrants(20, 20)));
}

void BannerTest::extensionChoosesTheDecoder() {
    TempDir dir;
    BmpShape s;
    const std::string bmp = BuildBmp(s, PositionColor);
    const std::string jpeg = EncodeJpeg(32, 32, Quadrants);

    QCOMPARE(LoadBytes(dir, "upper.BMP", bmp).size(), QSize(4, 3));
    QCOMPARE(LoadBytes(dir, "upper.JpEg", jpeg).size(), QSize(32, 32));
    QCOMPARE(LoadBytes(dir, "upper.JPG", jpeg).size(), QSize(32, 32));
    // Content never overrides the extension.
    QVERIFY(LoadBytes(dir, "bitmap.jpg", bmp).isNull());
    QVERIFY(LoadBytes(dir, "photo.bmp", jpeg).isNull());
    QVERIFY(LoadBytes(dir, "banner.png", bmp).isNull());
    QVERIFY(LoadBytes(dir, "banner", bmp).isNull());
    QVERIFY(LoadBytes(dir, "bmp", bmp).isNull());
    // A dot in a directory name is not an extension.
    WriteBytes(dir.path() / "pics.bmp" / "banner", bmp);
    QVERIFY(switcher::LoadBanner(dir / "pics.bmp/banner").isNull());

    // Absent files, directories and the descriptor's "N/A" default are no banner.
    QVERIFY(switcher::LoadBanner(dir / "missing.bmp").isNull());
    QVERIFY(switcher::LoadBanner(dir / "pics.bmp").isNull());
    QVERIFY(switcher::LoadBanner(dir / "bannerpath N/A").isNull());
    QVERIFY(switcher::LoadBanner("").isNull());

    // Descriptor paths use backslashes.
    WriteBytes(dir.path() / "mod" / "banner.bmp", bmp);
    QCOMPARE(switcher::LoadBanner(dir.str() + "mod\\banner.bmp").size(), QSize(4, 3));
}

void BannerTest::demoInstallationBannersShowTheirCornerColours() {
    TempDir dir;
    QProcess generator;
    generator.start(DEMO_GENERATOR, {QString::fromStdString(dir / "demo")});
    QVERIFY(generator.waitForFinished(30000));
    QCOMPARE(generator.exitCode(), 0);

    const std::string mods = dir / "demo/zandrel";
    const QImage bmp =
        switcher::LoadBanner(mods + "/" + demo::kMods[0].directory + "/" + demo::kMods[0].bannerFile);
    QCOMPARE(bmp.size(), QSize(468, 60));
    QCOMPARE(Rgb(bmp, 0, 0), demo::kBmpBannerCorner);
    const QImage jpeg =
        switcher::LoadBanner(mods + "/" + demo::kMods[1].directory + "/" + demo::kMods[1].bannerFile);
    QCOMPARE(jpeg.size(), QSize(468, 60));
    QVERIFY(Near(Rgb(jpeg, 0, 0), demo::kJpegBannerCorner, 6));
    QVERIFY(bmp != jpeg);
}

void BannerTest::brokenBitmapsGiveNoBanner() {
    TempDir dir;
    BmpShape s;
    s.width = 20;
    s.height = 10;
    s.bits = 8;
    s.palette = {0x102030, 0x405060};
    s.colorsUsed = 2;
    const std::string valid = BuildBmp(s, [](int x, int) { return static_cast<std::uint32_t>(x % 2); });
    QVERIFY(!LoadBytes(dir, "valid.bmp", valid).isNull());

    QVERIFY(LoadBytes(dir, "empty.bmp", "").isNull());
    QVERIFY(LoadBytes(dir, "junk.bmp", "this is not a picture at all, just some text").isNull());
    // Cut anywhere, from inside the file header to the last pixel byte.
    for (std::size_t length : {1, 2, 13, 14, 17, 30, 53, 54, 57, 61, 62, 70, 100, 200}) {
        QVERIFY2(LoadBytes(dir, "cut.bmp", valid.substr(0, length)).isNull(), std::to_string(length).c_str());
    }
    QVERIFY(LoadBytes(dir, "cut.bmp", valid.substr(0, valid.size() - 1)).isNull());

    const auto patched = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
        std::string b = valid;
        PokeLe(b, at, value, bytes);
        return LoadBytes(dir, "patched.bmp", b);
    };
    QVERIFY(patched(0, 'X', 1).isNull()); // signature
    QVERIFY(patched(18, 60000).isNull()); // width far beyond the file and the cap
    QVERIFY(patched(22, 60000).isNull()); // height
    QVERIFY(patched(22, static_cast<std::uint32_t>(-60000)).isNull());
    QVERIFY(patched(18, 0).isNull());                               // zero width
    QVERIFY(patched(22, 0).isNull());                               // zero height
    QVERIFY(patched(18, static_cast<std::uint32_t>(-20)).isNull()); // negative width
    QVERIFY(patched(22, 0x80000000u).isNull());                     // the most negative height
    QVERIFY(patched(10, 0xFFFFFFF0u).isNull());                     // pixel offset past the end
    QVERIFY(patched(10, 20).isNull());                              // pixel offset inside the header
    QVERIFY(patched(10, 58).isNull());                              // pixel offset inside the palette
    QVERIFY(patched(14, 39).isNull());                              // header sizes that exist nowhere
    QVERIFY(patched(14, 0xFFFFFFFFu).isNull());
    QVERIFY(patched(14, 1000).isNull()); // header longer than the file
    QVERIFY(patched(26, 2, 2).isNull()); // two planes
    QVERIFY(patched(28, 7, 2).isNull()); // no such depth
    QVERIFY(patched(28, 0, 2).isNull());
    QVERIFY(patched(30, 1).isNull());   // RLE8 is refused
    QVERIFY(patched(30, 4).isNull());   // embedded JPEG
    QVERIFY(patched(30, 3).isNull());   // masks make no sense for 8 bits
    QVERIFY(patched(46, 300).isNull()); // more colours than 8 bits can index
    QVERIFY(patched(46, 0xFFFFFFFFu).isNull());
    QVERIFY(patched(46, 200).isNull()); // a palette that would run into the pixels

    // Header claiming 60000 x 60000 in a file that is otherwise plausible.
    BmpShape huge;
    huge.width = 8;
    huge.height = 8;
    std::string h = BuildBmp(huge, PositionColor);
    PokeLe(h, 18, 60000, 4);
    PokeLe(h, 22, 60000, 4);
    QVERIFY(LoadBytes(dir, "huge.bmp", h).isNull());
    // The largest a 16-bit side can claim, bottom-up and top-down.
    PokeLe(h, 18, 65535, 4);
    PokeLe(h, 22, 65535, 4);
    QVERIFY(LoadBytes(dir, "huge.bmp", h).isNull());
    PokeLe(h, 22, static_cast<std::uint32_t>(-65535), 4);
    QVERIFY(LoadBytes(dir, "huge.bmp", h).isNull());
    // Within the side cap but over the pixel cap.
    PokeLe(h, 18, 30000, 4);
    PokeLe(h, 22, 30000, 4);
    QVERIFY(LoadBytes(dir, "huge.bmp", h).isNull());

    // A colour count beyond what 8 bits can index, even with all those
    // entries present in the file.
    BmpShape lie;
    lie.bits = 8;
    lie.palette.assign(300, 0x808080);
    lie.colorsUsed = 300;
    QVERIFY(LoadBytes(dir, "lie.bmp", BuildBmp(lie, [](int, int) { return 1u; })).isNull());

    // A genuine picture wider than any banner reader should accept.
    BmpShape wide;
    wide.width = 33000;
    wide.height = 1;
    QVERIFY(LoadBytes(dir, "wide.bmp", BuildBmp(wide, PositionColor)).isNull());

    // Bit fields with a 40-byte header need their masks; cut them off.
    BmpShape fields;
    fields.bits = 32;
    fields.compression = 3;
    fields.masks = {0xFF0000, 0xFF00, 0xFF};
    const std::string f = BuildBmp(fields, PositionColor);
    QVERIFY(!LoadBytes(dir, "fields.bmp", f).isNull());
    QVERIFY(LoadBytes(dir, "fields.bmp", f.substr(0, 14 + 40 + 8)).isNull());
}

void BannerTest::brokenJpegsGiveNoBanner() {
    TempDir dir;
    const std::string valid = EncodeJpeg(64, 48, Quadrants);
    QVERIFY(!LoadBytes(dir, "valid.jpg", valid).isNull());

    QVERIFY(LoadBytes(dir, "empty.jpg", "").isNull());
    QVERIFY(LoadBytes(dir, "junk.jpg", std::string(5000, 'J')).isNull());
    QVERIFY(LoadBytes(dir, "soi.jpg", "\xFF\xD8\xFF").isNull());
    for (std::size_t length : {2, 4, 20, 100, 300, 600}) {
        QVERIFY2(LoadBytes(dir, "cut.jpg", valid.substr(0, length)).isNull(), std::to_string(length).c_str());
    }
    QVERIFY(LoadBytes(dir, "cut.jpg", valid.substr(0, valid.size() / 2)).isNull());
    QVERIFY(LoadBytes(dir, "cut.jpg", valid.substr(0, valid.size() - 40)).isNull());

    // A frame header claiming 60000 x 60000 is refused before decoding starts
    // (which would otherwise need buffers for the whole width).
    const std::size_t sof = valid.find("\xFF\xC0");
    QVERIFY(sof != std::string::npos);
    std::string huge = valid;
    for (std::size_t at : {sof + 5, sof + 7}) {
        huge[at] = static_cast<char>(60000 >> 8);
        huge[at + 1] = static_cast<char>(60000 & 0xFF);
    }
    QVERIFY(LoadBytes(dir, "huge.jpg", huge).isNull());
    // The largest a frame header can claim.
    for (std::size_t at : {sof + 5, sof + 7}) {
        huge[at] = '\xFF';
        huge[at + 1] = '\xFF';
    }
    QVERIFY(LoadBytes(dir, "largest.jpg", huge).isNull());
    // A genuine picture wider than the cap.
    QVERIFY(LoadBytes(dir, "wide.jpg", EncodeJpeg(33000, 8, Quadrants)).isNull());

    std::string zero = valid;
    zero[sof + 5] = zero[sof + 6] = '\0';
    QVERIFY(LoadBytes(dir, "zero.jpg", zero).isNull());
}

void BannerTest::mutatedFilesNeverCrash() {
    BmpShape s;
    s.width = 30;
    s.height = 7;
    s.bits = 8;
    s.palette = {0x102030, 0x405060, 0x708090};
    const std::string bmp = BuildBmp(s, [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 3); });
    const std::string jpeg = EncodeJpeg(80, 64, Quadrants, false, true);

    std::mt19937 random(20240611);
    for (const auto& [original, decode] :
         {std::pair{bmp, &switcher::DecodeBmpBanner}, std::pair{jpeg, &switcher::DecodeJpegBanner}}) {
        for (int round = 0; round < 400; ++round) {
            std::string bytes = original;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes; ++i) {
                // Half of the changes hit the headers, where the lengths live.
                const std::size_t limit =
                    random() % 2 ? std::min<std::size_t>(bytes.size(), 80) : bytes.size();
                bytes[random() % limit] = static_cast<char>(random());
            }
            if (random() % 8 == 0)
                bytes.resize(random() % bytes.size());
            QVERIFY(WithinBanner(decode(bytes)));
        }
    }
}

QTEST_MAIN(BannerTest)
#include "banner_test.moc"
