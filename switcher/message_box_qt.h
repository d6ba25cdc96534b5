#pragma once

#include "common/message_sink.h"

namespace switcher {

// Shows each message in a modal box with one OK button.
class MessageBoxSink : public common::MessageSink {
public:
    void ShowMessage(std::string_view text) override;
};

} // namespace switcher
