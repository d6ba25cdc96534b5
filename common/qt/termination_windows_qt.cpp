// Windows tells a program of its end in two ways: the session's end arrives
// as WM_ENDSESSION at its windows, on the window thread; a console that it
// shares (UseParentConsole) reports Ctrl+C, Ctrl+Break and its close to a
// handler that the system runs on a thread of its own.
#include "common/qt/termination_qt.h"

#include <windows.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <mutex>
#include <utility>

namespace common {

struct TerminationWatch::Parts final : QAbstractNativeEventFilter {
    explicit Parts(std::function<void()> request) : onRequest(std::move(request)) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* msg = static_cast<const MSG*>(message);
        // Every top-level window gets the message, and one end is enough. A
        // false wParam says the session goes on (another program refused).
        // The system ends the process once the message is answered, so the
        // request runs now, not in a later turn of the event loop.
        if (type == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam && !ended) {
            ended = true;
            onRequest();
        }
        return false; // Qt answers the message too
    }

    std::function<void()> onRequest;
    // Where the console's requests are queued; its end drops those still waiting.
    QObject target;
    bool ended = false;
};

namespace {

// Globals because the console handler is a plain function that the system
// calls on a thread of its own, with nothing to hand it the watch.
std::mutex g_mutex; // between the console's thread and the watch's end
TerminationWatch::Parts* g_parts = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    {
        const std::lock_guard lock(g_mutex);
        if (!g_parts)
            return FALSE; // the next handler: the system's, which ends the process
        TerminationWatch::Parts* parts = g_parts;
        QMetaObject::invokeMethod(
            &parts->target, [parts] { parts->onRequest(); }, Qt::QueuedConnection);
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // After a close, log-off or shut-down the system ends the process as soon
    // as this handler returns. It waits for the program's own end instead,
    // which ends this thread too; the system bounds the wait with its time-out.
    Sleep(INFINITE);
    return TRUE;
}

} // namespace

TerminationWatch::TerminationWatch(std::function<void()> onRequest)
    : m_parts(std::make_unique<Parts>(std::move(onRequest))) {
    QCoreApplication::instance()->installNativeEventFilter(m_parts.get());
    {
        const std::lock_guard lock(g_mutex);
        g_parts = m_parts.get();
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TerminationWatch::~TerminationWatch() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    {
        const std::lock_guard lock(g_mutex);
        g_parts = nullptr;
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(m_parts.get());
}

} // namespace common
