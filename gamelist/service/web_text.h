#pragma once

#include <string>
#include <string_view>

// The texts of the web page and the JSON feed. The stored fields are
// Windows-1252 bytes, as the game sends them; the web gets UTF-8.
namespace gamelist {

// Windows-1252 bytes as UTF-8. A byte that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) becomes the character of its value, as
// browsers decode it, so every byte sequence gives valid UTF-8.
std::string Windows1252ToUtf8(std::string_view text);

// Appends Windows-1252 bytes as HTML text in UTF-8: "&", "<", ">", '"' and
// "'" as character references, control characters as U+FFFD. Safe in text
// and in quoted attribute values.
void AppendHtml(std::string& out, std::string_view text);

// Appends Windows-1252 bytes as a quoted JSON string in UTF-8: '"', "\" and
// control characters escaped, and "<", ">" and "&" as \u escapes too, so
// the text stays inert wherever a web site puts it.
void AppendJsonString(std::string& out, std::string_view text);

// Equal without regard to ASCII case (header values, class names).
bool EqualAsciiFolded(std::string_view a, std::string_view b);

// A stored field as shown: the one blank that stands for an empty field is empty.
std::string_view ShownField(std::string_view field);

} // namespace gamelist
