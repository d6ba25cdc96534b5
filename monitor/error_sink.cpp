#include "monitor/error_sink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace monitor {
namespace {

void DebugChannel(std::string_view line) {
    const char* flag = std::getenv("VARNOK_DEBUG");
    if (!flag || std::strcmp(flag, "1") != 0)
        return;
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

ErrorChannel& CurrentChannel() {
    static ErrorChannel channel = DebugChannel;
    return channel;
}

} // namespace

std::string ErrorLineText(std::int64_t number, std::string_view text, std::string_view module,
                          std::string_view procedure) {
    std::string line = "ERROR: " + std::to_string(number) + " at ";
    line.append(module);
    line += '\\';
    line.append(procedure);
    line += " >>> ";
    line.append(text);
    return line;
}

void FormatErrorLine(std::int64_t number, std::string_view text, std::string_view module,
                     std::string_view procedure) {
    SendToErrorSink(ErrorLineText(number, text, module, procedure));
}

void SendToErrorSink(std::string_view line) {
    CurrentChannel()(line);
}

ErrorChannel SetErrorChannel(ErrorChannel channel) {
    if (!channel)
        channel = DebugChannel;
    return std::exchange(CurrentChannel(), std::move(channel));
}

} // namespace monitor
