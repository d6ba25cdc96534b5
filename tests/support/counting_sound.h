#pragma once

#include "monitor/sound.h"

namespace testsupport {

// Counts the warning sounds instead of playing them.
class CountingSound final : public monitor::SoundPort {
public:
    void PlayErrorSound() override { ++plays; }
    int plays = 0;
};

} // namespace testsupport
