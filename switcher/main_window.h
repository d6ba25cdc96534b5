#pragma once

#include "common/message_sink.h"
#include "switcher/background_qt.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"
#include "switcher/options/options_view.h"

#include <QImage>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;

namespace switcher {

class LauncherWindow;
class NewsView;

// The main window (TForm1): the mod list, the selected mod's name, banner and
// news page, and the commands.
class MainWindow : public BackgroundWindow {
    Q_OBJECT
public:
    // Checks that the mod root exists (a message on `sink` when it does not).
    MainWindow(const LanguageTable& language, common::MessageSink& sink, QWidget* parent = nullptr);

    // The windows whose state follows the selected mod or feeds it; set
    // before the window is first shown.
    void Attach(LauncherWindow* launcher, const OptionsView* options);

    int SelectedIndex() const;
    const std::string& LastMode() const { return m_lastmode; }
    const std::string& MapName() const { return m_mapname; }
    std::string VersionText() const;
    const ModCatalogue& Catalogue() const { return m_catalogue; }

    // Refreshes every display that depends on the selected mod.
    void ShowModInfo();

signals:
    void OptionsRequested();
    void LanguageRequested();
    // Emitted once, after the first show has selected the installed mod.
    void Started();

protected:
    void showEvent(QShowEvent* event) override;
    // The user picked another mod in `mode`.
    virtual void OnModeChanged(int index);

private:
    void BuildControls();
    void FirstShow();

    const LanguageTable& m_language;
    common::MessageSink& m_sink;
    LauncherWindow* m_launcher = nullptr;
    const OptionsView* m_options = nullptr;

    ModCatalogue m_catalogue;
    std::string m_lastmode;
    std::string m_mapname;
    bool m_started = false;

    QComboBox* m_mode = nullptr;
    QLabel* m_modename = nullptr;
    QLabel* m_banner = nullptr;
    QLabel* m_version = nullptr;
    QPushButton* m_modSetup = nullptr;
    NewsView* m_news = nullptr;
};

} // namespace switcher
