#include "common/ascii_case.h"
#include "common/text_codec.h"

#include <windows.h>

namespace common {
namespace {

// "CP1251", "cp1251" or "1251" -> 1251; 0 for anything else or a code page
// the system does not have.
UINT ParseCodePage(std::string_view name) {
    if (name.size() > 2 && StartsWithIgnoringAsciiCase(name, "cp")) {
        name.remove_prefix(2);
    }
    if (name.empty() || name.size() > 5) {
        return 0;
    }
    UINT number = 0;
    for (char c : name) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + static_cast<UINT>(c - '0');
    }
    return IsValidCodePage(number) ? number : 0;
}

std::wstring Widen(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    }
    return wide;
}

std::string Narrow(UINT codePage, DWORD flags, const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                            nullptr, nullptr);
    }
    return text;
}

} // namespace

struct TextCodec::Impl {
    UINT codePage = CP_ACP;
    std::string name;
};

TextCodec::TextCodec(std::string_view codePage) : m_impl(std::make_unique<Impl>()) {
    m_impl->codePage = ParseCodePage(codePage);
    if (m_impl->codePage == 0) {
        m_impl->codePage = GetACP();
    }
    m_impl->name = "CP" + std::to_string(m_impl->codePage);
}

TextCodec::~TextCodec() = default;

const std::string& TextCodec::CodePage() const {
    return m_impl->name;
}

std::string TextCodec::ToUtf8(std::string_view ansi) const {
    return Narrow(CP_UTF8, 0, Widen(m_impl->codePage, ansi));
}

std::string TextCodec::FromUtf8(std::string_view utf8) const {
    // Without best-fit mapping a missing character becomes '?' rather than a
    // look-alike; some code pages refuse the flag, so retry without it.
    const std::wstring wide = Widen(CP_UTF8, utf8);
    std::string text = Narrow(m_impl->codePage, WC_NO_BEST_FIT_CHARS, wide);
    if (text.empty() && !wide.empty()) {
        text = Narrow(m_impl->codePage, 0, wide);
    }
    return text;
}

const TextCodec& AnsiCodec() {
    static const TextCodec codec("");
    return codec;
}

std::string AnsiToUtf8(std::string_view ansi) {
    return AnsiCodec().ToUtf8(ansi);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return AnsiCodec().FromUtf8(utf8);
}

} // namespace common
