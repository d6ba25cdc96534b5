// The Russian language file on a system whose ANSI code page is 1251 (Wine's
// ru_RU locale on Windows, ZANDREL_CODEPAGE on Linux; the test's environment
// sets both): the main window's captions are the Cyrillic texts, not the
// Western letters the same bytes make under 1252. ZANDREL_TEST_LANGUAGE
// picks another language (with its code page in the environment), and
// ZANDREL_SCREENSHOT_DIR keeps pictures of the windows, to look at.
#include "demo_fixture.h"
#include "switcher/lang/language_window.h"
#include "switcher/main_window.h"
#include "switcher/multiplayer/launcher_window.h"
#include "switcher/options/options_window.h"
#include "switcher/program_windows_qt.h"
#include "testing/demo_language.h"
#include "tests/support/widget_access_qt.h"

#include <QPushButton>
#include <QtTest>
#include <memory>
#include <string>

using guitest::DemoInstallation;
using guitest::RecordingShell;
using guitest::RecordingSink;
using testsupport::Child;

class CodePageWindowTest : public QObject {
    Q_OBJECT

private slots:
    void russianCaptionsAreCyrillicUnderCodePage1251() {
        const std::string language = qEnvironmentVariable("ZANDREL_TEST_LANGUAGE", "Russian").toStdString();
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", "[misc]\r\nViewNews=0\r\n");
        const std::string file = demo::LanguageFile(language);
        demoDir.WriteFile("zandrel/lang.ini", QByteArray(file.data(), static_cast<qsizetype>(file.size())));
        RecordingSink sink;
        switcher::ProgramWindows w(demoDir.Places(), sink, std::make_unique<RecordingShell>());
        w.Main().show();

        const std::pair<const char*, std::string_view> buttons[] = {{"LaunchGame", "Main.LaunchGame"},
                                                                    {"Multiplayer", "Main.Multiplayer"},
                                                                    {"Options", "Main.Options"}};
        for (const auto& [button, key] : buttons) {
            QString expected;
            for (const demo::LanguageText& text : demo::LanguageTexts(language)) {
                if (text.key == key)
                    expected = QString::fromUtf8(text.utf8.data(), static_cast<qsizetype>(text.utf8.size()));
            }
            QVERIFY2(!expected.isEmpty(), button);
            QCOMPARE(Child<QPushButton>(w.Main(), button)->text(), expected);
        }
        QVERIFY(sink.messages.empty());

        const QString shots = qEnvironmentVariable("ZANDREL_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            const QString prefix = shots + "/zandrel-" + QString::fromStdString(language) + "-";
            QVERIFY(w.Main().grab().save(prefix + "main.png"));
            QWidget* others[] = {&w.Options(), &w.LanguageSelection(), &w.Launcher()};
            const char* names[] = {"options", "language", "launcher"};
            for (int i = 0; i < 3; ++i) {
                others[i]->show();
                QVERIFY(QTest::qWaitForWindowExposed(others[i]));
                QVERIFY(others[i]->grab().save(prefix + names[i] + ".png"));
                others[i]->hide();
            }
        }
    }
};

QTEST_MAIN(CodePageWindowTest)
#include "code_page_window_test.moc"
