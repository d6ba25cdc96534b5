#include "demo_fixture.h"
#include "switcher/options/options_window.h"
#include "switcher/options/switcher_settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

using guitest::DemoInstallation;
using guitest::RecordingSink;

namespace {

QCheckBox* Box(QWidget& w, const char* name) {
    return w.findChild<QCheckBox*>(QString::fromLatin1(name));
}
QPushButton* Button(QWidget& w, const char* name) {
    return w.findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

class OptionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void loadsOnceWithDefaultsAndCaptions() {
        DemoInstallation dir(DemoInstallation::Kind::Empty);
        RecordingSink sink;
        switcher::LanguageTable language;
        const std::string ini = dir.File("switcher.ini").toStdString();
        switcher::OptionsWindow w(language, sink, ini);

        QCOMPARE(w.objectName(), QStringLiteral("TForm5"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(w.size(), QSize(490, 240));
        // First start without a file.
        for (const char* on : {"optionsViewNews", "OnLaunch", "OnMultiplayer", "optionsFetchAll",
                               "optionsQuiet", "optionsAutoConnect", "optionsCloseChatOnLaunch"})
            QVERIFY2(Box(w, on)->isChecked(), on);
        for (const char* off : {"optionsLaunchWhenHost", "optionsFetchSelectedIp", "optionsVerboseMode"})
            QVERIFY2(!Box(w, off)->isChecked(), off);
        QVERIFY(w.ViewNews() && w.FetchAll() && !w.LaunchWhenHost() && !w.FetchSelectedIp());
        // The chat settings are kept but not shown; the others are.
        for (const char* hidden :
             {"optionsQuiet", "optionsVerboseMode", "optionsAutoConnect", "optionsCloseChatOnLaunch"})
            QVERIFY2(Box(w, hidden)->isHidden(), hidden);
        QVERIFY(!Box(w, "optionsFetchAll")->isHidden());
        QCOMPARE(Box(w, "optionsFetchSelectedIp")->text(),
                 QStringLiteral("Join MP game directly (only v2.2+)"));
        QCOMPARE(Button(w, "ImportSave")->text(), QStringLiteral("Import Savegames Into Current Mode"));
        QVERIFY(sink.messages.empty());
        QVERIFY(!std::filesystem::exists(ini)); // loading writes nothing

        // Later changes of the file do not reach a window that is already made.
        dir.WriteFile("switcher.ini", "[misc]\r\nViewNews=0\r\n");
        w.show();
        w.close();
        QVERIFY(w.ViewNews());
    }

    void saveAndCancel() {
        DemoInstallation dir(DemoInstallation::Kind::Empty);
        dir.WriteFile("switcher.ini", "[game]\r\nmode=rwm\r\n[launcher]\r\nFetchAll=0\r\nOnLaunch=yes\r\n");
        RecordingSink sink;
        switcher::LanguageTable language;
        const std::string ini = dir.File("switcher.ini").toStdString();
        switcher::OptionsWindow w(language, sink, ini);
        QVERIFY(!w.FetchAll());
        QVERIFY(Box(w, "OnLaunch")->isChecked());

        // Cancel: nothing written, but the boxes are the live settings.
        w.show();
        Box(w, "optionsFetchAll")->setChecked(true);
        const QByteArray before = dir.ReadFile("switcher.ini");
        QTest::mouseClick(Button(w, "Cancel"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(dir.ReadFile("switcher.ini"), before);
        QVERIFY(w.FetchAll());

        // Save: every flag lands in the file and the window closes.
        w.show();
        Box(w, "OnLaunch")->setChecked(false);
        Box(w, "optionsVerboseMode")->setChecked(true);
        QTest::mouseClick(Button(w, "Save"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(sink.messages.empty());
        const QByteArray saved = dir.ReadFile("switcher.ini");
        // The key existed, so it keeps its spelling.
        QVERIFY2(saved.contains("OnLaunch=0"), saved.constData());
        QVERIFY(saved.contains("FetchAll=1"));
        QVERIFY(saved.contains("Verbose=1"));
        QVERIFY(saved.contains("mode=rwm"));
        // A new run starts from what was saved.
        switcher::OptionsWindow next(language, sink, ini);
        QCOMPARE(next.Settings(), w.Settings());
    }

    void failedSaveReportsAndStaysOpen() {
        DemoInstallation dir(DemoInstallation::Kind::Empty);
        // The settings path names a directory, which cannot be written as a file.
        QVERIFY(QDir(dir.Path()).mkpath(QStringLiteral("switcher.ini")));
        RecordingSink sink;
        switcher::LanguageTable language;
        const std::string ini = dir.File("switcher.ini").toStdString();
        switcher::OptionsWindow w(language, sink, ini);
        w.show();
        QTest::mouseClick(Button(w, "Save"), Qt::LeftButton);
        QVERIFY(w.isVisible());
        QCOMPARE(sink.messages.size(), size_t(1));
        QCOMPARE(sink.messages[0], "Unable to write to " + ini);
        QVERIFY(QFileInfo(dir.File("switcher.ini")).isDir());
    }
};

QTEST_MAIN(OptionsWindowTest)
#include "options_window_test.moc"
