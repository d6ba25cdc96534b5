// A Qt Widgets program that shows one window of the main window's size with
// one line of text and quits as soon as that window has been shown: the
// floor against which zandrel's start-up time is compared. The text makes
// it load and lay out a font, as every real window does. With --stay it
// stays open (the floor for the monitor's resident memory); with --empty it
// shows no text at all (the lowest floor).
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
    bool empty = false;
    for (int i = 1; i < argc; ++i) {
        window.stay = window.stay || QByteArray(argv[i]) == "--stay";
        empty = empty || QByteArray(argv[i]) == "--empty";
    }
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(794, 433);
    QLabel line(QStringLiteral("Zandrel: one line of text"), &window);
    line.setGeometry(16, 16, 400, 20);
    line.setVisible(!empty);
    window.show();
    return app.exec();
}
