#include "switcher/launch.h"

#include "common/file_system.h"
#include "switcher/integer_text.h"
#include "switcher/join_address.h"

#include <utility>

namespace switcher {
namespace {

// Puts the current directory back to the program directory when a launch
// ends, on every path out of it.
class BackToProgramDirectory {
public:
    explicit BackToProgramDirectory(const std::string& directory) : m_directory(directory) {}
    ~BackToProgramDirectory() { common::ChangeCurrentDirectory(m_directory); }
    BackToProgramDirectory(const BackToProgramDirectory&) = delete;
    BackToProgramDirectory& operator=(const BackToProgramDirectory&) = delete;

private:
    const std::string& m_directory;
};

void Call(const std::function<void()>& callback) {
    if (callback) {
        callback();
    }
}

} // namespace

Launcher::Launcher(const ModCatalogue& catalogue, const LanguageTable& language, common::MessageSink& sink,
                   common::Shell& shell, std::string programDirectory, std::function<int()> selectedIndex)
    : m_catalogue(catalogue), m_language(language), m_sink(sink), m_shell(shell),
      m_programDirectory(std::move(programDirectory)), m_selectedIndex(std::move(selectedIndex)) {}

const ModRecord& Launcher::Mod() const {
    return m_catalogue.Record(m_selectedIndex ? m_selectedIndex() : -1);
}

std::string Launcher::MissingDirectoryMessage(std::string_view directory) const {
    return ExpandBreaks(m_language.Text(Lang::MainError2)) + " \"" + std::string(directory) + "\" " +
           ExpandBreaks(m_language.Text(Lang::MainError3));
}

void Launcher::Start(const std::string& workingDir, const std::string& exe, const std::string& parameters,
                     const std::string& missingProgram, common::ShowMode mode) {
    BackToProgramDirectory restore(m_programDirectory);
    if (!common::DirectoryExists(workingDir)) {
        m_sink.ShowMessage(MissingDirectoryMessage(workingDir));
        return;
    }
    if (!common::FileExists(exe)) {
        m_sink.ShowMessage(missingProgram);
        return;
    }
    common::ChangeCurrentDirectory(workingDir);
    m_shell.Open(m_programDirectory + exe, parameters, mode);
}

void Launcher::LaunchGame(std::string_view address) {
    if (!address.empty() && !IsValidJoinAddress(address)) {
        m_sink.ShowMessage(RefusedJoinAddressMessage(address));
        return;
    }
    FireOnLaunchGame();
    const std::string exe = Mod().GameExe;
    std::string parameters = " " + Mod().GameArguments;
    if (!address.empty()) {
        parameters += " IP=";
        parameters += address;
    }
    Start(Mod().GameWorkingDir, exe, parameters, "Game_exe not found at: " + m_programDirectory + exe,
          common::ShowMode::ShowNA);
}

void Launcher::LaunchGameWith(std::string_view extra) {
    FireOnLaunchGame();
    const std::string exe = Mod().GameExe;
    std::string parameters = " " + Mod().GameArguments;
    if (!extra.empty()) {
        parameters += " ";
        parameters += extra;
    }
    Start(Mod().GameWorkingDir, exe, parameters,
          "Game_exe  " + m_language.Text(Lang::MainError4) + " " + m_programDirectory + exe,
          common::ShowMode::ShowNA);
}

void Launcher::LaunchMapEditor() {
    const std::string exe = Mod().EditExe;
    Start(Mod().EditWorkingDir, exe, " " + Mod().EditArguments,
          "edit3.exe  " + m_language.Text(Lang::MainError4) + " " + m_programDirectory + exe,
          common::ShowMode::ShowNormal);
}

void Launcher::LaunchBriefingEditor() {
    const std::string exe = Mod().BriefExe;
    Start(Mod().BriefDir, exe, " " + Mod().BriefArguments,
          "anied.exe " + m_language.Text(Lang::MainError4) + " " + m_programDirectory + exe,
          common::ShowMode::ShowNormal);
}

void Launcher::FireOnLaunchGame() {
    const std::string target = Mod().OnLaunchGame;
    if (!target.empty()) {
        m_shell.Open(target, "", common::ShowMode::ShowNA);
    }
}

void Launcher::FireOnLaunchMultiplayer(const std::function<void()>& raiseLauncher,
                                       const std::function<void()>& raiseApplication) {
    const std::string target = Mod().OnLaunchMultiplayer;
    if (target.empty()) {
        return;
    }
    // The opened page or program may take the front; the launcher is raised
    // before and after so it ends up above it.
    Call(raiseLauncher);
    m_shell.Open(target, "", common::ShowMode::ShowNormal);
    Call(raiseLauncher);
    Call(raiseApplication);
}

void Launcher::FireOnChat() {
    const std::string target = Mod().OnChat;
    if (!target.empty()) {
        m_shell.Open(target, "", common::ShowMode::ShowNA);
    }
}

Launcher::MultiplayerOutcome Launcher::ContinueMultiplayer(const std::function<void()>& raiseLauncher,
                                                           const std::function<void()>& raiseApplication) {
    const std::string useLauncher = Mod().UseLauncher;
    const auto value = ParseIntegerText(useLauncher);
    if (!value) {
        m_sink.ShowMessage(InvalidIntegerMessage(useLauncher));
        return MultiplayerOutcome::Stopped;
    }
    FireOnLaunchMultiplayer(raiseLauncher, raiseApplication);
    if (*value != 0) {
        return MultiplayerOutcome::ShowLauncher;
    }
    // An empty address opens nothing, without a message.
    m_shell.Open(Mod().WebDatabaseUrl, "", common::ShowMode::Show);
    return MultiplayerOutcome::OpenedWebDatabase;
}

} // namespace switcher
