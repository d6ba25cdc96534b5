// The texts of gamelistd's web page and JSON feed, made from a game's bytes:
// the HTML text holds no markup character and decodes back to the game's
// text (controls shown as U+FFFD); the JSON string decodes back to the
// game's text exactly; and the page built from such fields holds no element
// that a field made.
#include "gamelist/service/game_page.h"
#include "gamelist/service/web_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Decodes UTF-8 into code points; false when it is not valid UTF-8.
bool DecodeUtf8(std::string_view text, std::u32string& out) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0))
            return false;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        out += c;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::u32string Expected(std::string_view bytes, bool controlsReplaced) {
    std::u32string decoded;
    if (!DecodeUtf8(gamelist::Windows1252ToUtf8(bytes), decoded) || decoded.size() != bytes.size())
        __builtin_trap(); // one character per byte, always valid UTF-8
    if (controlsReplaced)
        for (char32_t& c : decoded)
            if ((c < 0x20 && c != '\t') || c == 0x7F || (c >= 0x80 && c < 0xA0))
                c = 0xFFFD;
    return decoded;
}

void CheckHtml(std::string_view bytes) {
    std::string html;
    gamelist::AppendHtml(html, bytes);
    if (html.find_first_of("<>\"'") != std::string::npos)
        __builtin_trap();
    std::string plain;
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (html[i] != '&') {
            plain += html[i];
            continue;
        }
        const std::size_t end = html.find(';', i);
        if (end == std::string::npos)
            __builtin_trap(); // a bare "&"
        const std::string_view ref = std::string_view(html).substr(i, end - i + 1);
        plain += ref == "&amp;"    ? "&"
                 : ref == "&lt;"   ? "<"
                 : ref == "&gt;"   ? ">"
                 : ref == "&quot;" ? "\""
                                   : "'";
        if (ref != "&amp;" && ref != "&lt;" && ref != "&gt;" && ref != "&quot;" && ref != "&#39;")
            __builtin_trap();
        i = end;
    }
    std::u32string decoded;
    if (!DecodeUtf8(plain, decoded) || decoded != Expected(bytes, true))
        __builtin_trap();
}

void CheckJson(std::string_view bytes) {
    std::string json;
    gamelist::AppendJsonString(json, bytes);
    if (json.size() < 2 || json.front() != '"' || json.back() != '"')
        __builtin_trap();
    std::string plain;
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        if (c < 0x20 || c == '"' || c == '<' || c == '>' || c == '&')
            __builtin_trap(); // raw where it must be escaped
        if (c != '\\') {
            plain += json[i];
            continue;
        }
        const char kind = json[++i];
        if (kind == '"' || kind == '\\') {
            plain += kind;
        } else if (kind == 'u' && i + 4 < json.size() - 1) {
            const unsigned value = static_cast<unsigned>(std::stoul(json.substr(i + 1, 4), nullptr, 16));
            if (value >= 0x80)
                __builtin_trap();
            plain += static_cast<char>(value);
            i += 4;
        } else {
            __builtin_trap();
        }
    }
    std::u32string decoded;
    if (!DecodeUtf8(plain, decoded) || decoded != Expected(bytes, false))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckHtml(bytes);
    CheckJson(bytes);
    // As every field of a game on the page: the only elements are the page's own.
    gamelist::ListedGame game;
    for (auto& field : game.entry.fields)
        field = std::string(bytes);
    const std::vector<gamelist::ListedGame> games{game};
    const std::vector<std::string> classes{std::string(bytes)};
    const std::string page = gamelist::RenderGamePage({games, classes, 1, 0});
    if (page.find("<script") != std::string::npos || page.find("<img") != std::string::npos)
        __builtin_trap();
    return 0;
}
