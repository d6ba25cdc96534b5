#pragma once

#include "common/ini_document.h"

#include <array>
#include <string>
#include <string_view>

namespace switcher {

// The translatable texts, one name per key, in the order of the table and of
// the language files. A key the table lacks does not compile.
enum class Lang : std::size_t {
    LangName,               // LangName
    LangSelectTitle,        // LangSelect.Title
    LangSelectSelect,       // LangSelect.Select
    LangSelectExit,         // LangSelect.Exit
    LangSelectChange,       // LangSelect.Change
    LangSelectNoChange,     // LangSelect.NoChange
    LangSelectError1,       // LangSelect.error1
    LangSelectError2,       // LangSelect.error2
    MainLanguage,           // Main.Language
    MainLaunchGame,         // Main.LaunchGame
    MainMultiplayer,        // Main.Multiplayer
    MainSelectSPMap,        // Main.SelectSPMap
    MainBootstrap,          // Main.Bootstrap
    MainBriefingEdit,       // Main.BriefingEdit
    MainMapEdit,            // Main.MapEdit
    MainModSetup,           // Main.ModSetup
    MainClose,              // Main.Close
    MainGetHelp,            // Main.GetHelp
    MainFixConfig,          // Main.FixConfig
    MainImportSave,         // Main.ImportSave
    MainOptions,            // Main.Options
    MainReadme,             // Main.Readme
    MainChat,               // Main.Chat
    MainForum,              // Main.Forum
    MainGetMaps,            // Main.GetMaps
    MainRecover,            // Main.Recover
    MainError1,             // Main.Error1
    MainError2,             // Main.Error2
    MainError3,             // Main.Error3
    MainError4,             // Main.Error4
    MainError5,             // Main.Error5
    MainError6,             // Main.Error6
    MainSelectMapError,     // Main.SelectMapError
    MainSelectMap,          // Main.SelectMap
    MplayModClasses,        // Mplay.ModClasses
    MplayGetTheMod,         // Mplay.GetTheMod
    MplayPlayersWatching,   // Mplay.PlayersWatching
    MplayWaitAndChat,       // Mplay.WaitAndChat
    MplayJoin,              // Mplay.Join
    MplayRefresh,           // Mplay.Refresh
    MplayCopyIP,            // Mplay.CopyIP
    MplayGotoRanking,       // Mplay.GotoRanking
    MplayClose,             // Mplay.Close
    MplayIP,                // Mplay.IP
    MplayHost,              // Mplay.Host
    MplayUserName,          // Mplay.UserName
    MplayMap,               // Mplay.Map
    MplayComment,           // Mplay.Comment
    MplayPlayers,           // Mplay.Players
    MplayHeaderIP,          // Mplay.HeaderIP
    MplayHeaderUsername,    // Mplay.HeaderUsername
    MplayHeaderPosted,      // Mplay.HeaderPosted
    MplayHeaderVersion,     // Mplay.HeaderVersion
    MplayHeaderPlayer,      // Mplay.HeaderPlayer
    MplayHeaderMap,         // Mplay.HeaderMap
    MplayHeaderComment,     // Mplay.HeaderComment
    MplayStayInChatMsg,     // Mplay.StayInChatMsg
    MplayErrror1,           // Mplay.Errror1
    MplayErrror2,           // Mplay.Errror2
    MplayErrror3,           // Mplay.Errror3
    OptionsMiscOptions,     // Options.MiscOptions
    OptionsViewNews,        // Options.ViewNews
    OptionsModEventTrigger, // Options.ModEventTrigger
    OptionsOnLaunch,        // Options.OnLaunch
    OptionsOnMultiplayer,   // Options.OnMultiplayer
    OptionsMplayLauncher,   // options.MplayLauncher
    OptionsLaunchHosting,   // options.LaunchHosting
    OptionsJoinDirect,      // options.JoinDirect
    OptionsFetchIP,         // options.FetchIP
    OptionsImportSave,      // options.ImportSave
    OptionsSave,            // options.Save
    OptionsCancel,          // options.Cancel
};

// The translatable texts of the switcher: 72 keys with English defaults, read
// once from the active language file (zandrel\lang.ini, section "lang").
class LanguageTable {
public:
    static constexpr std::size_t kKeyCount = 72;

    struct Entry {
        Lang id;
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

    const std::string& Text(Lang key) const { return m_texts[static_cast<std::size_t>(key)]; }

private:
    std::array<std::string, kKeyCount> m_texts;
};
static_assert(static_cast<std::size_t>(Lang::OptionsCancel) + 1 == LanguageTable::kKeyCount);

// Turns every backslash + n into a carriage return (a line break in a message).
std::string ExpandBreaks(std::string_view text);

} // namespace switcher
