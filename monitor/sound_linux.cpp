#include "monitor/sound.h"

#include <canberra.h>
#include <condition_variable>
#include <dlfcn.h>
#include <mutex>
#include <thread>

namespace monitor {
namespace {

// libcanberra and its codecs are loaded at the first warning, not at start:
// most runs of the monitor never play a sound.
struct Canberra {
    decltype(&ca_context_create) create = nullptr;
    decltype(&ca_context_play) play = nullptr;
    decltype(&ca_context_destroy) destroy = nullptr;

    bool Load() {
        if (create)
            return true;
        void* library = dlopen("libcanberra.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (!library)
            return false;
        create = reinterpret_cast<decltype(create)>(dlsym(library, "ca_context_create"));
        play = reinterpret_cast<decltype(play)>(dlsym(library, "ca_context_play"));
        destroy = reinterpret_cast<decltype(destroy)>(dlsym(library, "ca_context_destroy"));
        if (create && play && destroy)
            return true;
        create = nullptr;
        return false;
    }
};

// libcanberra may wait while it connects to a sound server, so it runs on a
// worker thread of its own and the window thread only posts a request.
// Requests made while one is still pending merge into one sound.
class CanberraSound final : public SoundPort {
public:
    CanberraSound() = default;

    ~CanberraSound() override {
        if (!m_worker.joinable())
            return;
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
        // The worker starts with the first warning.
        if (!m_worker.joinable())
            m_worker = std::thread([this] { Run(); });
        m_wake.notify_one();
    }

private:
    void Run() {
        Canberra ca;
        ca_context* context = nullptr;
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || m_pending; });
                if (m_stop)
                    break;
                m_pending = false;
            }
            if (!ca.Load())
                continue;
            if (!context && ca.create(&context) != CA_SUCCESS)
                context = nullptr;
            if (!context)
                continue;
            const int result = ca.play(context, 0, CA_PROP_EVENT_ID, "dialog-error",
                                       CA_PROP_EVENT_DESCRIPTION, "Monitor warning", nullptr);
            // A server that is missing now may appear later: start afresh next time.
            if (result != CA_SUCCESS) {
                ca.destroy(context);
                context = nullptr;
            }
        }
        if (context)
            ca.destroy(context);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_pending = false;
    std::thread m_worker;
};

} // namespace

std::unique_ptr<SoundPort> CreateSystemSound() {
    return std::make_unique<CanberraSound>();
}

} // namespace monitor
