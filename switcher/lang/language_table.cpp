#include "switcher/lang/language_table.h"

#include "common/ascii_case.h"
#include "common/ini_file.h"
#include "switcher/text_helpers.h"

namespace switcher {
namespace {

// Texts written "\\n" here are the two characters backslash and n, as the
// language files store them; ExpandBreaks turns them into line breaks when a
// message is shown.
constexpr std::array<LanguageTable::Entry, LanguageTable::kKeyCount> kEntries{{
    {"LangName", "English"},
    {"LangSelect.Title", "Select Language"},
    {"LangSelect.Select", "Select and Restart"},
    {"LangSelect.Exit", "Exit"},
    {"LangSelect.Change", "Changes applied to language settings - closing switcher"},
    {"LangSelect.NoChange", "No language selected. No action performed"},
    {"LangSelect.error1", "The zandrel\\lang\\ directory does not exist. Check your installation directory "
                          "(remember to install with path)."},
    {"LangSelect.error2", "No language files found in directory zandrel\\lang\\ - exiting"},
    {"Main.Language", "Language : "},
    {"Main.LaunchGame", "Launch Game"},
    {"Main.Multiplayer", "Multiplayer"},
    {"Main.SelectSPMap", "Select Map"},
    {"Main.Bootstrap", "Bootstrap"},
    {"Main.BriefingEdit", "Briefing Edit"},
    {"Main.MapEdit", "Map Edit"},
    {"Main.ModSetup", "Mod Setup"},
    {"Main.Close", "Close"},
    {"Main.GetHelp", "Get Help!"},
    {"Main.FixConfig", "FixConfig"},
    {"Main.ImportSave", "Import Save"},
    {"Main.Options", "Options"},
    {"Main.Readme", "Readme"},
    {"Main.Chat", "Chat"},
    {"Main.Forum", "Forum"},
    {"Main.GetMaps", "Get Maps!"},
    {"Main.Recover",
     "Will try to return to default configs for all installed mods. Switcher will exit afterwards."},
    {"Main.Error1", "Cant find Zandrel directory - error!"},
    {"Main.Error2", "Subdirectory"},
    {"Main.Error3", "not found. Switcher should be run from the root dir"},
    {"Main.Error4", "not found"},
    {"Main.Error5", "error looking for mode:"},
    {"Main.Error6", "not found"},
    {"Main.SelectMapError", "Select Singleplayer map to bootstrap"},
    {"Main.SelectMap", "Select Singleplayer map to load."},
    {"Mplay.ModClasses", "Mod Classes"},
    {"Mplay.GetTheMod", "Get The Mod"},
    {"Mplay.PlayersWatching", "Players Watching"},
    {"Mplay.WaitAndChat", "Wait and Chat"},
    {"Mplay.Join", "// Join //"},
    {"Mplay.Refresh", "Refresh"},
    {"Mplay.CopyIP", "Copy IP"},
    {"Mplay.GotoRanking", "Goto Ranking"},
    {"Mplay.Close", "Close"},
    {"Mplay.IP", "IP"},
    {"Mplay.Host", "// Host //"},
    {"Mplay.UserName", "Username"},
    {"Mplay.Map", "Map"},
    {"Mplay.Comment", "Comment"},
    {"Mplay.Players", "Players     "},
    {"Mplay.HeaderIP", "IP"},
    {"Mplay.HeaderUsername", "Username"},
    {"Mplay.HeaderPosted", "Posted"},
    {"Mplay.HeaderVersion", "Version"},
    {"Mplay.HeaderPlayer", "Pl."},
    {"Mplay.HeaderMap", "Map"},
    {"Mplay.HeaderComment", "Comment"},
    {"Mplay.StayInChatMsg", "Stay in chat!!! :)"},
    {"Mplay.Errror1",
     "You are trying to launch a mod of different class than your current mod. \\n\\nManually switch to an:"},
    {"Mplay.Errror2", "mod to confirm launch.)"},
    {"Mplay.Errror3", "Try again later, it doesnt work now due to server downtime or timeout - switch to cdv "
                      "mode and use the ip database there."},
    {"Options.MiscOptions", "Misc Options"},
    {"Options.ViewNews", "Show News on Startup"},
    {"Options.ModEventTrigger", "Mod Event Triggers"},
    {"Options.OnLaunch", "OnLaunch mod event"},
    {"Options.OnMultiplayer", "OnMultiplayer mod event"},
    {"options.MplayLauncher", "Multiplayer Launcher"},
    {"options.LaunchHosting", "Launch When Hosting?"},
    {"options.JoinDirect", "Join MP game directly (only v2.2+)"},
    {"options.FetchIP", "Fetch IP list when joining game?"},
    {"options.ImportSave", "Import Savegames Into Current Mode"},
    {"options.Save", "Save"},
    {"options.Cancel", "Cancel"},
}};

constexpr std::string_view kPlayersWatchingKey = "Mplay.PlayersWatching";

} // namespace

const std::array<LanguageTable::Entry, LanguageTable::kKeyCount>& LanguageTable::Entries() {
    return kEntries;
}

LanguageTable::LanguageTable() {
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        m_texts[i] = std::string(kEntries[i].englishDefault);
    }
    m_texts[IndexOf(kPlayersWatchingKey)] += " : ";
}

void LanguageTable::Load(std::string_view programDirectory) {
    const common::IniFile file(std::string(programDirectory) + "zandrel\\lang.ini");
    Load(file.Document());
}

void LanguageTable::Load(const common::IniDocument& file) {
    // The profile rules cut trailing blanks off a default ("Players     "
    // would lose them), so absence is detected with a stand-in default that no
    // value can equal (a value never holds a line feed) and English is put in
    // afterwards.
    constexpr std::string_view kAbsent = "\n(absent)";
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        m_texts[i] = file.Read("lang", kEntries[i].key, kAbsent);
        if (m_texts[i] == kAbsent) {
            m_texts[i] = std::string(kEntries[i].englishDefault);
        }
    }
    // The label is followed by the count of watching users.
    m_texts[IndexOf(kPlayersWatchingKey)] += " : ";
}

std::size_t LanguageTable::IndexOf(std::string_view key) {
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        if (common::EqualsIgnoringAsciiCase(kEntries[i].key, key)) {
            return i;
        }
    }
    return kKeyCount;
}

const std::string& LanguageTable::Text(std::string_view key) const {
    static const std::string empty;
    const std::size_t index = IndexOf(key);
    return index < kKeyCount ? m_texts[index] : empty;
}

std::string ExpandBreaks(std::string_view text) {
    return ReplaceAll(text, "\\n", "\r");
}

} // namespace switcher
