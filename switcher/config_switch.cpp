#include "switcher/config_switch.h"

#include "common/file_system.h"
#include "common/ini_file.h"
#include "common/result.h"
#include "switcher/options/switcher_settings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

namespace switcher {
namespace {

constexpr std::string_view kGameSettings = "sudtest.ini";
constexpr std::string_view kEditorSettings = "edit3.ini";

// A file inside a mod's config or default directory (kept without a
// trailing backslash by the catalogue).
std::string InModDirectory(const std::string& directory, std::string_view fileName) {
    std::string path = directory;
    path += '\\';
    path += fileName;
    return path;
}

// A path that does not depend on the current directory: rooted ("\x", "/x")
// or with a drive letter ("C:").
bool IsAbsolute(std::string_view path) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/'))
        return true;
    return path.size() >= 2 && path[1] == ':';
}

// One whole-file copy of a switch.
struct SettingsCopy {
    std::string source;
    std::string target;
};

// Why a copy must not be made: a file that takes part in it and exists must be
// a regular file, or a link to one (a FIFO would block the switch, a device
// such as /dev/zero never ends, and a rename over a link to a device would
// replace the device), and a source must fit the cap. A missing file is no
// reason: a missing source is skipped, a missing target is created. Empty
// when the copy may go ahead.
std::string RefusalOf(const SettingsCopy& copy) {
    for (const std::string* path : {&copy.source, &copy.target}) {
        std::error_code error;
        const std::filesystem::path native(common::ResolvePath(*path));
        const std::filesystem::file_status status = std::filesystem::status(native, error);
        if (!std::filesystem::exists(status))
            continue;
        if (!std::filesystem::is_regular_file(status))
            return "Unable to copy " + *path + ": it is not a regular file.";
        if (path != &copy.source)
            continue;
        const std::uintmax_t size = std::filesystem::file_size(native, error);
        if (!error && size > ConfigSwitcher::kMaxSettingsFileSize)
            return "Unable to copy " + *path + ": it is larger than " +
                   std::to_string(ConfigSwitcher::kMaxSettingsFileSize >> 20) + " MiB.";
    }
    return {};
}

// Copies a whole settings file. Failures are not reported: a missing source
// or an unwritable target leaves the target as it was, and the switch goes
// on. The cap holds here too, for a file that grew or was replaced after it
// was checked. A target that already holds the source's bytes is left alone:
// the result is the same, and it spares a flushed write (switching back and
// forth mostly copies files onto identical copies of themselves).
void CopySilently(const SettingsCopy& copy) {
    std::string bytes;
    if (!common::ReadWholeFile(copy.source, bytes, ConfigSwitcher::kMaxSettingsFileSize))
        return;
    std::string current;
    if (common::ReadWholeFile(copy.target, current, bytes.size()) && current == bytes)
        return;
    common::IgnoreResult(common::WriteFileAtomically(copy.target, bytes),
                         "a copy that fails leaves the target as it was, and nothing is told");
}

// A copy of Fix config, which goes on past a refused file: each copy stands
// alone, and the program ends afterwards whatever the copies did.
void RecoverCopy(common::MessageSink& sink, const SettingsCopy& copy) {
    const std::string refusal = RefusalOf(copy);
    if (refusal.empty())
        CopySilently(copy);
    else
        sink.ShowMessage(refusal);
}

} // namespace

ConfigSwitcher::ConfigSwitcher(const ModCatalogue& catalogue, const LanguageTable& language,
                               common::MessageSink& sink, std::string programDirectory)
    : m_catalogue(catalogue), m_language(language), m_sink(sink),
      m_programDirectory(std::move(programDirectory)) {}

std::string ConfigSwitcher::SettingsPath() const {
    return SwitcherIniPath(m_programDirectory);
}

void ConfigSwitcher::LoadLastMode() {
    m_lastMode = ReadInstalledMode(common::IniFile(SettingsPath()));
}

std::string ConfigSwitcher::InstalledPath(std::string_view workingDir, std::string_view fileName) const {
    // The working directories are relative to the current directory, which is
    // the program directory whenever the switcher is idle. Joining them to the
    // program directory gives the same file without depending on the process
    // state. Nothing is inserted between directory and file name: the
    // descriptors end their working directories with a backslash.
    std::string path = IsAbsolute(workingDir) ? std::string() : m_programDirectory;
    path += workingDir;
    path += fileName;
    return path;
}

bool ConfigSwitcher::SwitchConfig(std::string_view acronym) {
    const int lastIndex = m_catalogue.FindMod(m_lastMode, m_sink, m_language);
    if (lastIndex < 0)
        return false;
    const int newIndex = m_catalogue.FindMod(acronym, m_sink, m_language);
    if (newIndex < 0)
        return false;
    const ModRecord& last = m_catalogue.Mods()[static_cast<std::size_t>(lastIndex)];
    const ModRecord& next = m_catalogue.Mods()[static_cast<std::size_t>(newIndex)];

    // Save what is installed into the mod it belongs to, then install the new
    // mod's saved files. With last == next the files go out and straight back.
    const std::array<SettingsCopy, 4> copies{{
        {InstalledPath(last.GameWorkingDir, kGameSettings), InModDirectory(last.ConfigDir, kGameSettings)},
        {InstalledPath(last.EditWorkingDir, kEditorSettings),
         InModDirectory(last.ConfigDir, kEditorSettings)},
        {InModDirectory(next.ConfigDir, kGameSettings), InstalledPath(next.GameWorkingDir, kGameSettings)},
        {InModDirectory(next.ConfigDir, kEditorSettings),
         InstalledPath(next.EditWorkingDir, kEditorSettings)},
    }};
    // Every file is checked before the first copy: a refused file abandons
    // the whole switch, so the installed files and lastmode still belong
    // together (half a switch would let the next one save one mod's files
    // into another mod).
    for (const SettingsCopy& copy : copies) {
        const std::string refusal = RefusalOf(copy);
        if (!refusal.empty()) {
            m_sink.ShowMessage(refusal);
            return false;
        }
    }
    for (const SettingsCopy& copy : copies)
        CopySilently(copy);

    return RememberMode(acronym);
}

bool ConfigSwitcher::RememberMode(std::string_view acronym) {
    // Set first: even when switcher.ini cannot be written, the new mod's files
    // are the installed ones, and the next switch must save them into it.
    m_lastMode = LowerAscii(acronym);
    common::IniFile settings(SettingsPath());
    if (!settings.WriteString("game", "mode", m_lastMode)) {
        m_sink.ShowMessage(UnableToWriteMessage(settings.Path()));
        return false;
    }
    return true;
}

void ConfigSwitcher::RecoverConfigs() {
    // Shown as written: this text keeps any backslash-n as two characters.
    m_sink.ShowMessage(m_language.Text(Lang::MainRecover));

    for (const ModRecord& mod : m_catalogue.Mods()) {
        RecoverCopy(m_sink, {InModDirectory(mod.DefaultDir, kGameSettings),
                             InModDirectory(mod.ConfigDir, kGameSettings)});
        RecoverCopy(m_sink, {InModDirectory(mod.DefaultDir, kEditorSettings),
                             InModDirectory(mod.ConfigDir, kEditorSettings)});
    }
    if (m_catalogue.Size() == 0)
        return; // nothing to install; game/mode stays as it is

    // The first entry is installed whatever its acronym.
    const ModRecord& first = m_catalogue.Mods().front();
    RecoverCopy(m_sink, {InModDirectory(first.DefaultDir, kGameSettings),
                         InstalledPath(first.GameWorkingDir, kGameSettings)});
    RecoverCopy(m_sink, {InModDirectory(first.DefaultDir, kEditorSettings),
                         InstalledPath(first.EditWorkingDir, kEditorSettings)});
    RememberMode(first.Acronym);
}

} // namespace switcher
