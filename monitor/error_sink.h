#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Internal error lines of the inspection code. They are built and handed to a
// sink that shows and stores nothing: never the log list, never the log file.
// For diagnosis the default sink writes them to standard error when the
// environment variable VARNOK_DEBUG is "1".
namespace monitor {

// "ERROR: " + number + " at " + module + "\" + procedure + " >>> " + text
std::string ErrorLineText(std::int64_t number, std::string_view text, std::string_view module,
                          std::string_view procedure);

// Builds the error line and hands it to the sink.
void FormatErrorLine(std::int64_t number, std::string_view text, std::string_view module,
                     std::string_view procedure);

// Hands an already built line to the sink (for the forms with another prefix).
void SendToErrorSink(std::string_view line);

// Replaces where sunk lines go and returns the previous channel; an empty
// channel restores the default debug channel. For tests and diagnosis.
using ErrorChannel = std::function<void(std::string_view line)>;
ErrorChannel SetErrorChannel(ErrorChannel channel);

} // namespace monitor
