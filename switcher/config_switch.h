#pragma once

#include "common/message_sink.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace switcher {

// Swaps the game's and the map editor's settings files (sudtest.ini,
// edit3.ini) between the mods of the catalogue. The files are copied whole,
// never parsed. Every copy replaces its target whole or leaves it as it was
// (temporary file + rename), and a copy that cannot be made (missing source,
// read-only target) is skipped without a message. A file that is not a
// regular file, or a source over a few MiB, is refused with a message.
//
// `lastmode` is the acronym of the mod whose files are installed in the
// game's directories; it is kept in memory and as game/mode in switcher.ini.
class ConfigSwitcher {
public:
    // The exit code the program ends with after RecoverConfigs.
    static constexpr int kExitCodeAfterRecover = 1;

    // The largest settings file a switch copies. The game's settings files
    // hold a few hundred key=value lines, each value at most 2047
    // characters: a few KiB, some tens of KiB with long host lists. 4 MiB is
    // a hundred times the largest real one, so no genuine file is refused,
    // yet a mod that ships a huge file in its place is turned away before any
    // of it is held in memory (a copy reads its file whole).
    static constexpr std::uint64_t kMaxSettingsFileSize = 4u << 20;

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
    // the switch was abandoned (lastmode or `acronym` is not catalogued, or
    // one of the four files was refused; the message has been shown and
    // nothing was copied) or when switcher.ini could not be written (message
    // shown, the copies made).
    // Either way the command that asked for the switch stops.
    bool SwitchConfig(std::string_view acronym);

    // Lower-cases the acronym (A to Z only), makes it lastmode and writes it to
    // switcher.ini as game/mode. On a failed write shows "Unable to write to "
    // + the file's full path and returns false; lastmode is set regardless,
    // because it must name the mod whose files are now installed.
    bool RememberMode(std::string_view acronym);

    // Fix config: shows Main.Recover, resets every mod's saved files to its
    // defaults, installs the first mod's defaults and remembers that mod (an
    // empty catalogue: only the message). A refused file is reported and
    // skipped; the other copies go on. The caller then ends the program
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
