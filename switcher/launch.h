#pragma once

#include "common/message_sink.h"
#include "common/shell.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"

#include <functional>
#include <string>
#include <string_view>

namespace switcher {

// Starts the selected mod's game, map editor and briefing editor through the
// shell, and opens the mod's event triggers. Paths of the descriptor are
// relative to the current directory, which is the program directory while the
// switcher is idle; every launch leaves the current directory at the program
// directory again, whether it started something or not.
class Launcher {
public:
    // `selectedIndex` gives the catalogue index of the selected mod (-1 for
    // none) at the moment of each call. `programDirectory` ends with a
    // separator. Everything is held by reference and must outlive the Launcher.
    Launcher(const ModCatalogue& catalogue, const LanguageTable& language, common::MessageSink& sink,
             common::Shell& shell, std::string programDirectory, std::function<int()> selectedIndex);

    // Starts the game; a non-empty address joins that host (" IP=" + address).
    // An address that is not a plain IPv4 address or host name is refused
    // with a message before anything, the OnLaunchGame trigger included, runs.
    void LaunchGame(std::string_view address);
    // Starts the game with one more argument after the mod's own.
    void LaunchGameWith(std::string_view extra);
    void LaunchMapEditor();
    void LaunchBriefingEditor();

    // The mod's event triggers; each does nothing when its field is empty.
    void FireOnLaunchGame();
    // `raiseLauncher` brings the multiplayer launcher window to the front,
    // `raiseApplication` the whole program; either may be empty.
    void FireOnLaunchMultiplayer(const std::function<void()>& raiseLauncher = {},
                                 const std::function<void()>& raiseApplication = {});
    void FireOnChat();

    // What the Multiplayer command does after its configuration switch.
    enum class MultiplayerOutcome {
        Stopped,          // UseLauncher is not an integer; the message was shown
        ShowLauncher,     // the caller shows the multiplayer launcher window
        OpenedWebDatabase // WebDatabaseUrl was opened
    };
    // Converts UseLauncher, fires OnLaunchMultiplayer, and for a zero value
    // opens WebDatabaseUrl.
    MultiplayerOutcome ContinueMultiplayer(const std::function<void()>& raiseLauncher = {},
                                           const std::function<void()>& raiseApplication = {});

private:
    const ModRecord& Mod() const;
    // Checks the working directory and the program, then opens program
    // directory + exe from inside the working directory. `missingProgram` is
    // the message for an absent program.
    void Start(const std::string& workingDir, const std::string& exe, const std::string& parameters,
               const std::string& missingProgram, common::ShowMode mode);
    std::string MissingDirectoryMessage(std::string_view directory) const;

    const ModCatalogue& m_catalogue;
    const LanguageTable& m_language;
    common::MessageSink& m_sink;
    common::Shell& m_shell;
    std::string m_programDirectory;
    std::function<int()> m_selectedIndex;
};

// The message of the Multiplayer command when no mod is selected.
inline constexpr std::string_view kNoSelectedModMessage = "error cannot find selected mod.";

} // namespace switcher
