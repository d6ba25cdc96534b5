#pragma once

#include <memory>

namespace monitor {

// Port: the system's error sound, played for every warning. Playing never
// waits for the sound and never fails visibly: without a sound device or
// sound server the call simply does nothing.
class SoundPort {
public:
    virtual ~SoundPort() = default;
    virtual void PlayErrorSound() = 0;
};

// Windows: the "SystemHand" alias, asynchronous, without the default sound.
// Linux: the desktop's "dialog-error" event sound.
std::unique_ptr<SoundPort> CreateSystemSound();

} // namespace monitor
