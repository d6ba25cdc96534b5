#include "switcher/config_switch.h"

#include "common/file_system.h"
#include "common/ini_file.h"
#include "switcher/options/switcher_settings.h"

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

// Copies a whole settings file. Failures are not reported: a missing source
// or an unwritable target leaves the target as it was, and the switch goes
// on. A target that already holds the source's bytes is left alone: the
// result is the same, and it spares a flushed write (switching back and forth
// mostly copies files onto identical copies of themselves).
void CopySilently(const std::string& source, const std::string& target) {
    std::string bytes;
    if (!common::ReadWholeFile(source, bytes))
        return;
    std::string current;
    if (common::ReadWholeFile(target, current, bytes.size()) && current == bytes)
        return;
    [[maybe_unused]] const bool written = common::WriteFileAtomically(target, bytes);
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
    CopySilently(InstalledPath(last.GameWorkingDir, kGameSettings),
                 InModDirectory(last.ConfigDir, kGameSettings));
    CopySilently(InstalledPath(last.EditWorkingDir, kEditorSettings),
                 InModDirectory(last.ConfigDir, kEditorSettings));
    CopySilently(InModDirectory(next.ConfigDir, kGameSettings),
                 InstalledPath(next.GameWorkingDir, kGameSettings));
    CopySilently(InModDirectory(next.ConfigDir, kEditorSettings),
                 InstalledPath(next.EditWorkingDir, kEditorSettings));

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
    m_sink.ShowMessage(m_language.Text("Main.Recover"));

    for (const ModRecord& mod : m_catalogue.Mods()) {
        CopySilently(InModDirectory(mod.DefaultDir, kGameSettings),
                     InModDirectory(mod.ConfigDir, kGameSettings));
        CopySilently(InModDirectory(mod.DefaultDir, kEditorSettings),
                     InModDirectory(mod.ConfigDir, kEditorSettings));
    }
    if (m_catalogue.Size() == 0)
        return; // nothing to install; game/mode stays as it is

    // The first entry is installed whatever its acronym.
    const ModRecord& first = m_catalogue.Mods().front();
    CopySilently(InModDirectory(first.DefaultDir, kGameSettings),
                 InstalledPath(first.GameWorkingDir, kGameSettings));
    CopySilently(InModDirectory(first.DefaultDir, kEditorSettings),
                 InstalledPath(first.EditWorkingDir, kEditorSettings));
    RememberMode(first.Acronym);
}

} // namespace switcher
