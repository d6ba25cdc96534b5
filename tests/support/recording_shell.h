#pragma once

#include "common/file_system.h"
#include "common/shell.h"

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Records what is asked of the shell, and starts nothing.
class RecordingShell : public common::Shell {
public:
    struct Call {
        std::string target;
        std::string parameters;
        common::ShowMode mode;
        bool operator==(const Call&) const = default;
    };

    void Open(std::string_view target, std::string_view parameters, common::ShowMode mode) override {
        calls.push_back({std::string(target), std::string(parameters), mode});
        directories.push_back(common::CurrentDirectory());
        if (events)
            events->push_back("open " + std::string(target));
    }
    // Forgets every call so far.
    void Clear() {
        calls.clear();
        directories.clear();
    }

    std::vector<Call> calls;
    // The current directory at each call, index-aligned with `calls`: the
    // directory a started program would inherit.
    std::vector<std::string> directories;
    // When set, each call also adds "open " + target here, so that a test can
    // see the opens in order with other events it records.
    std::vector<std::string>* events = nullptr;
};

} // namespace testsupport
