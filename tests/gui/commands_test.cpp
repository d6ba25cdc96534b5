// The main window's commands end to end: real buttons, the real shell, the
// demo installation with its stand-in game programs, and real files.
#include "demo_fixture.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/options/options_window.h"
#include "switcher/program_windows_qt.h"
#include "testing/demo_layout.h"
#include "tests/common/stand_in_record.h"
#include "tests/support/widget_access_qt.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>

using guitest::DemoInstallation;
using guitest::RecordingSink;
using guitest::ScriptedChooser;
namespace fs = std::filesystem;

namespace {

using testsupport::Child;
using testsupport::Click;

void Select(switcher::MainWindow& main, const demo::DemoMod& mod) {
    auto* mode = Child<QComboBox>(main, "mode");
    mode->setCurrentIndex(mode->findText(QString::fromLatin1(mod.acronym).toUpper()));
}

bool SameDirectory(const std::string& a, const QString& b) {
    std::error_code error;
    return fs::equivalent(fs::path(a), fs::path(b.toStdString()), error);
}

// Runs `command` and returns what the stand-ins it started recorded. Each
// command gets a record file of its own; started programs run detached, so
// this waits for their line (generously; no timing is asserted).
std::vector<testsupport::StandInRecord> Recorded(const DemoInstallation& dir,
                                                 const std::function<void()>& command) {
    static int counter = 0;
    const QString file = dir.File(QStringLiteral("record%1.txt").arg(++counter));
    qputenv("ZANDREL_STAND_IN_RECORD", file.toLocal8Bit());
    command();
    return testsupport::WaitForRecords(file.toStdString(), std::chrono::seconds(30));
}

// The value of a key in a section of a settings file as the demo writes
// them (CR LF lines); empty when absent.
QByteArray Value(const QByteArray& settings, const char* section, const char* key) {
    const qsizetype start = settings.indexOf(QByteArray("[") + section + "]");
    const QByteArray prefix = QByteArray("\n") + key + "=";
    const qsizetype at = settings.indexOf(prefix, start);
    if (start < 0 || at < 0)
        return {};
    const qsizetype begin = at + prefix.size();
    return settings.mid(begin, settings.indexOf('\r', begin) - begin);
}

// Whose copy a demo settings file is, from its marker section.
QByteArray Marker(const QByteArray& settings, const char* key) {
    return Value(settings, demo::kMarkerSection, key);
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Web pages go to a stand-in desktop handler that notes its argument.
        QVERIFY(m_bin.isValid());
        QFile handler(QDir(m_bin.path()).filePath(QStringLiteral("xdg-open")));
        QVERIFY(handler.open(QIODevice::WriteOnly));
        handler.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$ZANDREL_OPENED_RECORD\"\n");
        handler.close();
        handler.setPermissions(handler.permissions() | QFileDevice::ExeOwner);
        qputenv("PATH", QFile::encodeName(m_bin.path()) + ":" + qgetenv("PATH"));
    }

    void launchCommandsStartTheProgramsInTheirDirectories() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=rwm\r\n[misc]\r\nViewNews=0\r\n");
        RecordingSink sink;
        auto* chooser = new ScriptedChooser;
        switcher::ProgramWindows w(demoDir.Places(), sink, nullptr,
                                   std::unique_ptr<switcher::FileChooser>(chooser));
        switcher::MainWindow& main = w.Main();
        main.show();

        auto game = Recorded(demoDir, [&] { Click(main, "LaunchGame"); });
        QCOMPARE(game.size(), size_t(1));
        QVERIFY2(game[0].role == "game", "the demo's game must be the stand-in game program");
        QVERIFY(SameDirectory(game[0].directory, demoDir.File("game")));
        QCOMPARE(game[0].arguments, (std::vector<std::string>{"-mod", "RedWinter"}));

        auto editor = Recorded(demoDir, [&] { Click(main, "MapEdit"); });
        QCOMPARE(editor.size(), size_t(1));
        QCOMPARE(editor[0].role, std::string("editor"));
        QVERIFY(SameDirectory(editor[0].directory, demoDir.File("editor")));
        QVERIFY(editor[0].arguments.empty());

        auto briefing = Recorded(demoDir, [&] { Click(main, "BriefingEdit"); });
        QCOMPARE(briefing.size(), size_t(1));
        QCOMPARE(briefing[0].role, std::string("briefing"));
        QVERIFY(SameDirectory(briefing[0].directory, demoDir.File("anied")));

        // A map with blanks in its path, chosen for one mod, started with another's game.
        const std::string map = demoDir.File("game/maps/Winter Night.ssm").toStdString();
        chooser->answer = map;
        Click(main, "SelectMap");
        Select(main, demo::kMods[0]); // cdv: no game arguments of its own
        auto bootstrap = Recorded(demoDir, [&] { Click(main, "Bootstrap"); });
        QCOMPARE(bootstrap.size(), size_t(1));
        QCOMPARE(bootstrap[0].role, std::string("game"));
        QCOMPARE(bootstrap[0].arguments, std::vector<std::string>{"loadsingle=" + map});

        QVERIFY(sink.messages.empty());
        QVERIFY(SameDirectory(common::CurrentDirectory(), demoDir.Path()));
    }

    void multiplayerOpensTheWebDatabaseThroughTheShell() {
        if (!DESKTOP_HANDLER_SCRIPT)
            QSKIP("the recording web page handler is a Linux desktop handler (xdg-open)");
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=dsr\r\n[misc]\r\nViewNews=0\r\n");
        const QString opened = demoDir.File("opened.txt");
        qputenv("ZANDREL_OPENED_RECORD", opened.toLocal8Bit());
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink);
        w.Main().show();
        Click(w.Main(), "Multiplayer");
        const auto pages = testsupport::WaitForRecords(opened.toStdString(), std::chrono::seconds(30));
        QCOMPARE(pages.size(), size_t(1));
        QCOMPARE(pages[0].role, std::string("http://127.0.0.1/desert/games"));
        QVERIFY(!w.Launcher().isVisible());
        QVERIFY(sink.messages.empty());
    }

    void selectionSwitchesTheSettingsFiles() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=cdv\r\n[misc]\r\nViewNews=0\r\n");
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink);
        switcher::MainWindow& main = w.Main();
        main.show();
        QCOMPARE(Marker(demoDir.ReadFile("game/sudtest.ini"), demo::kMarkerModKey), QByteArray("cdv"));

        // The game changes its settings while cdv is installed.
        const QByteArray cdvEdited =
            demoDir.ReadFile("game/sudtest.ini") + "[Network]\r\nLastHost=10.0.0.5\r\n";
        demoDir.WriteFile("game/sudtest.ini", cdvEdited);

        Select(main, demo::kMods[1]);
        const QByteArray game = demoDir.ReadFile("game/sudtest.ini");
        QCOMPARE(Marker(game, demo::kMarkerModKey), QByteArray("RWM"));
        QCOMPARE(Marker(game, demo::kMarkerCopyKey), QByteArray("config"));
        QCOMPARE(Marker(demoDir.ReadFile("editor/edit3.ini"), demo::kMarkerModKey), QByteArray("RWM"));
        QCOMPARE(demoDir.ReadFile("zandrel/cdv/config/sudtest.ini"), cdvEdited);
        QVERIFY(demoDir.ReadFile("switcher.ini").contains("mode=rwm\r\n"));

        // Back to cdv: its settings return exactly as they were left.
        Select(main, demo::kMods[0]);
        QCOMPARE(demoDir.ReadFile("game/sudtest.ini"), cdvEdited);
        QCOMPARE(Marker(demoDir.ReadFile("editor/edit3.ini"), demo::kMarkerModKey), QByteArray("cdv"));
        QVERIFY(demoDir.ReadFile("switcher.ini").contains("mode=cdv\r\n"));
        QVERIFY(sink.messages.empty());
    }

    void fixConfigInstallsDefaultsAndRequestsExitOne() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=dsr\r\n[misc]\r\nViewNews=0\r\n");
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink);
        switcher::MainWindow& main = w.Main();
        QSignalSpy exit(&main, &switcher::MainWindow::ExitRequested);
        main.show();
        Click(main, "FixConfig");

        QCOMPARE(sink.messages,
                 std::vector<std::string>{"Will try to return to default configs for all installed "
                                          "mods. Switcher will exit afterwards."});
        QCOMPARE(exit.count(), 1);
        QCOMPARE(exit.at(0).at(0).toInt(), 1);
        for (const demo::DemoMod& mod : demo::kMods) {
            const QString config = QStringLiteral("zandrel/%1/config/").arg(QLatin1String(mod.directory));
            for (const char* file : {"sudtest.ini", "edit3.ini"})
                QCOMPARE(Marker(demoDir.ReadFile(config + QLatin1String(file)), demo::kMarkerCopyKey),
                         QByteArray("default"));
        }
        // The first catalogue entry's defaults are installed and it is remembered.
        const std::string first = main.Catalogue().Mods().at(0).Acronym;
        const QByteArray game = demoDir.ReadFile("game/sudtest.ini");
        QCOMPARE(Marker(game, demo::kMarkerModKey), QByteArray::fromStdString(first));
        QCOMPARE(Marker(game, demo::kMarkerCopyKey), QByteArray("default"));
        QCOMPARE(Marker(demoDir.ReadFile("editor/edit3.ini"), demo::kMarkerCopyKey), QByteArray("default"));
        QVERIFY(
            demoDir.ReadFile("switcher.ini").contains("mode=" + QByteArray::fromStdString(first).toLower()));
    }

    void importSaveFromBothWindows() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=rwm\r\n[misc]\r\nViewNews=0\r\n");
        QVERIFY(QDir(demoDir.Path()).mkpath(QStringLiteral("game/plr/savegames/Alice")));
        QVERIFY(QDir(demoDir.Path()).mkpath(QStringLiteral("game/plr/savegames/Bob")));
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink);
        w.Main().show();

        Click(w.Main(), "ImportSave");
        QVERIFY(!w.Options().isVisible());
        // Every player directory of the game's save games is listed, the demo's own ones too.
        const QStringList directories =
            QDir(demoDir.File("game/plr/savegames")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY(directories.contains("Alice") && directories.contains("Bob"));
        QByteArray game = demoDir.ReadFile("game/sudtest.ini");
        QCOMPARE(Value(game, "Game", "PlayersUpb"), QByteArray::number(directories.size()));
        std::set<QByteArray> players, expected;
        for (qsizetype i = 0; i < directories.size(); ++i) {
            players.insert(Value(game, "Game", ("Player" + std::to_string(i)).c_str()));
            expected.insert(directories[i].toLocal8Bit());
        }
        QVERIFY(players == expected);

        // The options window's button imports into the same mod.
        QVERIFY(QDir(demoDir.Path()).mkpath(QStringLiteral("game/plr/savegames/Carol")));
        Click(w.Main(), "Options");
        Click(w.Options(), "ImportSave");
        game = demoDir.ReadFile("game/sudtest.ini");
        QCOMPARE(Value(game, "Game", "PlayersUpb"), QByteArray::number(directories.size() + 1));
        QVERIFY(game.contains("=Carol\r\n"));
        QVERIFY(sink.messages.empty());
    }

private:
    QTemporaryDir m_bin;
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
