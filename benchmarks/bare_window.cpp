// A Qt Widgets program that shows one window of the main window's size with
// one line of text and quits as soon as that window has been shown: the
// floor against which zandrel's start-up time is compared. The text makes
// it load and lay out a font, as every real window does. With --stay it
// stays open (the floor for the monitor's resident memory).
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace {

class QuitOnFirstShow : public QWidget {
public:
    bool stay = false;

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (m_shown || stay)
            return;
        m_shown = true;
        // Queued, so the show completes before the loop ends.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    bool m_shown = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QuitOnFirstShow window;
    window.stay = argc > 1 && QByteArray(argv[1]) == "--stay";
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(794, 433);
    QLabel line(QStringLiteral("Zandrel: one line of text"), &window);
    line.setGeometry(16, 16, 400, 20);
    window.show();
    return app.exec();
}
