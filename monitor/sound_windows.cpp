#include "monitor/sound.h"

// mmsystem.h needs the types of windows.h first.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

namespace monitor {
namespace {

class SystemHandSound final : public SoundPort {
public:
    // SND_NODEFAULT: with no sound assigned to the alias nothing plays at all.
    void PlayErrorSound() override {
        PlaySoundA("SystemHand", nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
    }
};

} // namespace

std::unique_ptr<SoundPort> CreateSystemSound() {
    return std::make_unique<SystemHandSound>();
}

} // namespace monitor
