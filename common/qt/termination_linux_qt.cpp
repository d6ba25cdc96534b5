// The signals reach the window thread through a pipe: the handler only writes
// one byte (write is async-signal-safe, whatever thread the kernel picks), and
// a socket notifier on the read end runs the request in the event loop.
#include "common/qt/termination_qt.h"
#include "common/result.h"

#include <QObject>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace common {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A global because a signal handler can reach nothing else.
volatile std::sig_atomic_t g_writeEnd = -1; // set before any handler is installed

void OnSignal(int) {
    const int saved = errno;
    const char byte = 0;
    // A full pipe already holds a request, so a byte that does not fit loses nothing.
    common::IgnoreResult(write(g_writeEnd, &byte, 1), "a full pipe already holds a request");
    errno = saved;
}

} // namespace

struct TerminationWatch::Parts {
    int readEnd = -1;
    int writeEnd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    std::vector<std::pair<int, struct sigaction>> replaced; // signal, disposition before the watch
};

TerminationWatch::TerminationWatch(std::function<void()> onRequest) : m_parts(std::make_unique<Parts>()) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the program runs; a signal ends it the default way
    m_parts->readEnd = ends[0];
    m_parts->writeEnd = ends[1];
    g_writeEnd = ends[1];

    m_parts->notifier = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    const int readEnd = ends[0];
    QObject::connect(m_parts->notifier.get(), &QSocketNotifier::activated, m_parts->notifier.get(),
                     [readEnd, onRequest = std::move(onRequest)] {
                         // Several signals at once make one request.
                         char bytes[64];
                         while (read(readEnd, bytes, sizeof bytes) > 0) {
                         }
                         onRequest();
                     });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kSignals) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN)
            continue;
        if (sigaction(signal, &action, nullptr) == 0)
            m_parts->replaced.emplace_back(signal, before);
    }
}

TerminationWatch::~TerminationWatch() {
    // The handlers go before the pipe, so none writes into a closed (or reused) descriptor.
    for (const auto& [signal, before] : m_parts->replaced)
        sigaction(signal, &before, nullptr);
    g_writeEnd = -1;
    m_parts->notifier.reset();
    if (m_parts->readEnd >= 0)
        close(m_parts->readEnd);
    if (m_parts->writeEnd >= 0)
        close(m_parts->writeEnd);
}

} // namespace common
