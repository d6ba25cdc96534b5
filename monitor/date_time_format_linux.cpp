#include "common/text_codec.h"
#include "monitor/date_time_format.h"
#include "monitor/locale_text_linux.h"

#include <ctime>
#include <langinfo.h>

namespace monitor {
namespace {

std::string Format(TimePoint time, const char* pattern) {
    const std::time_t seconds = Clock::to_time_t(time);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return {};
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
    return LocaleTextToAnsi(std::string_view(buffer, length), nl_langinfo(CODESET));
}

class PosixDateTimeFormat final : public DateTimeFormat {
public:
    std::string ShortDate(TimePoint time) const override { return Format(time, "%x"); }
    std::string ShortTime(TimePoint time) const override { return Format(time, "%X"); }
};

} // namespace

std::string LocaleTextToAnsi(std::string_view text, std::string_view codeset) {
    bool ascii = true;
    for (const char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(text);
    if (codeset == "UTF-8" || codeset == "utf8")
        return common::Utf8ToAnsi(text);
    // Any other locale encoding goes through UTF-8 into the ANSI code page.
    const common::TextCodec locale(codeset);
    return common::Utf8ToAnsi(locale.ToUtf8(text));
}

std::unique_ptr<DateTimeFormat> CreateSystemDateTimeFormat() {
    return std::make_unique<PosixDateTimeFormat>();
}

} // namespace monitor
