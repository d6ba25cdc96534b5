#include "demo_fixture.h"
#include "switcher/lang/language_window.h"
#include "switcher/main_window.h"
#include "switcher/program_windows_qt.h"
#include "testing/demo_layout.h"
#include "tests/support/widget_access_qt.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using guitest::DemoInstallation;
using guitest::RecordingShell;
using guitest::RecordingSink;

namespace {

using testsupport::Child;
using testsupport::Click;

QStringList Listed(QWidget& window) {
    QStringList names;
    auto* langs = Child<QListWidget>(window, "langs");
    for (int i = 0; i < langs->count(); ++i)
        names << langs->item(i)->text();
    names.sort();
    return names;
}

} // namespace

class LanguageWindowTest : public QObject {
    Q_OBJECT

private slots:
    void listsOnEveryShowAndLeavesTheCurrentDirectory() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[game]\r\nmode=rwm\r\n[misc]\r\nViewNews=0\r\n");
        // A name is cut at its first full stop; other extensions are not languages.
        demoDir.WriteFile("zandrel/lang/pt.br.ini", "[lang]\r\n");
        demoDir.WriteFile("zandrel/lang/notes.txt", "not a language");
        RecordingSink sink;
        auto* shell = new RecordingShell;
        switcher::ProgramWindows w(demoDir.Places(), sink, std::unique_ptr<common::Shell>(shell));
        switcher::LanguageWindow& window = w.LanguageSelection();
        QCOMPARE(window.size(), QSize(289, 98));
        QCOMPARE(Child<QListWidget>(window, "langs")->width(), 210);
        w.Main().show();

        const QStringList expected{"English", "German", "Polish", "Russian", "pt"};
        Click(w.Main(), "LanguageButton");
        QVERIFY(window.isVisible());
        QCOMPARE(Listed(window), expected);
        Click(window, "ExitButton");
        QVERIFY(!window.isVisible());
        Click(w.Main(), "LanguageButton");
        QCOMPARE(Listed(window), expected); // listed anew, nothing twice
        Click(window, "ExitButton");

        // The game's working directory still resolves: the current directory is the program directory.
        QCOMPARE(QDir::current().canonicalPath(), QDir(demoDir.Path()).canonicalPath());
        Click(w.Main(), "LaunchGame");
        QCOMPARE(shell->calls.size(), size_t(1));
        QCOMPARE(shell->calls[0].target, demoDir.ProgramDirectory() + demo::kGameExe);
        QVERIFY(sink.messages.empty());
        QCOMPARE(demoDir.ReadFile("zandrel/lang.ini"), demoDir.ReadFile("zandrel/lang/English.ini"));
    }

    void confirmMakesTheChoiceActiveAndRequestsExitOne() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[misc]\r\nViewNews=0\r\n");
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink, std::make_unique<RecordingShell>());
        switcher::LanguageWindow& window = w.LanguageSelection();
        QSignalSpy exit(&w.Main(), &switcher::MainWindow::ExitRequested);
        w.Main().show();
        Click(w.Main(), "LanguageButton");
        const QByteArray english = demoDir.ReadFile("zandrel/lang.ini");

        // A row that only has the focus is no choice.
        auto* langs = Child<QListWidget>(window, "langs");
        langs->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        Click(window, "updatelanguage");
        QCOMPARE(sink.messages, std::vector<std::string>{"No language selected. No action performed"});
        QVERIFY(window.isVisible());
        QCOMPARE(exit.count(), 0);
        QCOMPARE(demoDir.ReadFile("zandrel/lang.ini"), english);

        sink.messages.clear();
        langs->findItems(QStringLiteral("German"), Qt::MatchExactly).front()->setSelected(true);
        Click(window, "updatelanguage");
        QCOMPARE(demoDir.ReadFile("zandrel/lang.ini"), demoDir.ReadFile("zandrel/lang/German.ini"));
        QVERIFY(demoDir.ReadFile("zandrel/lang.ini") != english);
        QCOMPARE(sink.messages,
                 std::vector<std::string>{"Changes applied to language settings - closing switcher"});
        QCOMPARE(exit.count(), 1);
        QCOMPARE(exit.at(0).at(0).toInt(), 1);
    }

    void missingOrEmptyLanguageDirectoryClosesTheWindow() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[misc]\r\nViewNews=0\r\n");
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink, std::make_unique<RecordingShell>());
        switcher::LanguageWindow& window = w.LanguageSelection();
        w.Main().show();
        Click(w.Main(), "LanguageButton");
        QVERIFY(window.isVisible());

        // The files go while the window is open: the next show says so and closes it.
        for (const char* name : demo::kLanguages)
            QVERIFY(
                QFile::remove(demoDir.File(QStringLiteral("zandrel/lang/%1.ini").arg(QLatin1String(name)))));
        Click(w.Main(), "LanguageButton");
        QCOMPARE(sink.messages,
                 std::vector<std::string>{"No language files found in directory zandrel\\lang\\ - exiting"});
        QVERIFY(!window.isVisible());
        QCOMPARE(Child<QListWidget>(window, "langs")->count(), 0);

        sink.messages.clear();
        QVERIFY(QDir(demoDir.File("zandrel/lang")).removeRecursively());
        Click(w.Main(), "LanguageButton");
        QCOMPARE(sink.messages.size(), size_t(1));
        QVERIFY(sink.messages[0].starts_with("The zandrel\\lang\\ directory does not exist."));
        QVERIFY(!window.isVisible());
        QVERIFY(w.Main().isVisible());
    }
};

QTEST_MAIN(LanguageWindowTest)
#include "language_window_test.moc"
