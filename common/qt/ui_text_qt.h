#pragma once

#include "common/text_codec.h"

#include <QString>
#include <string>
#include <string_view>

namespace common {

// The engines' texts are 8-bit ANSI; widgets take Unicode. Both programs
// convert only at their windows, through these two.
inline QString UiText(std::string_view ansi) {
    return QString::fromStdString(common::AnsiToUtf8(ansi));
}

inline std::string AnsiText(const QString& text) {
    return common::Utf8ToAnsi(text.toStdString());
}

} // namespace common
