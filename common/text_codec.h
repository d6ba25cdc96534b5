#pragma once

#include <memory>
#include <string>
#include <string_view>

// Texts are 8-bit strings in the Windows ANSI code page everywhere inside the
// programs. They are converted to Unicode only at the window boundary.
// Windows: the system ANSI code page. Linux: Windows-1252, or the code page
// that ZANDREL_CODEPAGE names (any name iconv knows, e.g. "CP1251", or a bare
// Windows code page number such as "1250"), read once.
namespace common {

// A converter between one 8-bit code page and UTF-8.
//
// A byte that the code page leaves undefined (0x81 in Windows-1252) becomes
// the Unicode character with the byte's value (U+0081), as Windows does, so
// every byte sequence gives valid UTF-8 and converts back unchanged.
// Characters the code page cannot hold, and malformed UTF-8, become '?'.
class TextCodec {
public:
    // `codePage` is "CP" + the Windows code page number ("CP1251") or the
    // number alone ("1251"); on Linux also any name iconv knows. An unknown name selects the platform
    // default: Windows-1252 on Linux, the system ANSI code page on Windows.
    explicit TextCodec(std::string_view codePage);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    // The code page actually in use (after any fallback).
    const std::string& CodePage() const;

    std::string ToUtf8(std::string_view ansi) const;
    std::string FromUtf8(std::string_view utf8) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The code page of the programs' texts (see above), made on first use.
const TextCodec& AnsiCodec();

std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

} // namespace common
