#include "switcher/options/options_window.h"

#include "common/qt/ui_text_qt.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace switcher {

namespace {

QCheckBox* MakeBox(QWidget* parent, const char* name, const QString& caption, const QRect& geometry) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

} // namespace

OptionsWindow::OptionsWindow(const LanguageTable& language, common::MessageSink& sink,
                             std::string settingsPath, const SwitcherSettings* initial, QWidget* parent)
    : BackgroundWindow(QSize(490, 240), parent), m_sink(sink), m_settingsPath(std::move(settingsPath)) {
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Options"));
    auto tr = [&](Lang key) { return common::UiText(language.Text(key)); };

    // Left column: misc and mod event triggers; right column: the launcher.
    MakeLabel(this, "MiscOptionsLabel", tr(Lang::OptionsMiscOptions), QRect(12, 10, 220, 18));
    m_viewNews = MakeBox(this, "optionsViewNews", tr(Lang::OptionsViewNews), QRect(20, 30, 220, 20));
    MakeLabel(this, "ModEventTriggerLabel", tr(Lang::OptionsModEventTrigger), QRect(12, 62, 220, 18));
    m_onLaunch = MakeBox(this, "OnLaunch", tr(Lang::OptionsOnLaunch), QRect(20, 82, 220, 20));
    m_onMultiplayer = MakeBox(this, "OnMultiplayer", tr(Lang::OptionsOnMultiplayer), QRect(20, 104, 220, 20));

    MakeLabel(this, "MplayLauncherLabel", tr(Lang::OptionsMplayLauncher), QRect(250, 10, 230, 18));
    m_launchWhenHost =
        MakeBox(this, "optionsLaunchWhenHost", tr(Lang::OptionsLaunchHosting), QRect(258, 30, 226, 20));
    m_fetchSelectedIp =
        MakeBox(this, "optionsFetchSelectedIp", tr(Lang::OptionsJoinDirect), QRect(258, 52, 226, 20));
    m_fetchAll = MakeBox(this, "optionsFetchAll", tr(Lang::OptionsFetchIP), QRect(258, 74, 226, 20));

    // The chat settings are kept and saved, but nothing acts on them, so
    // their controls stay hidden (with fixed English captions).
    MakeLabel(this, "ChatOptionsLabel", QStringLiteral("Chat Options"), QRect(250, 100, 230, 18))->hide();
    m_quiet = MakeBox(this, "optionsQuiet", QStringLiteral("Silences Join/parts"), QRect(258, 120, 226, 20));
    m_verbose =
        MakeBox(this, "optionsVerboseMode", QStringLiteral("Verbose mode "), QRect(258, 140, 226, 20));
    m_autoConnect =
        MakeBox(this, "optionsAutoConnect", QStringLiteral("Automaticly connect"), QRect(258, 160, 226, 20));
    m_closeChatOnLaunch = MakeBox(this, "optionsCloseChatOnLaunch",
                                  QStringLiteral("Close Chat on game launch"), QRect(258, 180, 226, 20));
    for (QCheckBox* box : {m_quiet, m_verbose, m_autoConnect, m_closeChatOnLaunch})
        box->hide();

    QPushButton* import =
        MakeFlatButton(this, "ImportSave", tr(Lang::OptionsImportSave), QRect(12, 150, 230, 22));
    QPushButton* save = MakeFlatButton(this, "Save", tr(Lang::OptionsSave), QRect(300, 206, 80, 24));
    QPushButton* cancel = MakeFlatButton(this, "Cancel", tr(Lang::OptionsCancel), QRect(392, 206, 80, 24));
    connect(import, &QPushButton::clicked, this, &OptionsWindow::ImportSaveRequested);
    connect(save, &QPushButton::clicked, this, &OptionsWindow::Save);
    // Cancel writes nothing; the boxes keep what the user made of them.
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    SwitcherSettings settings;
    if (initial)
        settings = *initial;
    else
        settings.Load(common::IniFile(m_settingsPath));
    ApplySettings(settings);
    CentreOnScreen();
}

bool OptionsWindow::ViewNews() const {
    return m_viewNews->isChecked();
}
bool OptionsWindow::LaunchWhenHost() const {
    return m_launchWhenHost->isChecked();
}
bool OptionsWindow::FetchSelectedIp() const {
    return m_fetchSelectedIp->isChecked();
}
bool OptionsWindow::FetchAll() const {
    return m_fetchAll->isChecked();
}

SwitcherSettings OptionsWindow::Settings() const {
    SwitcherSettings s;
    s.onMultiplayer = m_onMultiplayer->isChecked();
    s.onLaunch = m_onLaunch->isChecked();
    s.launchWhenHost = m_launchWhenHost->isChecked();
    s.quiet = m_quiet->isChecked();
    s.fetchSelected = m_fetchSelectedIp->isChecked();
    s.fetchAll = m_fetchAll->isChecked();
    s.viewNews = m_viewNews->isChecked();
    s.verbose = m_verbose->isChecked();
    s.autoConnect = m_autoConnect->isChecked();
    s.closeOnLaunch = m_closeChatOnLaunch->isChecked();
    return s;
}

void OptionsWindow::ApplySettings(const SwitcherSettings& s) {
    m_onMultiplayer->setChecked(s.onMultiplayer);
    m_onLaunch->setChecked(s.onLaunch);
    m_launchWhenHost->setChecked(s.launchWhenHost);
    m_quiet->setChecked(s.quiet);
    m_fetchSelectedIp->setChecked(s.fetchSelected);
    m_fetchAll->setChecked(s.fetchAll);
    m_viewNews->setChecked(s.viewNews);
    m_verbose->setChecked(s.verbose);
    m_autoConnect->setChecked(s.autoConnect);
    m_closeChatOnLaunch->setChecked(s.closeOnLaunch);
}

void OptionsWindow::Save() {
    common::IniFile ini(m_settingsPath);
    std::string failedPath;
    if (!Settings().Save(ini, failedPath)) {
        m_sink.ShowMessage(UnableToWriteMessage(failedPath));
        return; // the window stays open
    }
    close();
}

} // namespace switcher
