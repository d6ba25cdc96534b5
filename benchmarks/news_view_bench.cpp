// A news page of 20 pictures (PNG, JPEG and GIF, 96 x 40 each) from the
// loopback page server in the plain news view, shown in a window: the longest
// time the window's event loop waited while the page and its pictures
// arrived, were decoded and laid out (max_event_wait_ms: the longest gap
// between the ticks of a 1 ms timer), and the time until the last picture
// showed (the benchmark's real time).
#include "common/shell.h"
#include "switcher/news/plain_news_view_qt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPictures = 20;

class NoShell : public common::Shell {
public:
    void Open(std::string_view, std::string_view, common::ShowMode) override {}
};

// The page server program, on a free loopback port.
class PageServer {
public:
    PageServer() {
        const QString portFile = m_dir.filePath(QStringLiteral("port"));
        m_process.start(QStringLiteral(PAGE_SERVER), {QStringLiteral("--port-file"), portFile});
        for (int i = 0; i < 200 && m_port == 0; ++i) {
            QFile file(portFile);
            if (file.open(QIODevice::ReadOnly))
                m_port = file.readAll().trimmed().toInt();
            else
                QThread::msleep(25);
        }
    }
    ~PageServer() {
        m_process.terminate();
        m_process.waitForFinished();
    }
    int Port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

void NewsPageOfTwentyPictures(benchmark::State& state) {
    PageServer server;
    if (server.Port() == 0) {
        state.SkipWithError("the page server did not start");
        return;
    }
    NoShell shell;
    QWidget window;
    window.resize(129, 232);
    auto* view = new switcher::PlainNewsView(&window, shell);
    view->setGeometry(8, 10, 113, 212);
    window.show();
    const QUrl page(
        QStringLiteral("http://127.0.0.1:%1/news/pictures.html?count=%2").arg(server.Port()).arg(kPictures));

    qint64 longestNs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        qint64 last = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestNs = std::max(longestNs, now - last);
            last = now;
        });
        QEventLoop loop;
        QTimer check;
        check.setInterval(1);
        QObject::connect(&check, &QTimer::timeout, [&] {
            if ((view->PicturesShown() == kPictures && view->PicturesPending() == 0) ||
                clock.elapsed() > 20000)
                loop.quit();
        });
        clock.start();
        view->Navigate(page);
        tick.start();
        check.start();
        loop.exec();
        if (view->PicturesShown() != kPictures) {
            state.SkipWithError("not every picture showed");
            return;
        }
    }
    state.counters["max_event_wait_ms"] = static_cast<double>(longestNs) / 1e6;
    state.counters["pictures"] = view->PicturesShown();
}
BENCHMARK(NewsPageOfTwentyPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
