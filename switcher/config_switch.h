#pragma once

#include "common/message_sink.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"

#include <string>
#include <string_view>

namespace switcher {

// Swaps the game's and the map editor's settings files (sudtest.ini,
// edit3.ini) between the mods of the catalogue. The files are copied whole,
// never parsed. Every copy replaces its target whole or leaves it as it was
// (temporary file + rename), and a copy that cannot be made is skipped
// without a message.
//
// `lastmode` is the acronym of the mod whose files are installed in the
// game's directories; it is kept in memory and as game/mode in switcher.ini.
class ConfigSwitcher {
public:
    // The exit code the program ends with after RecoverConfigs.
    static constexpr int kExitCodeAfterRecover = 1;

    // `programDirectory` ends with a separator; it is the game's installation
    // root, against which the descriptors' working directories resolve.
    ConfigSwitcher(const ModCatalogue& catalogue, const LanguageTable& language, common::MessageSink& sink,
                   std::string programDirectory);

    // lastmode as given (start-up passes what switcher.ini holds).
    void SetLastMode(std::string acronym) { m_lastMode = std::move(acronym); }
    const std::string& LastMode() const { return m_lastMode; }
    // Reads game/mode from switcher.ini ("cdv" when absent) into lastmode.
    void LoadLastMode();

    // Saves the installed files into the lastmode mod's config directory,
    // installs the given mod's saved files and remembers that mod. False when
    // the switch was abandoned (lastmode or `acronym` is not catalogued; the
    // not-found message has been shown and nothing was copied) or when
    // switcher.ini could not be written (message shown, the copies made).
    // Either way the command that asked for the switch stops.
    bool SwitchConfig(std::string_view acronym);

    // Lower-cases the acronym (A to Z only), makes it lastmode and writes it to
    // switcher.ini as game/mode. On a failed write shows "Unable to write to "
    // + the file's full path and returns false; lastmode is set regardless,
    // because it must name the mod whose files are now installed.
    bool RememberMode(std::string_view acronym);

    // Fix config: shows Main.Recover, resets every mod's saved files to its
    // defaults, installs the first mod's defaults and remembers that mod (an
    // empty catalogue: only the message). The caller then ends the program
    // with kExitCodeAfterRecover, whether or not the copies succeeded.
    void RecoverConfigs();

    // programDirectory + "switcher.ini".
    std::string SettingsPath() const;

private:
    // The installed copy of a settings file: working directory + file name,
    // resolved against the program directory.
    std::string InstalledPath(std::string_view workingDir, std::string_view fileName) const;

    const ModCatalogue& m_catalogue;
    const LanguageTable& m_language;
    common::MessageSink& m_sink;
    std::string m_programDirectory;
    std::string m_lastMode = "cdv";
};

} // namespace switcher
