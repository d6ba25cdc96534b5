#include "switcher/lang/language_table.h"

#include "common/ini_file.h"
#include "switcher/text_helpers.h"

namespace switcher {
namespace {

// Texts written "\\n" here are the two characters backslash and n, as the
// language files store them; ExpandBreaks turns them into line breaks when a
// message is shown.
constexpr std::array<LanguageTable::Entry, LanguageTable::kKeyCount> kEntries{{
    {Lang::LangName, "LangName", "English"},
    {Lang::LangSelectTitle, "LangSelect.Title", "Select Language"},
    {Lang::LangSelectSelect, "LangSelect.Select", "Select and Restart"},
    {Lang::LangSelectExit, "LangSelect.Exit", "Exit"},
    {Lang::LangSelectChange, "LangSelect.Change", "Changes applied to language settings - closing switcher"},
    {Lang::LangSelectNoChange, "LangSelect.NoChange", "No language selected. No action performed"},
    {Lang::LangSelectError1, "LangSelect.error1",
     "The zandrel\\lang\\ directory does not exist. Check your installation directory "
     "(remember to install with path)."},
    {Lang::LangSelectError2, "LangSelect.error2",
     "No language files found in directory zandrel\\lang\\ - exiting"},
    {Lang::MainLanguage, "Main.Language", "Language : "},
    {Lang::MainLaunchGame, "Main.LaunchGame", "Launch Game"},
    {Lang::MainMultiplayer, "Main.Multiplayer", "Multiplayer"},
    {Lang::MainSelectSPMap, "Main.SelectSPMap", "Select Map"},
    {Lang::MainBootstrap, "Main.Bootstrap", "Bootstrap"},
    {Lang::MainBriefingEdit, "Main.BriefingEdit", "Briefing Edit"},
    {Lang::MainMapEdit, "Main.MapEdit", "Map Edit"},
    {Lang::MainModSetup, "Main.ModSetup", "Mod Setup"},
    {Lang::MainClose, "Main.Close", "Close"},
    {Lang::MainGetHelp, "Main.GetHelp", "Get Help!"},
    {Lang::MainFixConfig, "Main.FixConfig", "FixConfig"},
    {Lang::MainImportSave, "Main.ImportSave", "Import Save"},
    {Lang::MainOptions, "Main.Options", "Options"},
    {Lang::MainReadme, "Main.Readme", "Readme"},
    {Lang::MainChat, "Main.Chat", "Chat"},
    {Lang::MainForum, "Main.Forum", "Forum"},
    {Lang::MainGetMaps, "Main.GetMaps", "Get Maps!"},
    {Lang::MainRecover, "Main.Recover",
     "Will try to return to default configs for all installed mods. Switcher will exit afterwards."},
    {Lang::MainError1, "Main.Error1", "Cant find Zandrel directory - error!"},
    {Lang::MainError2, "Main.Error2", "Subdirectory"},
    {Lang::MainError3, "Main.Error3", "not found. Switcher should be run from the root dir"},
    {Lang::MainError4, "Main.Error4", "not found"},
    {Lang::MainError5, "Main.Error5", "error looking for mode:"},
    {Lang::MainError6, "Main.Error6", "not found"},
    {Lang::MainSelectMapError, "Main.SelectMapError", "Select Singleplayer map to bootstrap"},
    {Lang::MainSelectMap, "Main.SelectMap", "Select Singleplayer map to load."},
    {Lang::MplayModClasses, "Mplay.ModClasses", "Mod Classes"},
    {Lang::MplayGetTheMod, "Mplay.GetTheMod", "Get The Mod"},
    {Lang::MplayPlayersWatching, "Mplay.PlayersWatching", "Players Watching"},
    {Lang::MplayWaitAndChat, "Mplay.WaitAndChat", "Wait and Chat"},
    {Lang::MplayJoin, "Mplay.Join", "// Join //"},
    {Lang::MplayRefresh, "Mplay.Refresh", "Refresh"},
    {Lang::MplayCopyIP, "Mplay.CopyIP", "Copy IP"},
    {Lang::MplayGotoRanking, "Mplay.GotoRanking", "Goto Ranking"},
    {Lang::MplayClose, "Mplay.Close", "Close"},
    {Lang::MplayIP, "Mplay.IP", "IP"},
    {Lang::MplayHost, "Mplay.Host", "// Host //"},
    {Lang::MplayUserName, "Mplay.UserName", "Username"},
    {Lang::MplayMap, "Mplay.Map", "Map"},
    {Lang::MplayComment, "Mplay.Comment", "Comment"},
    {Lang::MplayPlayers, "Mplay.Players", "Players     "},
    {Lang::MplayHeaderIP, "Mplay.HeaderIP", "IP"},
    {Lang::MplayHeaderUsername, "Mplay.HeaderUsername", "Username"},
    {Lang::MplayHeaderPosted, "Mplay.HeaderPosted", "Posted"},
    {Lang::MplayHeaderVersion, "Mplay.HeaderVersion", "Version"},
    {Lang::MplayHeaderPlayer, "Mplay.HeaderPlayer", "Pl."},
    {Lang::MplayHeaderMap, "Mplay.HeaderMap", "Map"},
    {Lang::MplayHeaderComment, "Mplay.HeaderComment", "Comment"},
    {Lang::MplayStayInChatMsg, "Mplay.StayInChatMsg", "Stay in chat!!! :)"},
    {Lang::MplayErrror1, "Mplay.Errror1",
     "You are trying to launch a mod of different class than your current mod. \\n\\nManually switch to an:"},
    {Lang::MplayErrror2, "Mplay.Errror2", "mod to confirm launch.)"},
    {Lang::MplayErrror3, "Mplay.Errror3",
     "Try again later, it doesnt work now due to server downtime or timeout - switch to cdv "
     "mode and use the ip database there."},
    {Lang::OptionsMiscOptions, "Options.MiscOptions", "Misc Options"},
    {Lang::OptionsViewNews, "Options.ViewNews", "Show News on Startup"},
    {Lang::OptionsModEventTrigger, "Options.ModEventTrigger", "Mod Event Triggers"},
    {Lang::OptionsOnLaunch, "Options.OnLaunch", "OnLaunch mod event"},
    {Lang::OptionsOnMultiplayer, "Options.OnMultiplayer", "OnMultiplayer mod event"},
    {Lang::OptionsMplayLauncher, "options.MplayLauncher", "Multiplayer Launcher"},
    {Lang::OptionsLaunchHosting, "options.LaunchHosting", "Launch When Hosting?"},
    {Lang::OptionsJoinDirect, "options.JoinDirect", "Join MP game directly (only v2.2+)"},
    {Lang::OptionsFetchIP, "options.FetchIP", "Fetch IP list when joining game?"},
    {Lang::OptionsImportSave, "options.ImportSave", "Import Savegames Into Current Mode"},
    {Lang::OptionsSave, "options.Save", "Save"},
    {Lang::OptionsCancel, "options.Cancel", "Cancel"},
}};

// Text(key) indexes the table by the key's number, so the two orders must agree.
constexpr bool InKeyOrder() {
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        if (static_cast<std::size_t>(kEntries[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InKeyOrder(), "the entries must be in the order of enum Lang");

constexpr auto kPlayersWatching = static_cast<std::size_t>(Lang::MplayPlayersWatching);

} // namespace

const std::array<LanguageTable::Entry, LanguageTable::kKeyCount>& LanguageTable::Entries() {
    return kEntries;
}

LanguageTable::LanguageTable() {
    for (std::size_t i = 0; i < kKeyCount; ++i) {
        m_texts[i] = std::string(kEntries[i].englishDefault);
    }
    m_texts[kPlayersWatching] += " : ";
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
    m_texts[kPlayersWatching] += " : ";
}

std::string ExpandBreaks(std::string_view text) {
    return ReplaceAll(text, "\\n", "\r");
}

} // namespace switcher
