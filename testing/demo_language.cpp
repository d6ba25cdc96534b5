// The sample language files. The German texts are written here in UTF-8 for
// readability and turned into Windows-1252 bytes when the file is produced,
// because that is what the switcher reads.
#include "testing/demo_language.h"

#include <array>

namespace demo {
namespace {

struct Text {
    std::string_view key;
    std::string_view english;
    std::string_view german;
};

// "\\n" is the two characters backslash and n, as stored in the files.
constexpr std::array<Text, 72> kTexts{{
    {"LangName", "English", "Deutsch"},
    {"LangSelect.Title", "Select Language", "Sprache wählen"},
    {"LangSelect.Select", "Select and Restart", "Wählen und neu starten"},
    {"LangSelect.Exit", "Exit", "Beenden"},
    {"LangSelect.Change", "Changes applied to language settings - closing switcher",
     "Spracheinstellungen geändert - Switcher wird geschlossen"},
    {"LangSelect.NoChange", "No language selected. No action performed",
     "Keine Sprache gewählt. Nichts wurde geändert"},
    {"LangSelect.error1",
     "The zandrel\\lang\\ directory does not exist. Check your installation directory (remember to install "
     "with "
     "path).",
     "Das Verzeichnis zandrel\\lang\\ existiert nicht. Prüfen Sie Ihr Installationsverzeichnis (mit Pfad "
     "installieren)."},
    {"LangSelect.error2", "No language files found in directory zandrel\\lang\\ - exiting",
     "Keine Sprachdateien im Verzeichnis zandrel\\lang\\ gefunden - Programm wird beendet"},
    {"Main.Language", "Language : ", "Sprache : "},
    {"Main.LaunchGame", "Launch Game", "Spiel starten"},
    {"Main.Multiplayer", "Multiplayer", "Mehrspieler"},
    {"Main.SelectSPMap", "Select Map", "Karte wählen"},
    {"Main.Bootstrap", "Bootstrap", "Direktstart"},
    {"Main.BriefingEdit", "Briefing Edit", "Briefing-Editor"},
    {"Main.MapEdit", "Map Edit", "Karteneditor"},
    {"Main.ModSetup", "Mod Setup", "Mod-Einrichtung"},
    {"Main.Close", "Close", "Schließen"},
    {"Main.GetHelp", "Get Help!", "Hilfe!"},
    {"Main.FixConfig", "FixConfig", "Konfig reparieren"},
    {"Main.ImportSave", "Import Save", "Spielstand importieren"},
    {"Main.Options", "Options", "Optionen"},
    {"Main.Readme", "Readme", "Liesmich"},
    {"Main.Chat", "Chat", "Chat"},
    {"Main.Forum", "Forum", "Forum"},
    {"Main.GetMaps", "Get Maps!", "Karten holen!"},
    {"Main.Recover",
     "Will try to return to default configs for all installed mods. Switcher will exit afterwards.",
     "Versucht, für alle installierten Mods die Standardkonfiguration wiederherzustellen. Der Switcher wird "
     "danach beendet."},
    {"Main.Error1", "Cant find Zandrel directory - error!", "Zandrel-Verzeichnis nicht gefunden - Fehler!"},
    {"Main.Error2", "Subdirectory", "Unterverzeichnis"},
    {"Main.Error3", "not found. Switcher should be run from the root dir",
     "nicht gefunden. Der Switcher muss aus dem Hauptverzeichnis gestartet werden"},
    {"Main.Error4", "not found", "nicht gefunden"},
    {"Main.Error5", "error looking for mode:", "Fehler bei der Suche nach Modus:"},
    {"Main.Error6", "not found", "nicht gefunden"},
    {"Main.SelectMapError", "Select Singleplayer map to bootstrap",
     "Einzelspielerkarte für den Direktstart wählen"},
    {"Main.SelectMap", "Select Singleplayer map to load.", "Einzelspielerkarte zum Laden wählen."},
    {"Mplay.ModClasses", "Mod Classes", "Mod-Klassen"},
    {"Mplay.GetTheMod", "Get The Mod", "Mod herunterladen"},
    {"Mplay.PlayersWatching", "Players Watching", "Zuschauende Spieler"},
    {"Mplay.WaitAndChat", "Wait and Chat", "Warten und chatten"},
    {"Mplay.Join", "// Join //", "// Beitreten //"},
    {"Mplay.Refresh", "Refresh", "Aktualisieren"},
    {"Mplay.CopyIP", "Copy IP", "IP kopieren"},
    {"Mplay.GotoRanking", "Goto Ranking", "Zur Rangliste"},
    {"Mplay.Close", "Close", "Schließen"},
    {"Mplay.IP", "IP", "IP"},
    {"Mplay.Host", "// Host //", "// Eröffnen //"},
    {"Mplay.UserName", "Username", "Benutzername"},
    {"Mplay.Map", "Map", "Karte"},
    {"Mplay.Comment", "Comment", "Kommentar"},
    {"Mplay.Players", "Players     ", "Spieler     "},
    {"Mplay.HeaderIP", "IP", "IP"},
    {"Mplay.HeaderUsername", "Username", "Benutzer"},
    {"Mplay.HeaderPosted", "Posted", "Eingetragen"},
    {"Mplay.HeaderVersion", "Version", "Version"},
    {"Mplay.HeaderPlayer", "Pl.", "Sp."},
    {"Mplay.HeaderMap", "Map", "Karte"},
    {"Mplay.HeaderComment", "Comment", "Kommentar"},
    {"Mplay.StayInChatMsg", "Stay in chat!!! :)", "Bleib im Chat!!! :)"},
    {"Mplay.Errror1",
     "You are trying to launch a mod of different class than your current mod. \\n\\nManually switch to an:",
     "Sie versuchen, eine Mod einer anderen Klasse als Ihre aktuelle Mod zu starten. \\n\\nWechseln Sie von "
     "Hand "
     "zu einer:"},
    {"Mplay.Errror2", "mod to confirm launch.)", "Mod, um den Start zu bestätigen.)"},
    {"Mplay.Errror3",
     "Try again later, it doesnt work now due to server downtime or timeout - switch to cdv mode and use the "
     "ip "
     "database there.",
     "Versuchen Sie es später noch einmal, der Server ist nicht erreichbar oder antwortet nicht - wechseln "
     "Sie in "
     "den cdv-Modus und nutzen Sie dort die IP-Datenbank."},
    {"Options.MiscOptions", "Misc Options", "Sonstige Optionen"},
    {"Options.ViewNews", "Show News on Startup", "Neuigkeiten beim Start zeigen"},
    {"Options.ModEventTrigger", "Mod Event Triggers", "Mod-Ereignisse"},
    {"Options.OnLaunch", "OnLaunch mod event", "Mod-Ereignis beim Spielstart"},
    {"Options.OnMultiplayer", "OnMultiplayer mod event", "Mod-Ereignis bei Mehrspieler"},
    {"options.MplayLauncher", "Multiplayer Launcher", "Mehrspieler-Starter"},
    {"options.LaunchHosting", "Launch When Hosting?", "Beim Eröffnen starten?"},
    {"options.JoinDirect", "Join MP game directly (only v2.2+)", "Direkt beitreten (erst ab v2.2)"},
    {"options.FetchIP", "Fetch IP list when joining game?", "IP-Liste beim Beitreten holen?"},
    {"options.ImportSave", "Import Savegames Into Current Mode",
     "Spielstände in aktuellen Modus importieren"},
    {"options.Save", "Save", "Speichern"},
    {"options.Cancel", "Cancel", "Abbrechen"},
}};

// UTF-8 to Windows-1252 for the Latin-1 letters used above (U+00A0..U+00FF,
// where both agree); ASCII passes through.
std::string ToWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            out += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The profile reader trims blanks around a value unless it is quoted.
std::string ProfileValue(std::string_view value) {
    std::string out;
    const bool quote = !value.empty() && (value.front() == ' ' || value.back() == ' ');
    if (quote)
        out += '"';
    out += value;
    if (quote)
        out += '"';
    return out;
}

} // namespace

std::string LanguageFile(std::string_view language) {
    const bool german = language == "German";
    if (!german && language != "English")
        return {};
    std::string text = "[lang]\r\n";
    for (const Text& t : kTexts) {
        text += t.key;
        text += '=';
        text += ProfileValue(german ? ToWindows1252(t.german) : std::string(t.english));
        text += "\r\n";
    }
    return text;
}

std::size_t LanguageKeyCount() {
    return kTexts.size();
}

} // namespace demo
