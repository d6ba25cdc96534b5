#pragma once

#include <string>
#include <string_view>

namespace monitor {

// The C library formats dates and times in the locale's encoding (UTF-8 in
// most locales today); the monitor's texts are in the ANSI code page. Converts
// `text` from `codeset` (nl_langinfo(CODESET)) to the ANSI code page.
std::string LocaleTextToAnsi(std::string_view text, std::string_view codeset);

} // namespace monitor
