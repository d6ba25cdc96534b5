#include "switcher/options/save_import.h"

#include "common/file_system.h"
#include "common/ini_file.h"
#include "common/result.h"
#include "switcher/options/switcher_settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace switcher {
namespace {

constexpr std::string_view kSection = "Game";
constexpr std::string_view kCountKey = "PlayersUpb";
constexpr std::string_view kPlayerPrefix = "Player";
constexpr std::string_view kDefaultBaseSaves = "plr\\savegames\\";

// The value of one digit in `base`, or -1.
int DigitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'z') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'Z') {
        value = c - 'A' + 10;
    }
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

// An integer setting read as GetPrivateProfileIntA reads it (its behaviour
// checked under Wine): leading blanks and control characters are skipped,
// then come an optional sign and an optional "0x", "0o" or "0b" (lower case
// only) for base 16, 8 or 2; digits are taken up to the first character that
// is not one, so "3 players" is 3 and "abc" is 0. The value wraps at 32 bits
// and is used as a signed number, so "-2" and "4294967294" both mean no
// players.
std::int32_t ProfileInteger(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= ' ') {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    unsigned base = 10;
    if (pos + 1 < text.size() && text[pos] == '0') {
        const char marker = text[pos + 1];
        base = marker == 'x' ? 16 : marker == 'o' ? 8 : marker == 'b' ? 2 : 10;
        if (base != 10) {
            pos += 2;
        }
    }
    std::uint32_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos], base);
        if (digit < 0) {
            break;
        }
        value = value * base + static_cast<std::uint32_t>(digit);
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<std::int32_t>(value);
}

// The index of a player key as the import writes it ("Player" in any case,
// then a decimal number without leading zeros), or -1 for any other key.
// "Player01" is not the key "Player1", so it is no player key here either.
std::int64_t PlayerIndex(std::string_view key) {
    if (key.size() <= kPlayerPrefix.size() || key.size() > kPlayerPrefix.size() + 10) {
        return -1;
    }
    if (LowerAscii(key.substr(0, kPlayerPrefix.size())) != LowerAscii(kPlayerPrefix)) {
        return -1;
    }
    const std::string_view digits = key.substr(kPlayerPrefix.size());
    if (digits.size() > 1 && digits[0] == '0') {
        return -1;
    }
    std::int64_t index = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return -1;
        }
        index = index * 10 + (c - '0');
    }
    return index;
}

// Deletes Player0 .. Player(count-1). Deleting a key that is not in the file
// changes nothing, so only the player keys present are deleted: the cost
// follows the file, and a hostile PlayersUpb of two thousand million takes
// no longer than a sane one. A failed delete is not reported; the writes
// that follow fail in the same way and report it.
void DeleteOldPlayers(common::IniFile& ini, std::int32_t count) {
    if (count < 1) {
        return;
    }
    for (const std::string& key : ini.KeyNames(kSection)) {
        const std::int64_t index = PlayerIndex(key);
        if (index >= 0 && index < count) {
            common::IgnoreResult(ini.DeleteKey(kSection, key),
                                 "the writes that follow fail alike and report it");
        }
    }
}

// The plain directories of the save-game base directory, in listing order:
// an entry carrying any attribute beside the directory bit is passed over.
std::vector<std::string> PlayerDirectories(const std::string& baseSaves) {
    std::vector<std::string> names;
    for (auto& entry : common::ListDirectory(baseSaves)) {
        if (entry.attributes == common::attr::kDirectory && entry.name != "." && entry.name != "..") {
            names.push_back(std::move(entry.name));
        }
    }
    return names;
}

} // namespace

bool ImportSaveGames(const ModCatalogue& catalogue, int selectedIndex, std::string_view programDirectory,
                     common::MessageSink& sink) {
    if (selectedIndex < 0 || selectedIndex >= catalogue.Size()) {
        return true;
    }
    // The working directory ends with a backslash, so names are appended
    // without a separator.
    const std::string base = std::string(programDirectory) + catalogue.Record(selectedIndex).GameWorkingDir;
    common::IniFile ini(base + "sudtest.ini");
    const std::string baseSaves = base + ini.ReadString("game", "BaseSaves", kDefaultBaseSaves);

    DeleteOldPlayers(ini, ProfileInteger(ini.ReadString(kSection, kCountKey, "0")));

    const std::vector<std::string> players = PlayerDirectories(baseSaves);
    if (!ini.WriteString(kSection, kCountKey, std::to_string(players.size()))) {
        sink.ShowMessage(UnableToWriteMessage(ini.Path()));
        return false;
    }
    for (std::size_t i = 0; i < players.size(); ++i) {
        if (!ini.WriteString(kSection, std::string(kPlayerPrefix) + std::to_string(i), players[i])) {
            sink.ShowMessage(UnableToWriteMessage(ini.Path()));
            return false;
        }
    }
    return true;
}

} // namespace switcher
