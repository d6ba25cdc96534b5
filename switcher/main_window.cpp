#include "switcher/main_window.h"

#include "common/file_system.h"
#include "common/qt/ui_text_qt.h"
#include "switcher/banner_qt.h"
#include "switcher/mod_display.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/news_view_qt.h"
#include "switcher/options/save_import.h"
#include "switcher/service_address.h"
#include "switcher/window_state_qt.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QUrl>
#include <utility>

namespace switcher {

namespace {

constexpr char kVersionText[] = "v1.05";

// The help site that Get Help! opens (the root page of the community's help site).
constexpr std::string_view kHelpSiteUrl = "http://help.zandrel-community.net/";

// A transparent container for one group of the layout.
QWidget* MakeGroup(QWidget* parent, const char* name, const QRect& geometry) {
    auto* group = new QWidget(parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    return group;
}

} // namespace

MainWindow::MainWindow(MainWindowParts parts, QWidget* parent)
    : BackgroundWindow(QSize(794, 433), parent), m_language(parts.language), m_sink(parts.sink),
      m_shell(parts.shell), m_chooser(parts.chooser), m_catalogue(parts.catalogue),
      m_switcher(parts.switcher), m_launcher(parts.launcher),
      m_programDirectory(std::move(parts.programDirectory)), m_serviceRoot(std::move(parts.serviceRoot)) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Zandrel"));
    SetHeadline(QStringLiteral("ZANDREL"), QStringLiteral("MOD SWITCHER  \u00B7  MULTIPLAYER LAUNCHER"));
    BuildControls();
    CentreOnScreen();

    if (!common::DirectoryExists(common::JoinPath(m_programDirectory, "zandrel")))
        m_sink.ShowMessage(ExpandBreaks(m_language.Text(Lang::MainError1)));
}

void MainWindow::BuildControls() {
    auto tr = [&](Lang key) { return common::UiText(m_language.Text(key)); };
    // Each button is connected where it is made, from one table row: object
    // name (the tests find it by that), language key and command.
    struct Command {
        const char* name;
        Lang key;
        std::function<void()> run;
    };
    const auto make = [this, &tr](QWidget* parent, const Command& c, const QRect& geometry) {
        QPushButton* button = MakeFlatButton(parent, c.name, tr(c.key), geometry);
        connect(button, &QPushButton::clicked, this, c.run);
        return button;
    };
    // The game and the editors start only once the selected mod's settings are in place.
    const auto afterSwitch = [this](std::function<void()> step) {
        return [this, step = std::move(step)] {
            if (SwitchToSelected())
                step();
        };
    };

    QWidget* title = MakeGroup(this, "ModTitleBar", QRect(18, 144, 617, 33));
    m_modename = MakeLabel(title, "modename", QString(), QRect(4, 0, 305, 33));
    QFont nameFont = m_modename->font();
    nameFont.setBold(true);
    nameFont.setPointSize(11);
    m_modename->setFont(nameFont);
    const Command titleButtons[] = {
        {"Readme", Lang::MainReadme, [this] { OpenSelected(&ModRecord::ReadmeUrl); }},
        {"Chat", Lang::MainChat, [this] { m_launcher.FireOnChat(); }},
        {"Forum", Lang::MainForum, afterSwitch([this] { OpenSelected(&ModRecord::ForumUrl); })},
        {"GetMaps", Lang::MainGetMaps, [this] { OpenSelected(&ModRecord::GetMapsUrl); }}};
    int left = 313;
    for (const Command& b : titleButtons) {
        make(title, b, QRect(left, 5, 74, 23));
        left += 76;
    }

    QWidget* column = MakeGroup(this, "CommandColumn", QRect(18, 184, 129, 232));
    m_mode = new QComboBox(column);
    m_mode->setObjectName(QStringLiteral("mode"));
    m_mode->setEditable(false);
    m_mode->setGeometry(0, 0, 129, 22);
    const Command commands[] = {
        {"LaunchGame", Lang::MainLaunchGame, afterSwitch([this] { m_launcher.LaunchGame(""); })},
        {"Multiplayer", Lang::MainMultiplayer, [this] { Multiplayer(); }},
        {"SelectMap", Lang::MainSelectSPMap, [this] { SelectMap(); }},
        {"Bootstrap", Lang::MainBootstrap, [this] { Bootstrap(); }},
        {"BriefingEdit", Lang::MainBriefingEdit, afterSwitch([this] { m_launcher.LaunchBriefingEditor(); })},
        {"MapEdit", Lang::MainMapEdit, afterSwitch([this] { m_launcher.LaunchMapEditor(); })},
        {"ModSetup", Lang::MainModSetup, [this] { OpenSelected(&ModRecord::modSetup); }},
        {"Close", Lang::MainClose, [this] { close(); }}};
    int top = 26;
    for (const Command& c : commands) {
        QPushButton* button = make(column, c, QRect(0, top, 129, 24));
        if (QLatin1String(c.name) == QLatin1String("ModSetup"))
            m_modSetup = button;
        top += 26;
    }
    m_modSetup->hide();

    QWidget* bannerBox = MakeGroup(this, "BannerBox", QRect(154, 184, 481, 70));
    m_banner = MakeLabel(bannerBox, "banner", QString(), QRect(6, 5, kBannerWidth, kBannerHeight));
    m_banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QWidget* tools = MakeGroup(this, "ToolBar", QRect(154, 260, 621, 33));
    const Command toolButtons[] = {
        {"GetHelp", Lang::MainGetHelp, [this] { m_shell.Open(kHelpSiteUrl, "", common::ShowMode::Show); }},
        {"FixConfig", Lang::MainFixConfig, [this] { FixConfig(); }},
        {"ImportSave", Lang::MainImportSave, [this] { ImportSave(); }},
        {"Options", Lang::MainOptions, [this] { emit OptionsRequested(); }}};
    left = 0;
    for (const Command& b : toolButtons) {
        make(tools, b, QRect(left, 5, 98, 23));
        left += 100;
    }
    QLabel* product = MakeLabel(tools, "ProductName", QStringLiteral("Zandrel"), QRect(420, 0, 197, 33));
    product->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setPointSize(14);
    product->setFont(productFont);

    QWidget* newsBox = MakeGroup(this, "NewsBox", QRect(646, 22, 129, 232));
    m_news = CreateNewsView(newsBox, m_shell);
    m_news->setObjectName(QStringLiteral("webbrowser1"));
    m_news->setGeometry(8, 10, 113, 212);

    m_version = MakeLabel(this, "version", QString::fromLatin1(kVersionText), QRect(158, 296, 100, 18));

    MakeLabel(this, "LanguageLabel", tr(Lang::MainLanguage), QRect(560, 404, 100, 20))
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    make(this, {"LanguageButton", Lang::LangName, [this] { emit LanguageRequested(); }},
         QRect(664, 404, 111, 20))
        ->setToolTip(tr(Lang::LangSelectTitle));
    connect(m_mode, &QComboBox::currentIndexChanged, this, &MainWindow::OnModeChanged);
}

void MainWindow::Attach(std::function<LauncherWindow&()> launcher, const OptionsView* options) {
    m_makeLauncher = std::move(launcher);
    m_options = options;
}

void MainWindow::AdoptLauncher(LauncherWindow& launcher) {
    m_launcherWindow = &launcher;
    if (m_started) {
        const ModDisplay d = DescribeMod(m_catalogue, SelectedIndex(), m_serviceRoot, VersionText());
        ShowModInLauncher(d, d.bannerPath.empty() ? QImage() : LoadBanner(common::ResolvePath(d.bannerPath)));
    }
}

void MainWindow::ShowModInLauncher(const ModDisplay& d, const QImage& banner) {
    m_launcherWindow->ShowModName(d.launcherName);
    m_launcherWindow->ShowBanner(banner);
    m_launcherWindow->ShowRankingButton(d.rankingVisible);
}

int MainWindow::SelectedIndex() const {
    return m_mode->currentIndex();
}

std::string MainWindow::VersionText() const {
    return common::AnsiText(m_version->text());
}

void MainWindow::showEvent(QShowEvent* event) {
    BackgroundWindow::showEvent(event);
    if (!m_started) {
        m_started = true;
        FirstShow();
        emit Started();
    }
}

void MainWindow::FirstShow() {
    m_switcher.LoadLastMode();
    m_catalogue.LoadCatalogue(m_programDirectory, m_serviceRoot);

    // Filling and selecting only shows the installed mod; no switch happens.
    const QSignalBlocker block(m_mode);
    m_mode->clear();
    for (const std::string& acronym : m_catalogue.Acronyms())
        m_mode->addItem(common::UiText(UpperAscii(acronym)));
    const int found = m_catalogue.FindMod(m_switcher.LastMode(), m_sink, m_language);
    m_mode->setCurrentIndex(found >= 0 ? found : (m_mode->count() > 0 ? 0 : -1));
    ShowModInfo();
}

void MainWindow::OnModeChanged(int) {
    if (m_launcherWindow && m_launcherWindow->isVisible())
        m_launcherWindow->close();
    // An abandoned switch leaves the displays at the mod that is installed.
    if (SwitchToSelected())
        ShowModInfo();
}

const ModRecord& MainWindow::SelectedMod() const {
    return m_catalogue.Record(SelectedIndex());
}

bool MainWindow::SwitchToSelected() {
    return SelectedIndex() >= 0 && m_switcher.SwitchConfig(SelectedMod().Acronym);
}

void MainWindow::OpenSelected(std::string ModRecord::*address) {
    if (SelectedIndex() >= 0)
        m_shell.Open(SelectedMod().*address, "", common::ShowMode::Show);
}

void MainWindow::Multiplayer() {
    if (m_launcherWindow)
        RestoreIfMinimised(*m_launcherWindow);
    if (SelectedIndex() < 0) {
        m_sink.ShowMessage(kNoSelectedModMessage);
        return;
    }
    if (!SwitchToSelected())
        return;
    // The mod's trigger may open a page above us; the launcher and then the
    // program are brought back to the front afterwards.
    auto raiseLauncher = [this] {
        if (m_launcherWindow)
            m_launcherWindow->raise();
    };
    auto raiseApplication = [this] {
        QWidget* front = QApplication::activeWindow();
        (front ? front : static_cast<QWidget*>(this))->activateWindow();
    };
    if (m_launcher.ContinueMultiplayer(raiseLauncher, raiseApplication) ==
            Launcher::MultiplayerOutcome::ShowLauncher &&
        m_makeLauncher)
        ShowRestored(m_makeLauncher());
}

void MainWindow::SelectMap() {
    OpenFileRequest request;
    request.initialDirectory = common::ResolvePath(m_programDirectory + SelectedMod().GameWorkingDir);
    request.fileName = "*.ssm";
    request.defaultExtension = "*.ssm";
    request.filter = "*.ssm";
    request.title = m_language.Text(Lang::MainSelectMap);
    if (std::optional<std::string> chosen = m_chooser.ChooseFileToOpen(request))
        m_mapname = std::move(*chosen);
    // The dialog may have moved the current directory; descriptor paths need it back.
    common::ChangeCurrentDirectory(m_programDirectory);
}

void MainWindow::Bootstrap() {
    if (m_mapname.empty()) {
        m_sink.ShowMessage(ExpandBreaks(m_language.Text(Lang::MainSelectMapError)));
        return;
    }
    // No switch: the game starts with whatever configuration is installed.
    m_launcher.LaunchGameWith(" loadsingle=\"" + m_mapname + "\"");
}

void MainWindow::FixConfig() {
    m_switcher.RecoverConfigs();
    emit ExitRequested(ConfigSwitcher::kExitCodeAfterRecover);
}

void MainWindow::ImportSave() {
    ImportSaveGames(m_catalogue, SelectedIndex(), m_programDirectory, m_sink);
}

void MainWindow::ShowModInfo() {
    const ModDisplay d = DescribeMod(m_catalogue, SelectedIndex(), m_serviceRoot, VersionText());
    const QImage banner = d.bannerPath.empty() ? QImage() : LoadBanner(common::ResolvePath(d.bannerPath));

    m_modename->setText(common::UiText(d.name));
    if (banner.isNull())
        m_banner->clear();
    else
        m_banner->setPixmap(QPixmap::fromImage(banner));
    if (m_launcherWindow)
        ShowModInLauncher(d, banner);
    if (m_options && m_options->ViewNews())
        m_news->Navigate(QUrl(common::UiText(d.newsUrl)));
    m_modSetup->setVisible(d.modSetupVisible);
}

} // namespace switcher
