#pragma once

#include <string_view>

namespace common {

// Port: where user-visible messages go (a modal box with one OK button in the
// programs, a recorder in tests).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};

} // namespace common
