#pragma once

#include "common/text_codec.h"

#include <QString>
#include <string>
#include <string_view>

namespace monitor {

// The monitor's texts are 8-bit ANSI; widgets take Unicode. Convert only here.
inline QString UiText(std::string_view ansi) {
    return QString::fromStdString(common::AnsiToUtf8(ansi));
}

inline std::string AnsiText(const QString& text) {
    return common::Utf8ToAnsi(text.toStdString());
}

} // namespace monitor
