#include "common/text_codec.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string AllHighBytes() {
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Windows-1250 from 0x80 to 0xFF as Python's cp1250 codec has it; the bytes
// it leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) stand for themselves.
constexpr char32_t kWindows1250High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, //
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, //
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, //
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, //
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, //
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, //
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, //
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, //
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, //
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, //
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, //
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, //
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, //
};

} // namespace

TEST(TextCodec, Windows1252MapsAndRoundTripsEveryByte) {
    const common::TextCodec codec("CP1252");
    EXPECT_EQ(codec.ToUtf8("Launch Game"), "Launch Game");
    EXPECT_EQ(codec.ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(codec.ToUtf8("\x9F"), "\xC5\xB8");     // Y with diaeresis
    EXPECT_EQ(codec.ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(codec.ToUtf8("\xFF"), "\xC3\xBF");
    // Undefined in the code page: the character with the byte's value.
    EXPECT_EQ(codec.ToUtf8("a\x81z"), "a\xC2\x81z");
    EXPECT_EQ(codec.FromUtf8("\xE2\x82\xAC 5"), "\x80 5");

    // Malformed UTF-8 would come back as '?', so a round trip also proves
    // that every byte gives well-formed text.
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(codec.FromUtf8(codec.ToUtf8(byte)), byte) << "byte " << b;
    }
    const std::string all = AllHighBytes() + std::string("\0 text", 6) + AllHighBytes();
    EXPECT_EQ(codec.FromUtf8(codec.ToUtf8(all)), all);
    EXPECT_EQ(codec.ToUtf8(""), "");
    EXPECT_EQ(codec.FromUtf8(""), "");
}

TEST(TextCodec, TextTheCodePageCannotHoldBecomesQuestionMarks) {
    const common::TextCodec codec("CP1252");
    EXPECT_EQ(codec.FromUtf8("a\xE4\xB8\x80z"), "a?z"); // CJK ideograph
    EXPECT_EQ(codec.FromUtf8("\xD0\x90"), "?");         // Cyrillic A
    EXPECT_EQ(codec.FromUtf8("a\xFFz"), "a?z");         // not UTF-8 at all
    EXPECT_EQ(codec.FromUtf8("end\xC3"), "end?");       // cut-off sequence
    // Malformed input and characters beyond 16 bits (an emoji) never yield
    // bytes other than '?' in their place (Windows gives one per UTF-16 unit).
    for (const std::string bad : {"\xC0\xAF", "\xED\xA0\x80", "\x80\x80", "\xF0\x9F\x98\x80"}) {
        const std::string out = codec.FromUtf8(bad);
        EXPECT_FALSE(out.empty());
        EXPECT_EQ(out.find_first_not_of('?'), std::string::npos) << out;
    }
    // A long text with a bad byte in the middle is converted whole.
    const std::string longText = std::string(5000, 'x') + "\xFF" + std::string(5000, '\xC3');
    EXPECT_EQ(codec.FromUtf8(longText).size(), 10001u);
}

TEST(TextCodec, Windows1251IsSelectableByName) {
    const common::TextCodec codec("CP1251");
    EXPECT_EQ(codec.CodePage(), "CP1251");
    EXPECT_EQ(codec.ToUtf8("\xC0\xE1\xE2"), "\xD0\x90\xD0\xB1\xD0\xB2");   // А б в
    EXPECT_EQ(codec.ToUtf8("\x88"), "\xE2\x82\xAC");                       // euro sign
    EXPECT_EQ(codec.FromUtf8("\xD0\x9F\xD1\x80\xD0\xB8"), "\xCF\xF0\xE8"); // При
    EXPECT_EQ(codec.FromUtf8("\xC3\xA9"), "?");                            // é is not in it
    EXPECT_EQ(codec.FromUtf8(codec.ToUtf8(AllHighBytes())), AllHighBytes());
}

TEST(TextCodec, Windows1250MapsEveryHighByteAsItsTableDoes) {
    for (const char* name : {"CP1250", "1250"}) {
        const common::TextCodec codec(name);
        EXPECT_EQ(codec.CodePage(), "CP1250") << name;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string expected = Utf8(kWindows1250High[b - 0x80]);
            EXPECT_EQ(codec.ToUtf8(byte), expected) << name << " byte " << b;
            EXPECT_EQ(codec.FromUtf8(expected), byte) << name << " byte " << b;
        }
    }
    const common::TextCodec codec("CP1250");
    EXPECT_EQ(codec.ToUtf8("Zamknij"), "Zamknij");
    EXPECT_EQ(codec.FromUtf8("Od\xC5\x9Bwie\xC5\xBC"), "Od\x9Cwie\xBF"); // Odśwież
    EXPECT_EQ(codec.FromUtf8("\xD0\x90"), "?");                          // Cyrillic А is not in it
}

TEST(TextCodec, ProgramWideCodecConvertsBothWays) {
    EXPECT_FALSE(common::AnsiCodec().CodePage().empty());
    EXPECT_EQ(common::AnsiToUtf8("Players Watching : 3"), "Players Watching : 3");
    EXPECT_EQ(common::Utf8ToAnsi(common::AnsiToUtf8(AllHighBytes())), AllHighBytes());
}
