#pragma once

#include <string>
#include <string_view>

// Texts are 8-bit strings in the Windows ANSI code page everywhere inside the
// programs. They are converted to Unicode only at the window boundary.
// Windows: the system ANSI code page. Linux: Windows-1252, or the code page
// that ZANDREL_CODEPAGE names (any name iconv knows, e.g. "CP1251").
namespace common {

std::string AnsiToUtf8(std::string_view ansi);
// Characters the code page cannot hold become '?'.
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace common
