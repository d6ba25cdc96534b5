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

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cstdlib>
#include <iterator>

using guitest::DemoInstallation;
using guitest::RecordingSink;

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

template <typename T> T* Child(QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

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
        switcher::ProgramWindows w(sink);
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
            switcher::ProgramWindows w(sink);
            w.Main().show();
            QCOMPARE(w.Main().LastMode(), std::string(installed.acronym));
            VerifyShows(w, installed);
            if (QTest::currentTestFailed())
                return;

            // Every other selection updates both windows; nothing is written.
            auto* mode = Child<QComboBox>(w.Main(), "mode");
            QCOMPARE(mode->count(), int(std::size(demo::kMods)));
            for (const demo::DemoMod& selected : demo::kMods) {
                mode->setCurrentIndex(IndexOf(w.Main(), selected));
                VerifyShows(w, selected);
                if (QTest::currentTestFailed())
                    return;
            }
            QVERIFY(sink.messages.empty());
            QCOMPARE(demoDir.ReadFile("switcher.ini"), settings);
            // The news option is off: the news view is never asked to load.
            QVERIFY(Child<switcher::NewsView>(w.Main(), "webbrowser1")->RequestedUrl().isEmpty());
        }
    }

    void unknownInstalledModSelectsTheFirst() {
        DemoInstallation demoDir;
        QVERIFY(demoDir.Ok());
        demoDir.WriteFile("switcher.ini", SettingsFor("nosuchmod"));
        RecordingSink sink;
        switcher::ProgramWindows w(sink);
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
        switcher::ProgramWindows w(sink);
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
        switcher::SetServiceRoot("http://127.0.0.1:9");
        RecordingSink sink;
        switcher::ProgramWindows w(sink);
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
        switcher::SetServiceRoot("");
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
