#pragma once

namespace testsupport {

// A property a fuzz target asserts: a broken one stops the run at once, so
// libFuzzer keeps the input as a finding (and a corpus replay fails).
inline void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace testsupport
