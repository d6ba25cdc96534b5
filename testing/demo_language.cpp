// The sample language files. The translations are written here in UTF-8 for
// readability and turned into the bytes of their Windows code page when the
// file is produced, because that is what the switcher reads.
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

struct Translation {
    std::string_view key;
    std::string_view russian;
    std::string_view polish;
};

// Same keys in the same order as kTexts (checked below).
constexpr std::array<Translation, 72> kTranslations{{
    {"LangName", "Русский", "Polski"},
    {"LangSelect.Title", "Выбор языка", "Wybór języka"},
    {"LangSelect.Select", "Выбор и перезапуск", "Wybierz i zrestartuj"},
    {"LangSelect.Exit", "Выход", "Wyjdź"},
    {"LangSelect.Change", "Настройки языка изменены - программа закрывается",
     "Zmieniono ustawienia języka - program zostanie zamknięty"},
    {"LangSelect.NoChange", "Язык не выбран. Ничего не изменено", "Nie wybrano języka. Nic nie zmieniono"},
    {"LangSelect.error1",
     "Каталог zandrel\\lang\\ не существует. Проверьте каталог установки (устанавливайте с путями).",
     "Katalog zandrel\\lang\\ nie istnieje. Sprawdź katalog instalacji (instaluj ze ścieżkami)."},
    {"LangSelect.error2", "В каталоге zandrel\\lang\\ нет языковых файлов - выход",
     "Brak plików językowych w katalogu zandrel\\lang\\ - zamykanie"},
    {"Main.Language", "Язык : ", "Język : "},
    {"Main.LaunchGame", "Запуск игры", "Uruchom grę"},
    {"Main.Multiplayer", "Сетевая игра", "Gra sieciowa"},
    {"Main.SelectSPMap", "Выбор карты", "Wybierz mapę"},
    {"Main.Bootstrap", "Быстрый старт", "Szybki start"},
    {"Main.BriefingEdit", "Редактор брифинга", "Edytor odpraw"},
    {"Main.MapEdit", "Редактор карт", "Edytor map"},
    {"Main.ModSetup", "Настройка мода", "Ustawienia moda"},
    {"Main.Close", "Закрыть", "Zamknij"},
    {"Main.GetHelp", "Помощь!", "Pomoc!"},
    {"Main.FixConfig", "Сброс настроек", "Napraw konfig"},
    {"Main.ImportSave", "Импорт сохр.", "Importuj zapisy"},
    {"Main.Options", "Настройки", "Opcje"},
    {"Main.Readme", "Описание", "Przeczytaj"},
    {"Main.Chat", "Чат", "Czat"},
    {"Main.Forum", "Форум", "Forum"},
    {"Main.GetMaps", "Ещё карты!", "Więcej map!"},
    {"Main.Recover",
     "Попытка вернуть стандартные настройки всех установленных модов. Затем программа завершится.",
     "Spróbuje przywrócić domyślne ustawienia wszystkich zainstalowanych modów. Następnie program zostanie "
     "zamknięty."},
    {"Main.Error1", "Каталог Zandrel не найден - ошибка!", "Nie znaleziono katalogu Zandrel - błąd!"},
    {"Main.Error2", "Подкаталог", "Podkatalog"},
    {"Main.Error3", "не найден. Запускайте программу из корневого каталога",
     "nie został znaleziony. Program należy uruchamiać z katalogu głównego"},
    {"Main.Error4", "не найден", "nie znaleziono"},
    {"Main.Error5", "ошибка поиска режима:", "błąd wyszukiwania trybu:"},
    {"Main.Error6", "не найден", "nie znaleziono"},
    {"Main.SelectMapError", "Выберите одиночную карту для быстрого старта",
     "Wybierz mapę jednoosobową do szybkiego startu"},
    {"Main.SelectMap", "Выберите одиночную карту для загрузки.", "Wybierz mapę jednoosobową do wczytania."},
    {"Mplay.ModClasses", "Классы модов", "Klasy modów"},
    {"Mplay.GetTheMod", "Скачать мод", "Pobierz moda"},
    {"Mplay.PlayersWatching", "Зрители", "Obserwujący"},
    {"Mplay.WaitAndChat", "Ждать в чате", "Czekaj na czacie"},
    {"Mplay.Join", "// Войти //", "// Dołącz //"},
    {"Mplay.Refresh", "Обновить", "Odśwież"},
    {"Mplay.CopyIP", "Копировать IP", "Kopiuj IP"},
    {"Mplay.GotoRanking", "К рейтингу", "Do rankingu"},
    {"Mplay.Close", "Закрыть", "Zamknij"},
    {"Mplay.IP", "IP", "IP"},
    {"Mplay.Host", "// Создать //", "// Utwórz //"},
    {"Mplay.UserName", "Имя игрока", "Nazwa gracza"},
    {"Mplay.Map", "Карта", "Mapa"},
    {"Mplay.Comment", "Комментарий", "Komentarz"},
    {"Mplay.Players", "Игроки     ", "Gracze     "},
    {"Mplay.HeaderIP", "IP", "IP"},
    {"Mplay.HeaderUsername", "Игрок", "Gracz"},
    {"Mplay.HeaderPosted", "Создана", "Dodano"},
    {"Mplay.HeaderVersion", "Версия", "Wersja"},
    {"Mplay.HeaderPlayer", "Игр.", "Gr."},
    {"Mplay.HeaderMap", "Карта", "Mapa"},
    {"Mplay.HeaderComment", "Комментарий", "Komentarz"},
    {"Mplay.StayInChatMsg", "Оставайся в чате!!! :)", "Zostań na czacie!!! :)"},
    {"Mplay.Errror1",
     "Вы пытаетесь запустить мод другого класса, чем текущий. \\n\\nВручную переключитесь на мод класса:",
     "Próbujesz uruchomić mod innej klasy niż bieżący. \\n\\nPrzełącz się ręcznie na mod klasy:"},
    {"Mplay.Errror2", "для подтверждения запуска.)", "aby potwierdzić uruchomienie.)"},
    {"Mplay.Errror3",
     "Попробуйте позже: сервер недоступен или не отвечает - переключитесь в режим cdv и используйте там базу "
     "IP.",
     "Spróbuj później, serwer jest niedostępny lub nie odpowiada - przełącz się w tryb cdv i skorzystaj tam "
     "z bazy IP."},
    {"Options.MiscOptions", "Прочие настройки", "Inne opcje"},
    {"Options.ViewNews", "Новости при запуске", "Wiadomości przy starcie"},
    {"Options.ModEventTrigger", "События модов", "Zdarzenia modów"},
    {"Options.OnLaunch", "Событие мода при запуске", "Zdarzenie moda przy starcie"},
    {"Options.OnMultiplayer", "Событие мода в сетевой игре", "Zdarzenie moda w grze sieciowej"},
    {"options.MplayLauncher", "Лаунчер сетевой игры", "Launcher gry sieciowej"},
    {"options.LaunchHosting", "Запускать при создании?", "Uruchamiać przy tworzeniu?"},
    {"options.JoinDirect", "Входить сразу (только v2.2+)", "Dołączaj bezpośrednio (tylko v2.2+)"},
    {"options.FetchIP", "Загружать список IP при входе?", "Pobierać listę IP przy dołączaniu?"},
    {"options.ImportSave", "Импорт сохранений в текущий режим", "Importuj zapisy do bieżącego trybu"},
    {"options.Save", "Сохранить", "Zapisz"},
    {"options.Cancel", "Отмена", "Anuluj"},
}};

constexpr bool SameKeys() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (kTexts[i].key != kTranslations[i].key)
            return false;
    }
    return true;
}
static_assert(SameKeys(), "kTranslations must list the keys of kTexts in their order");

// One character of a code page above ASCII.
struct Letter {
    char32_t unicode;
    unsigned char byte;
};

// The Polish letters of Windows-1250 (and ó, which it shares with Latin-1).
constexpr Letter kWindows1250[] = {
    {U'\u0104', 0xA5}, {U'\u0105', 0xB9}, {U'\u0106', 0xC6}, {U'\u0107', 0xE6}, {U'\u0118', 0xCA},
    {U'\u0119', 0xEA}, {U'\u0141', 0xA3}, {U'\u0142', 0xB3}, {U'\u0143', 0xD1}, {U'\u0144', 0xF1},
    {U'\u00D3', 0xD3}, {U'\u00F3', 0xF3}, {U'\u015A', 0x8C}, {U'\u015B', 0x9C}, {U'\u0179', 0x8F},
    {U'\u017A', 0x9F}, {U'\u017B', 0xAF}, {U'\u017C', 0xBF},
};

enum class CodePage { Windows1252, Windows1251, Windows1250 };

// The byte of `c` in the code page, or '?' for a character it cannot hold.
char ToByte(char32_t c, CodePage page) {
    if (c < 0x80)
        return static_cast<char>(c);
    switch (page) {
    case CodePage::Windows1252: // Latin-1 letters, where both agree
        if (c >= 0xA0 && c <= 0xFF)
            return static_cast<char>(c);
        break;
    case CodePage::Windows1251: // А..я in alphabetical order, then Ё and ё
        if (c >= 0x410 && c <= 0x44F)
            return static_cast<char>(0xC0 + (c - 0x410));
        if (c == 0x401)
            return static_cast<char>(0xA8);
        if (c == 0x451)
            return static_cast<char>(0xB8);
        break;
    case CodePage::Windows1250:
        for (const Letter& letter : kWindows1250) {
            if (letter.unicode == c)
                return static_cast<char>(letter.byte);
        }
        break;
    }
    return '?';
}

// UTF-8 (two-byte sequences at most, as in the tables) to the code page.
std::string FromUtf8(std::string_view utf8, CodePage page) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            out += ToByte(static_cast<char32_t>(((c & 0x1F) << 6) | (next & 0x3F)), page);
        } else {
            out += c < 0x80 ? static_cast<char>(c) : '?';
        }
    }
    return out;
}

struct Language {
    std::string_view name;
    std::string_view codePageName;
    CodePage codePage;
};

constexpr Language kLanguageList[] = {
    {"English", "CP1252", CodePage::Windows1252},
    {"German", "CP1252", CodePage::Windows1252},
    {"Russian", "CP1251", CodePage::Windows1251},
    {"Polish", "CP1250", CodePage::Windows1250},
};

const Language* FindLanguage(std::string_view name) {
    for (const Language& language : kLanguageList) {
        if (language.name == name)
            return &language;
    }
    return nullptr;
}

std::string_view Utf8Text(std::size_t i, std::string_view language) {
    if (language == "German")
        return kTexts[i].german;
    if (language == "Russian")
        return kTranslations[i].russian;
    if (language == "Polish")
        return kTranslations[i].polish;
    return kTexts[i].english;
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
    const Language* found = FindLanguage(language);
    if (found == nullptr)
        return {};
    std::string text = "[lang]\r\n";
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        text += kTexts[i].key;
        text += '=';
        text += ProfileValue(FromUtf8(Utf8Text(i, language), found->codePage));
        text += "\r\n";
    }
    return text;
}

std::vector<LanguageText> LanguageTexts(std::string_view language) {
    std::vector<LanguageText> texts;
    if (FindLanguage(language) == nullptr)
        return texts;
    for (std::size_t i = 0; i < kTexts.size(); ++i)
        texts.push_back({kTexts[i].key, Utf8Text(i, language)});
    return texts;
}

std::string_view LanguageCodePage(std::string_view language) {
    const Language* found = FindLanguage(language);
    return found == nullptr ? std::string_view() : found->codePageName;
}

std::size_t LanguageKeyCount() {
    return kTexts.size();
}

} // namespace demo
