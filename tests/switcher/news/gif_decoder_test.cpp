// The GIF decoder: a GIF written by another encoder, our test encoder's
// pictures (plain, interlaced, with a full LZW table), transparency, a picture
// smaller than its screen, truncation, and the files it must refuse.
#include "switcher/news/gif_decoder.h"
#include "testing/demo_pictures.h"

#include <gtest/gtest.h>
#include <string>

using switcher::DecodeGif;
using switcher::GifPicture;

namespace {

constexpr std::int64_t kSide = 4096;
constexpr std::int64_t kPixels = std::int64_t{1} << 21;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// 10 x 10, four colours (white, red, blue, black), from a widely used GIF
// walk-through; LZW with a minimum code size of 2 and codes up to 4 bits.
const std::string kSample =
    Bytes({0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0A, 0x00, 0x0A, 0x00, 0x91, 0x00, 0x00, 0xFF,
           0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04,
           0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x0A, 0x00,
           0x00, 0x02, 0x16, 0x8C, 0x2D, 0x99, 0x87, 0x2A, 0x1C, 0xDC, 0x33, 0xA0, 0x02, 0x75,
           0xEC, 0x95, 0xFA, 0xA8, 0xDE, 0x60, 0x8C, 0x04, 0x91, 0x4C, 0x01, 0x00, 0x3B});

std::uint32_t Opaque(std::uint32_t rgb) {
    return 0xFF000000 | rgb;
}

demo::Picture Pattern(int width, int height, int colours) {
    demo::Picture p{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto i = static_cast<std::uint32_t>((x * 7 + y * 13 + x * y) % colours);
            p.pixels[static_cast<std::size_t>(y) * width + x] = (i * 0x2F1B3) & 0xFFFFFF;
        }
    return p;
}

} // namespace

TEST(GifDecoder, DecodesAGifFromAnotherEncoder) {
    GifPicture out;
    ASSERT_TRUE(DecodeGif(kSample, kSide, kPixels, out));
    ASSERT_EQ(out.width, 10);
    ASSERT_EQ(out.height, 10);
    const std::uint32_t colours[] = {Opaque(0xFFFFFF), Opaque(0xFF0000), Opaque(0x0000FF)};
    const char* rows[] = {"1111122222", "1111122222", "1111122222", "1110000222", "1110000222",
                          "2220000111", "2220000111", "2222211111", "2222211111", "2222211111"};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(out.argb[static_cast<std::size_t>(y * 10 + x)], colours[rows[y][x] - '0'])
                << "at " << x << "," << y;
}

// Round trips through the test encoder. 300 x 200 in 200 colours fills the
// 4096-entry table several times, so clear codes and 12-bit codes occur.
TEST(GifDecoder, DecodesEveryPixelPlainAndInterlaced) {
    struct Case {
        int width, height, colours;
        bool interlaced;
    };
    for (const Case c : {Case{1, 1, 1, false}, Case{17, 5, 3, false}, Case{17, 5, 3, true},
                         Case{9, 23, 40, true}, Case{300, 200, 200, false}, Case{300, 200, 200, true}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) +
                     (c.interlaced ? " interlaced" : ""));
        const demo::Picture picture = Pattern(c.width, c.height, c.colours);
        GifPicture out;
        ASSERT_TRUE(DecodeGif(demo::EncodeGif(picture, c.interlaced), kSide, kPixels, out));
        ASSERT_EQ(out.width, c.width);
        ASSERT_EQ(out.height, c.height);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            ASSERT_EQ(out.argb[i], Opaque(picture.pixels[i])) << "pixel " << i;
    }
}

TEST(GifDecoder, TransparentColourAndTheScreenAroundThePicture) {
    demo::Picture picture = Pattern(6, 4, 3);
    const std::uint32_t clear = picture.pixels[0];
    GifPicture out;
    ASSERT_TRUE(DecodeGif(demo::EncodeGif(picture, false, clear), kSide, kPixels, out));
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        EXPECT_EQ(out.argb[i], picture.pixels[i] == clear ? 0u : Opaque(picture.pixels[i]));

    // The same picture on a screen of 10 x 9 at (3, 4): the rest is transparent,
    // and a picture reaching past the screen is cut at its edge.
    std::string gif = demo::EncodeGif(picture);
    gif[6] = 10;
    gif[8] = 9;
    const std::size_t descriptor = gif.find('\x2C', 13 + 256 * 3);
    gif[descriptor + 1] = 3;
    gif[descriptor + 3] = 4;
    ASSERT_TRUE(DecodeGif(gif, kSide, kPixels, out));
    ASSERT_EQ(out.width, 10);
    ASSERT_EQ(out.height, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && y >= 4 && y < 8;
            const std::uint32_t want =
                inside && x < 9 ? Opaque(picture.pixels[static_cast<std::size_t>((y - 4) * 6 + (x - 3))])
                                : 0u;
            EXPECT_EQ(out.argb[static_cast<std::size_t>(y * 10 + x)], want) << x << "," << y;
        }
}

// A file cut inside its picture data keeps the pixels that arrived.
TEST(GifDecoder, ACutFileKeepsWhatArrived) {
    const demo::Picture picture = Pattern(40, 30, 50);
    const std::string gif = demo::EncodeGif(picture);
    const std::size_t data = gif.find('\x2C', 13 + 256 * 3) + 11;
    GifPicture out;
    ASSERT_TRUE(DecodeGif(gif.substr(0, data + (gif.size() - data) / 2), kSide, kPixels, out));
    EXPECT_EQ(out.argb.front(), Opaque(picture.pixels.front()));
    EXPECT_EQ(out.argb.back(), 0u);
}

TEST(GifDecoder, RefusesWhatItCannotTrust) {
    const std::string good = demo::EncodeGif(Pattern(8, 8, 4));
    const std::size_t descriptor = good.find('\x2C', 13 + 256 * 3);
    const auto with = [&](std::size_t at, std::string bytes) {
        std::string b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    struct Case {
        const char* name;
        std::string bytes;
        std::int64_t maxSide = kSide;
        std::int64_t maxPixels = kPixels;
    };
    const Case cases[] = {
        {"empty", ""},
        {"not a GIF", with(0, "GIF90a")},
        {"header only", good.substr(0, 13)},
        {"cut in the colour table", good.substr(0, 100)},
        {"screen of width 0", with(6, Bytes({0, 0}))},
        {"screen wider than allowed", good, 7},
        {"screen larger than allowed", good, kSide, 63},
        {"picture larger than allowed", with(descriptor + 5, Bytes({0xFF, 0xFF, 0xFF, 0xFF}))},
        {"picture of height 0", with(descriptor + 7, Bytes({0, 0}))},
        {"no colour table", with(10, Bytes({0}))},
        {"minimum code size 1", with(descriptor + 10, Bytes({1}))},
        {"minimum code size 12", with(descriptor + 10, Bytes({12}))},
        {"trailer before the picture", with(descriptor, Bytes({0x3B}))},
        {"junk before the picture", with(descriptor, Bytes({0x00}))},
        {"no picture data", good.substr(0, descriptor + 11) + Bytes({0, 0x3B})},
        {"the data starts with the end code",
         good.substr(0, descriptor + 11) + Bytes({2, 0x01, 0x01, 0, 0x3B})},
    };
    for (const Case& c : cases) {
        GifPicture out;
        EXPECT_FALSE(DecodeGif(c.bytes, c.maxSide, c.maxPixels, out)) << c.name;
    }
}
