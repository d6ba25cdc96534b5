#pragma once

#include "common/ini_document.h"

#include <array>
#include <string>
#include <string_view>

namespace switcher {

// The translatable texts of the switcher: 72 keys with English defaults, read
// once from the active language file (zandrel\lang.ini, section "lang").
class LanguageTable {
public:
    static constexpr std::size_t kKeyCount = 72;

    struct Entry {
        std::string_view key;
        std::string_view englishDefault;
    };
    // Every key with its default, in file order.
    static const std::array<Entry, kKeyCount>& Entries();

    LanguageTable(); // English defaults

    // Reads programDirectory + "zandrel\lang.ini" (one parse of the file); an
    // absent file or key gives English. " : " is appended to
    // Mplay.PlayersWatching, whose label is followed by a count.
    void Load(std::string_view programDirectory);
    // The same from a language file already parsed.
    void Load(const common::IniDocument& file);

    // The text of a key (case-insensitive); empty text for an unknown key.
    const std::string& Text(std::string_view key) const;

private:
    // Position of a key in Entries() (case-insensitive); kKeyCount if unknown.
    static std::size_t IndexOf(std::string_view key);

    std::array<std::string, kKeyCount> m_texts;
};

// Turns every backslash + n into a carriage return (a line break in a message).
std::string ExpandBreaks(std::string_view text);

} // namespace switcher
