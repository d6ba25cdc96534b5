#pragma once

#include <functional>
#include <memory>

namespace common {

// The operating system's requests to end the program, delivered on the
// window thread so that the program can end as a user's close ends it
// (every window's close runs, every setting is written).
//
// Linux: SIGTERM (log-out, kill, systemctl), SIGINT (Ctrl+C in a terminal)
// and SIGHUP (the terminal closed; a log-out sends it right after SIGTERM).
// A signal the program was started with ignored (nohup) stays ignored. After
// a request, a second signal of the same kind ends the program at once, as
// it did without the watch, so a close that hangs can still be ended.
//
// Windows: the end of the session (WM_ENDSESSION), and Ctrl+C, Ctrl+Break
// and the close of a console the program shares. The system ends the process
// as soon as it has told it, so `onRequest` runs before the message is
// answered, and the console's handler holds the process until it ends.
//
// One watch at a time, made while the application object exists, right
// before its event loop starts: earlier, no window has been used yet, and the
// default end loses nothing.
class TerminationWatch {
public:
    explicit TerminationWatch(std::function<void()> onRequest);
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

    struct Parts; // the platform's handlers (termination_<platform>_qt.cpp)

private:
    std::unique_ptr<Parts> m_parts;
};

} // namespace common
