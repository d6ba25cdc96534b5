#include "monitor/inspect/kessit_call.h"

#include "monitor/inspect/inspect_faults.h"

#include <cstring>
#include <vector>

namespace monitor {
namespace {

bool IsDecimal(const std::string& text) {
    std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i >= text.size()) {
        return false;
    }
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

// A buffer handed back counts only when a NUL still ends it inside its length.
bool ReadBack(const std::vector<char>& buffer, std::string& text) {
    const void* nul = std::memchr(buffer.data(), '\0', buffer.size());
    if (!nul) {
        return false;
    }
    const std::string value(buffer.data(), static_cast<const char*>(nul));
    if (!IsDecimal(value)) {
        return false;
    }
    text = value;
    return true;
}

} // namespace

KessitAnswer CallKessit(KessitCheckFunction entry, std::string& baseText, std::string& sizeText,
                        std::string& pidText, const ErrorReporter& reporter) {
    std::vector<char> base(baseText.begin(), baseText.end());
    std::vector<char> size(sizeText.begin(), sizeText.end());
    std::vector<char> pid(pidText.begin(), pidText.end());
    base.push_back('\0');
    size.push_back('\0');
    pid.push_back('\0');

    const std::int16_t result = entry(base.data(), size.data(), pid.data());

    std::string newBase;
    std::string newSize;
    std::string newPid;
    if (!ReadBack(base, newBase) || !ReadBack(size, newSize) || !ReadBack(pid, newPid)) {
        ReportError(reporter, result, kScanModule, "KessitCheck", "texts handed back cannot be read");
        return KessitAnswer::NoAnswer;
    }
    baseText = newBase;
    sizeText = newSize;
    pidText = newPid;
    switch (result) {
    case kessit::kPassed:
        return KessitAnswer::Passed;
    case kessit::kFailed:
        return KessitAnswer::Failed;
    default:
        return KessitAnswer::NoAnswer;
    }
}

} // namespace monitor
