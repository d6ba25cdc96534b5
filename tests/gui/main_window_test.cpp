#include "demo_fixture.h"
#include "switcher/banner_qt.h"
#include "switcher/lang/language_window.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/news_view_qt.h"
#include "switcher/options/options_window.h"
#include "switcher/program_windows_qt.h"
#include "switcher/service_address.h"
#include "testing/demo_layout.h"
#include "tests/support/widget_access_qt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

using guitest::DemoInstallation;
using guitest::RecordingShell;
using guitest::RecordingSink;
using guitest::ScriptedChooser;
using Call = guitest::RecordingShell::Call;
using common::ShowMode;

namespace {

QByteArray SettingsFor(const char* mode, bool news = false) {
    return QByteArray("[game]\r\nmode=") + mode + "\r\n[misc]\r\nViewNews=" + (news ? "1" : "0") + "\r\n";
}

QImage BannerOf(QWidget& window) {
    auto* label = window.findChild<QLabel*>(QStringLiteral("banner"));
    return label ? label->pixmap().toImage() : QImage();
}

bool CloseTo(QRgb a, unsigned b, int tolerance) {
    return std::abs(qRed(a) - int((b >> 16) & 0xFF)) <= tolerance &&
           std::abs(qGreen(a) - int((b >> 8) & 0xFF)) <= tolerance &&
           std::abs(qBlue(a) - int(b & 0xFF)) <= tolerance;
}

using testsupport::Child;
using testsupport::Click;

// The windows over a recording shell and a scripted file dialog, both kept
// reachable for the test.
struct Program {
    Program(const DemoInstallation& dir, RecordingSink& sink)
        : shell(new RecordingShell), chooser(new ScriptedChooser),
          windows(dir.Places(), sink, std::unique_ptr<common::Shell>(shell),
                  std::unique_ptr<switcher::FileChooser>(chooser)) {}
    RecordingShell* shell;
    ScriptedChooser* chooser;
    switcher::ProgramWindows windows;
};

// The mods are listed in directory order, so tests find them by acronym.
int IndexOf(QWidget& main, const demo::DemoMod& mod) {
    return Child<QComboBox>(main, "mode")->findText(QString::fromLatin1(mod.acronym).toUpper());
}

const demo::DemoMod& ModAt(QWidget& main, int index) {
    const QString acronym = Child<QComboBox>(main, "mode")->itemText(index);
    for (const demo::DemoMod& mod : demo::kMods)
        if (acronym == QString::fromLatin1(mod.acronym).toUpper())
            return mod;
    return demo::kMods[0];
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    // Checks every display that follows the selected mod against the demo layout.
    void VerifyShows(switcher::ProgramWindows& w, const demo::DemoMod& mod) {
        const QString name = QString::fromLatin1(mod.name);
        QCOMPARE(Child<QComboBox>(w.Main(), "mode")->currentText(),
                 QString::fromLatin1(mod.acronym).toUpper());
        QCOMPARE(Child<QLabel>(w.Main(), "modename")->text(), name);
        QCOMPARE(Child<QLabel>(w.Launcher(), "modename")->text(), QStringLiteral("Host a game of ") + name);

        const QImage mainBanner = BannerOf(w.Main());
        const QImage launcherBanner = BannerOf(w.Launcher());
        const QString banner = QString::fromLatin1(mod.bannerFile ? mod.bannerFile : "");
        if (banner.endsWith(QLatin1String(".bmp"))) {
            QVERIFY(!mainBanner.isNull());
            QVERIFY(CloseTo(mainBanner.pixel(0, 0), demo::kBmpBannerCorner, 0));
        } else if (banner.endsWith(QLatin1String(".jpg"))) {
            QVERIFY(!mainBanner.isNull());
            QVERIFY(CloseTo(mainBanner.pixel(0, 0), demo::kJpegBannerCorner, 8));
        } else {
            QVERIFY(mainBanner.isNull());
        }
        QCOMPARE(launcherBanner.isNull(), mainBanner.isNull());
        if (!mainBanner.isNull()) {
            QVERIFY(mainBanner.width() <= switcher::kBannerWidth &&
                    mainBanner.height() <= switcher::kBannerHeight);
            QCOMPARE(launcherBanner.pixel(0, 0), mainBanner.pixel(0, 0));
        }

        QCOMPARE(!Child<QPushButton>(w.Main(), "ModSetup")->isHidden(), *mod.modSetup != '\0');
        QCOMPARE(!Child<QPushButton>(w.Launcher(), "ligabutton")->isHidden(), *mod.ligaUrl != '\0');
    }

private slots:
    void layoutAndCaptions() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", SettingsFor("cdv"));
        // Captions come from the active language file, converted from its code page.
        demoDir.WriteFile("zandrel/lang.ini", "[lang]\r\nMain.Close=Schlie\xDF"
                                              "en\r\nLangName=Deutsch\r\n"
                                              "Main.Readme=Lies\\nmich\r\n");
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink);
        switcher::MainWindow& main = w.Main();

        // Created hidden, in the fixed window roles.
        QVERIFY(!main.isVisible() && !w.Launcher().isVisible() && !w.Options().isVisible());
        QCOMPARE(main.objectName(), QStringLiteral("TForm1"));
        QCOMPARE(main.windowTitle(), QStringLiteral("Zandrel"));
        QCOMPARE(w.LanguageSelection().objectName(), QStringLiteral("TForm7"));
        QCOMPARE(main.size(), QSize(794, 433));
        QCOMPARE(main.minimumSize(), main.maximumSize());
        QCOMPARE(Child<QWidget>(main, "ModTitleBar")->geometry(), QRect(18, 144, 617, 33));
        QCOMPARE(Child<QWidget>(main, "CommandColumn")->geometry(), QRect(18, 184, 129, 232));
        QCOMPARE(Child<QWidget>(main, "BannerBox")->geometry(), QRect(154, 184, 481, 70));
        QCOMPARE(Child<QWidget>(main, "ToolBar")->geometry(), QRect(154, 260, 621, 33));
        QCOMPARE(Child<QWidget>(main, "NewsBox")->geometry(), QRect(646, 22, 129, 232));
        QCOMPARE(Child<QWidget>(main, "webbrowser1")->size(), QSize(113, 212));
        QCOMPARE(Child<QLabel>(main, "banner")->size(), QSize(468, 60));
        QCOMPARE(Child<QLabel>(main, "version")->text(), QStringLiteral("v1.05"));
        QVERIFY(!Child<QComboBox>(main, "mode")->isEditable());

        QCOMPARE(Child<QPushButton>(main, "Close")->text(), QString::fromUtf8("Schlie\u00DFen"));
        QCOMPARE(Child<QPushButton>(main, "Readme")->text(),
                 QStringLiteral("Lies\\nmich")); // captions stay unexpanded
        auto* language = Child<QPushButton>(main, "LanguageButton");
        QCOMPARE(language->text(), QStringLiteral("Deutsch"));
        QCOMPARE(language->toolTip(), QStringLiteral("Select Language")); // untranslated keys stay English
        QCOMPARE(Child<QPushButton>(main, "LaunchGame")->text(), QStringLiteral("Launch Game"));
        QCOMPARE(Child<QPushButton>(w.Launcher(), "ligabutton")->text(), QStringLiteral("Goto Ranking"));
        QCOMPARE(w.LanguageSelection().windowTitle(), QStringLiteral("Select Language"));

        // Options and the language button open their windows; Close ends the main window.
        main.show();
        QVERIFY(sink.messages.empty());
        QTest::mouseClick(Child<QPushButton>(main, "Options"), Qt::LeftButton);
        QVERIFY(w.Options().isVisible());
        QTest::mouseClick(language, Qt::LeftButton);
        QVERIFY(w.LanguageSelection().isVisible());
        QTest::mouseClick(Child<QPushButton>(main, "Close"), Qt::LeftButton);
        QVERIFY(!main.isVisible());
    }

    void showsTheInstalledModAndFollowsTheSelection() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        for (const demo::DemoMod& installed : demo::kMods) {
            const QByteArray settings = SettingsFor(installed.acronym);
            demoDir.WriteFile("switcher.ini", settings);
            RecordingSink sink;
            switcher::ProgramWindows w(demoDir.Places(), sink);
            w.Main().show();
            QCOMPARE(w.Main().LastMode(), std::string(installed.acronym));
            // A start makes the main window only; a helper window made later
            // starts from the mod that is shown.
            for (QWidget* top : QApplication::topLevelWidgets())
                QVERIFY(top == &w.Main() || !dynamic_cast<switcher::BackgroundWindow*>(top));
            VerifyShows(w, installed);
            if (QTest::currentTestFailed())
                return;

            // Showing the installed mod writes nothing.
            QCOMPARE(demoDir.ReadFile("switcher.ini"), settings);

            // Every other selection installs that mod and updates both windows.
            auto* mode = Child<QComboBox>(w.Main(), "mode");
            QCOMPARE(mode->count(), int(std::size(demo::kMods)));
            for (const demo::DemoMod& selected : demo::kMods) {
                mode->setCurrentIndex(IndexOf(w.Main(), selected));
                VerifyShows(w, selected);
                if (QTest::currentTestFailed())
                    return;
                const QByteArray lower = QByteArray(selected.acronym).toLower();
                QCOMPARE(QByteArray::fromStdString(w.Main().LastMode()), lower);
                QVERIFY(demoDir.ReadFile("switcher.ini").contains("mode=" + lower + "\r\n"));
            }
            QVERIFY(sink.messages.empty());
            // The news option is off: the news view is never asked to load.
            QVERIFY(Child<switcher::NewsView>(w.Main(), "webbrowser1")->RequestedUrl().isEmpty());
        }
    }

    void unknownInstalledModSelectsTheFirst() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", SettingsFor("nosuchmod"));
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink);
        w.Main().show();
        QCOMPARE(w.Main().SelectedIndex(), 0);
        QCOMPARE(sink.messages.size(), size_t(1));
        QVERIFY(sink.messages[0].find("error looking for mode:") != std::string::npos);
        QVERIFY(sink.messages[0].find("nosuchmod") != std::string::npos);
        VerifyShows(w, ModAt(w.Main(), 0));

        // A second show neither reloads nor repeats the message.
        w.Main().hide();
        w.Main().show();
        QCOMPARE(sink.messages.size(), size_t(1));
    }

    void missingModRootIsReportedAndStartUpGoesOn() {
        DemoInstallation empty(DemoInstallation::Kind::Empty);
        RecordingSink sink;
        switcher::ProgramWindows w(empty.Places(), sink);
        // Reported while the windows are made, before anything is shown.
        QCOMPARE(sink.messages.size(), size_t(1));
        QCOMPARE(sink.messages[0], std::string("Cant find Zandrel directory - error!"));
        w.Main().show();
        QCOMPARE(Child<QComboBox>(w.Main(), "mode")->count(), 0);
        QCOMPARE(w.Main().SelectedIndex(), -1);
        QVERIFY(BannerOf(w.Main()).isNull());
        QVERIFY(Child<QPushButton>(w.Main(), "ModSetup")->isHidden());
        QVERIFY(Child<QPushButton>(w.Launcher(), "ligabutton")->isHidden());
    }

    void newsPageFollowsTheLiveOption() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        // Without a misc section the news option is on.
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=RWM\r\n");
        demoDir.serviceRoot = "http://127.0.0.1:9";
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink);
        w.Main().show();
        auto* news = Child<switcher::NewsView>(w.Main(), "webbrowser1");
        QCOMPARE(news->RequestedUrl().toString(),
                 QStringLiteral("http://127.0.0.1:9/vqx/anymodnews.php?version=v1.05&class=winter"));

        // Unticking the box (even without saving) stops further loads.
        Child<QCheckBox>(w.Options(), "optionsViewNews")->setChecked(false);
        Child<QComboBox>(w.Main(), "mode")->setCurrentIndex(IndexOf(w.Main(), demo::kMods[2]));
        QCOMPARE(news->RequestedUrl().toString(),
                 QStringLiteral("http://127.0.0.1:9/vqx/anymodnews.php?version=v1.05&class=winter"));
        Child<QCheckBox>(w.Options(), "optionsViewNews")->setChecked(true);
        Child<QComboBox>(w.Main(), "mode")->setCurrentIndex(IndexOf(w.Main(), demo::kMods[0]));
        QCOMPARE(news->RequestedUrl().toString(),
                 QStringLiteral("http://127.0.0.1:9/vqx/anymodnews.php?version=v1.05&class=other"));
    }

    void pageCommandsOpenTheSelectedModsFields() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", SettingsFor("rwm"));
        RecordingSink sink;
        Program p(demoDir, sink);
        switcher::MainWindow& main = p.windows.Main();
        main.show();
        QCOMPARE(ModAt(main, main.SelectedIndex()).acronym, demo::kMods[1].acronym);

        // What the game wrote while RWM is installed; only a switch saves it into the mod.
        const QByteArray edited = demoDir.ReadFile("game/sudtest.ini") + "[Demo]\r\nEdited=1\r\n";
        demoDir.WriteFile("game/sudtest.ini", edited);
        const QByteArray savedBefore = demoDir.ReadFile("zandrel/RedWinter/config/sudtest.ini");

        for (const char* button : {"Readme", "GetMaps", "ModSetup", "Chat", "GetHelp"})
            Click(main, button);
        const std::vector<Call> expected = {
            {"zandrel\\RedWinter\\readme.txt", "", ShowMode::Show},
            {"http://127.0.0.1/maps/RedWinter", "", ShowMode::Show},
            {"setup\\rwm_setup.html", "", ShowMode::Show},
            {"http://127.0.0.1/chat/RedWinter", "", ShowMode::ShowNA},
        };
        QCOMPARE(p.shell->calls.size(), expected.size() + 1);
        for (std::size_t i = 0; i < expected.size(); ++i)
            QVERIFY2(p.shell->calls[i] == expected[i], p.shell->calls[i].target.c_str());
        // The help site: a root page over http.
        const Call help = p.shell->calls.back();
        QVERIFY(help.target.starts_with("http://") && help.target.ends_with("/"));
        QCOMPARE(std::count(help.target.begin(), help.target.end(), '/'), 3);
        QVERIFY(help.parameters.empty() && help.mode == ShowMode::Show);
        QCOMPARE(demoDir.ReadFile("zandrel/RedWinter/config/sudtest.ini"), savedBefore);

        // Forum switches first, which saves the installed settings into the mod.
        p.shell->calls.clear();
        Click(main, "Forum");
        QCOMPARE(p.shell->calls.size(), size_t(1));
        QVERIFY(p.shell->calls[0] == (Call{"http://127.0.0.1/forum/RedWinter", "", ShowMode::Show}));
        QCOMPARE(demoDir.ReadFile("zandrel/RedWinter/config/sudtest.ini"), edited);
        QCOMPARE(demoDir.ReadFile("game/sudtest.ini"), edited);
        QVERIFY(sink.messages.empty());
        QVERIFY(!p.windows.Options().isVisible());
    }

    void abandonedSwitchStopsEveryCommand() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", SettingsFor("gone"));
        RecordingSink sink;
        Program p(demoDir, sink);
        switcher::MainWindow& main = p.windows.Main();
        main.show();
        QCOMPARE(sink.messages.size(), size_t(1)); // the start-up lookup
        const QString shownName = Child<QLabel>(main, "modename")->text();
        const QByteArray game = demoDir.ReadFile("game/sudtest.ini");

        // Each switching command reports the unknown installed mod and does nothing more.
        for (const char* button : {"LaunchGame", "MapEdit", "BriefingEdit", "Forum", "Multiplayer"}) {
            sink.messages.clear();
            Click(main, button);
            QCOMPARE(sink.messages.size(), size_t(1));
            QVERIFY2(sink.messages[0].find("gone") != std::string::npos, button);
        }
        QVERIFY(p.shell->calls.empty());
        QVERIFY(!p.windows.Launcher().isVisible());

        // A new selection is refused the same way and the displays stay.
        auto* mode = Child<QComboBox>(main, "mode");
        mode->setCurrentIndex((mode->currentIndex() + 1) % mode->count());
        QCOMPARE(Child<QLabel>(main, "modename")->text(), shownName);
        QCOMPARE(demoDir.ReadFile("game/sudtest.ini"), game);
        QCOMPARE(demoDir.ReadFile("switcher.ini"), SettingsFor("gone"));

        // Commands that do not switch still work.
        Click(main, "GetMaps");
        QCOMPARE(p.shell->calls.size(), size_t(1));
    }

    void multiplayerShowsTheLauncherOrTheWebDatabase() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", SettingsFor("cdv"));
        RecordingSink sink;
        Program p(demoDir, sink);
        switcher::MainWindow& main = p.windows.Main();
        switcher::LauncherWindow& launcher = p.windows.Launcher();
        main.show();
        auto* mode = Child<QComboBox>(main, "mode");

        mode->setCurrentIndex(IndexOf(main, demo::kMods[1])); // UseLauncher=1
        QVERIFY(!launcher.findChild<QTableView*>(QStringLiteral("gameslist3")));
        Click(main, "Multiplayer");
        QVERIFY(launcher.isVisible());
        QVERIFY(p.shell->calls.empty());
        // The game list and class tree are made at the first show, with their headers.
        auto* games = launcher.findChild<QTableView*>(QStringLiteral("gameslist3"));
        QVERIFY(games && games->isVisible() && launcher.findChild<QTreeWidget*>(QStringLiteral("filter")));
        QCOMPARE(games->model()->columnCount(), 7);
        QCOMPARE(games->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("IP"));
        auto* username = launcher.findChild<QLineEdit*>(QStringLiteral("username"));
        QVERIFY(username && username->isVisible());
        QVERIFY(launcher.findChild<QComboBox*>(QStringLiteral("players"))->isVisible());

        // A minimised launcher comes back in its normal size.
        launcher.showMinimized();
        Click(main, "Multiplayer");
        QVERIFY(launcher.isVisible());
        QVERIFY(!(launcher.windowState() & Qt::WindowMinimized));

        // Another selection closes the launcher; UseLauncher=0 opens the mod's page instead.
        mode->setCurrentIndex(IndexOf(main, demo::kMods[2]));
        QVERIFY(!launcher.isVisible());
        QCOMPARE(QByteArray::fromStdString(main.LastMode()), QByteArray("dsr"));
        Click(main, "Multiplayer");
        QVERIFY(!launcher.isVisible());
        QCOMPARE(p.shell->calls.size(), size_t(1));
        QVERIFY(p.shell->calls[0] == (Call{"http://127.0.0.1/desert/games", "", ShowMode::Show}));
    }

    void commandsWithoutAnyModDoNothingOrSaySo() {
        DemoInstallation empty(DemoInstallation::Kind::Empty);
        RecordingSink sink;
        Program p(empty, sink);
        p.windows.Main().show();
        sink.messages.clear();
        for (const char* button : {"Readme", "Chat", "Forum", "GetMaps", "LaunchGame", "MapEdit",
                                   "BriefingEdit", "ModSetup", "ImportSave"})
            Click(p.windows.Main(), button);
        QVERIFY(p.shell->calls.empty());
        QVERIFY(sink.messages.empty());
        Click(p.windows.Main(), "Multiplayer");
        QCOMPARE(sink.messages, std::vector<std::string>{std::string(switcher::kNoSelectedModMessage)});
        QVERIFY(!p.windows.Launcher().isVisible());
    }

    void selectMapAndBootstrap() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", SettingsFor("rwm"));
        RecordingSink sink;
        Program p(demoDir, sink);
        switcher::MainWindow& main = p.windows.Main();
        main.show();
        const std::string programDirectory = demoDir.ProgramDirectory();
        const std::string gameExe = programDirectory + demo::kGameExe;

        Click(main, "Bootstrap");
        QCOMPARE(sink.messages, std::vector<std::string>{"Select Singleplayer map to bootstrap"});
        QVERIFY(p.shell->calls.empty());

        // The dialog starts in the game's directory and may move the current directory.
        const std::string map = demoDir.File("game/maps/Winter Night.ssm").toStdString();
        p.chooser->answer = map;
        p.chooser->whileOpen = [&] { common::ChangeCurrentDirectory(demoDir.File("game").toStdString()); };
        Click(main, "SelectMap");
        QCOMPARE(p.chooser->requests.size(), size_t(1));
        const switcher::OpenFileRequest& request = p.chooser->requests[0];
        QCOMPARE(QDir(QString::fromStdString(request.initialDirectory)).canonicalPath(),
                 QDir(demoDir.File("game")).canonicalPath());
        QCOMPARE(request.filter, std::string("*.ssm"));
        QCOMPARE(request.fileName, std::string("*.ssm"));
        QCOMPARE(request.title, std::string("Select Singleplayer map to load."));
        QCOMPARE(main.MapName(), map);
        QCOMPARE(QDir::current().canonicalPath(), QDir(demoDir.Path()).canonicalPath());

        // Cancel keeps the chosen map.
        p.chooser->answer.reset();
        Click(main, "SelectMap");
        QCOMPARE(main.MapName(), map);
        QCOMPARE(QDir::current().canonicalPath(), QDir(demoDir.Path()).canonicalPath());

        // Bootstrap starts the selected mod's game with the map, in one pair of quotes.
        sink.messages.clear();
        Click(main, "Bootstrap");
        QCOMPARE(p.shell->calls.size(), size_t(1));
        QVERIFY(p.shell->calls[0] ==
                (Call{gameExe, " -mod RedWinter  loadsingle=\"" + map + "\"", ShowMode::ShowNA}));

        // After a selection change the map stays, and the new mod's arguments are used.
        Child<QComboBox>(main, "mode")->setCurrentIndex(IndexOf(main, demo::kMods[2]));
        // Bootstrap itself does not switch: a game edit after the switch is not saved anywhere.
        const QByteArray dsrConfig = demoDir.ReadFile("zandrel/desert/config/sudtest.ini");
        demoDir.WriteFile("game/sudtest.ini", "edited");
        Click(main, "Bootstrap");
        QCOMPARE(p.shell->calls.size(), size_t(2));
        QVERIFY(p.shell->calls[1] ==
                (Call{gameExe, " -mod desert  loadsingle=\"" + map + "\"", ShowMode::ShowNA}));
        QCOMPARE(demoDir.ReadFile("zandrel/desert/config/sudtest.ini"), dsrConfig);
        QVERIFY(sink.messages.empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
