#pragma once

#include "common/message_sink.h"
#include "switcher/background_qt.h"
#include "switcher/lang/language_table.h"
#include "switcher/options/options_view.h"
#include "switcher/options/switcher_settings.h"

#include <string>

class QCheckBox;

namespace switcher {

// The options window (TForm5). Its check boxes are the live option settings;
// switcher.ini only carries them from one run to the next: they are loaded
// once when the window is made and written only by Save.
class OptionsWindow : public BackgroundWindow, public OptionsView {
    Q_OBJECT
public:
    // The boxes start from `initial` when it is given, else from the file.
    OptionsWindow(const LanguageTable& language, common::MessageSink& sink, std::string settingsPath,
                  const SwitcherSettings* initial = nullptr, QWidget* parent = nullptr);

    bool ViewNews() const override;
    bool LaunchWhenHost() const override;
    bool FetchSelectedIp() const override;
    bool FetchAll() const override;

    // The boxes' current state.
    SwitcherSettings Settings() const;

signals:
    // The save-game import button; the import itself is wired by the owner.
    void ImportSaveRequested();

private:
    void ApplySettings(const SwitcherSettings& settings);
    void Save();

    common::MessageSink& m_sink;
    std::string m_settingsPath;
    QCheckBox* m_viewNews;
    QCheckBox* m_onLaunch;
    QCheckBox* m_onMultiplayer;
    QCheckBox* m_launchWhenHost;
    QCheckBox* m_fetchSelectedIp;
    QCheckBox* m_fetchAll;
    QCheckBox* m_quiet;
    QCheckBox* m_verbose;
    QCheckBox* m_autoConnect;
    QCheckBox* m_closeChatOnLaunch;
};

} // namespace switcher
