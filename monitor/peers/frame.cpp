#include "monitor/peers/frame.h"

namespace monitor {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string EncodeFrame(std::string_view payload) {
    if (payload.size() > kMaxPayload)
        payload = payload.substr(0, kMaxPayload);
    std::string frame;
    frame.reserve(payload.size() + kPrefixLength);
    frame += static_cast<char>('0' + payload.size() / 10);
    frame += static_cast<char>('0' + payload.size() % 10);
    frame.append(payload);
    return frame;
}

int TwoDigitValue(std::string_view text, std::size_t pos) {
    if (text.size() < pos + 2 || !IsDigit(text[pos]) || !IsDigit(text[pos + 1]))
        return -1;
    return (text[pos] - '0') * 10 + (text[pos + 1] - '0');
}

int FrameLength(std::string_view prefix) {
    return TwoDigitValue(prefix, 0);
}

bool WholeFrameBuffered(std::string_view head, std::size_t bytesBuffered) {
    const int n = FrameLength(head);
    return n >= 0 && bytesBuffered >= static_cast<std::size_t>(n) + kPrefixLength;
}

bool HasReportShape(std::string_view payload) {
    if (payload.size() < 11)
        return false;
    for (std::size_t i = 0; i < 11; ++i) {
        if (!IsDigit(payload[i]))
            return false;
    }
    return true;
}

} // namespace monitor
