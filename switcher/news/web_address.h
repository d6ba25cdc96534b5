#pragma once

#include <string_view>

namespace switcher {

// Whether an absolute address is a web page's: "http://" or "https://" (in
// any case) followed by a host. Only such addresses are fetched for the news
// box or opened from it: a file, a share (\\host\share), a script and every
// other scheme are refused.
bool IsWebAddress(std::string_view url);

} // namespace switcher
