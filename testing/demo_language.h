#pragma once

#include <string>
#include <string_view>

namespace demo {

// The text of a language file (section [lang], CRLF line ends, 8-bit
// Windows-1252 bytes) with every one of the switcher's 72 keys.
// `language` is "English" or "German"; anything else gives empty text.
std::string LanguageFile(std::string_view language);

// Number of keys the language files carry.
std::size_t LanguageKeyCount();

} // namespace demo
