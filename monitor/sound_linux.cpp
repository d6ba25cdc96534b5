#include "monitor/sound.h"

#include <canberra.h>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace monitor {
namespace {

// libcanberra may wait while it connects to a sound server, so it runs on a
// worker thread of its own and the window thread only posts a request.
// Requests made while one is still pending merge into one sound.
class CanberraSound final : public SoundPort {
public:
    CanberraSound() : m_worker([this] { Run(); }) {}

    ~CanberraSound() override {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_worker.join();
    }

    void PlayErrorSound() override {
        {
            std::lock_guard lock(m_mutex);
            m_pending = true;
        }
        m_wake.notify_one();
    }

private:
    void Run() {
        ca_context* context = nullptr;
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || m_pending; });
                if (m_stop)
                    break;
                m_pending = false;
            }
            if (!context && ca_context_create(&context) != CA_SUCCESS)
                context = nullptr;
            if (!context)
                continue;
            const int result = ca_context_play(context, 0, CA_PROP_EVENT_ID, "dialog-error",
                                               CA_PROP_EVENT_DESCRIPTION, "Monitor warning", nullptr);
            // A server that is missing now may appear later: start afresh next time.
            if (result != CA_SUCCESS) {
                ca_context_destroy(context);
                context = nullptr;
            }
        }
        if (context)
            ca_context_destroy(context);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_pending = false;
    std::thread m_worker; // last: starts once everything above exists
};

} // namespace

std::unique_ptr<SoundPort> CreateSystemSound() {
    return std::make_unique<CanberraSound>();
}

} // namespace monitor
