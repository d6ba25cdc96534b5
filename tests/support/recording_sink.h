#pragma once

#include "common/message_sink.h"

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Collects the messages that a program would show in a box, in order.
class RecordingSink : public common::MessageSink {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

} // namespace testsupport
