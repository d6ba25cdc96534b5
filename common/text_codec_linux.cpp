#include "common/text_codec.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <mutex>

namespace common {
namespace {

constexpr const char* kDefaultCodePage = "CP1252";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one well-formed UTF-8 sequence at the start of `s`. Returns its
// length, or 0 when the bytes there are not well-formed UTF-8 (overlong
// forms, surrogates and values above U+10FFFF included).
std::size_t DecodeUtf8(std::string_view s, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2, c = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, c = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, c = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// "1251": a bare Windows code page number, which iconv knows as "CP1251".
bool IsNumber(std::string_view name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

// iconv descriptors carry conversion state, so each call takes the lock.
// Without any usable converter (no gconv modules at all) the codec falls
// back to ISO-8859-1: every byte is then "undefined" and maps to itself.
struct TextCodec::Impl {
    std::string name;
    iconv_t toUtf8 = kNoConverter;
    iconv_t fromUtf8 = kNoConverter;
    std::array<bool, 256> undefined{}; // bytes the code page does not define
    std::mutex mutex;

    bool Open(const std::string& codePage) {
        toUtf8 = iconv_open("UTF-8", codePage.c_str());
        fromUtf8 = iconv_open(codePage.c_str(), "UTF-8");
        if (toUtf8 != kNoConverter && fromUtf8 != kNoConverter) {
            name = codePage;
            return true;
        }
        Close();
        return false;
    }

    void Close() {
        if (toUtf8 != kNoConverter) {
            iconv_close(toUtf8);
        }
        if (fromUtf8 != kNoConverter) {
            iconv_close(fromUtf8);
        }
        toUtf8 = fromUtf8 = kNoConverter;
    }

    void FindUndefinedBytes() {
        for (int b = 0; b < 256; ++b) {
            if (toUtf8 == kNoConverter) {
                undefined[b] = true;
                continue;
            }
            char in = static_cast<char>(b);
            char* inPtr = &in;
            std::size_t inLeft = 1;
            char out[16];
            char* outPtr = out;
            std::size_t outLeft = sizeof out;
            iconv(toUtf8, nullptr, nullptr, nullptr, nullptr);
            // EINVAL (an incomplete multi-byte sequence) is a lead byte, not
            // an undefined one.
            undefined[b] =
                iconv(toUtf8, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) &&
                errno == EILSEQ;
        }
        if (toUtf8 != kNoConverter) {
            iconv(toUtf8, nullptr, nullptr, nullptr, nullptr);
        }
    }
};

TextCodec::TextCodec(std::string_view codePage) : m_impl(std::make_unique<Impl>()) {
    const bool opened =
        !codePage.empty() && (m_impl->Open(std::string(codePage)) ||
                              (IsNumber(codePage) && m_impl->Open("CP" + std::string(codePage))));
    if (!opened) {
        if (!m_impl->Open(kDefaultCodePage)) {
            m_impl->name = "ISO-8859-1";
        }
    }
    m_impl->FindUndefinedBytes();
}

TextCodec::~TextCodec() {
    m_impl->Close();
}

const std::string& TextCodec::CodePage() const {
    return m_impl->name;
}

std::string TextCodec::ToUtf8(std::string_view ansi) const {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 2);
    std::lock_guard lock(m_impl->mutex);
    const iconv_t cd = m_impl->toUtf8;
    char* in = const_cast<char*>(ansi.data()); // iconv does not write through it
    std::size_t inLeft = ansi.size();
    if (cd != kNoConverter) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char buffer[1024];
    while (inLeft > 0) {
        if (cd != kNoConverter) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
                continue;
            }
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        // An undefined byte, or a lead byte without its trail: the byte's value.
        AppendUtf8(out, static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
    }
    if (cd != kNoConverter) {
        // Ends a stateful encoding's shift sequence, if any.
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    }
    return out;
}

std::string TextCodec::FromUtf8(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    std::lock_guard lock(m_impl->mutex);
    const iconv_t cd = m_impl->fromUtf8;
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    if (cd != kNoConverter) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char buffer[1024];
    while (inLeft > 0) {
        if (cd != kNoConverter) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
                continue;
            }
        }
        // Not convertible: malformed UTF-8, a character the code page lacks,
        // or the stand-in character of an undefined byte (see ToUtf8).
        char32_t c = 0;
        const std::size_t length = DecodeUtf8(std::string_view(in, inLeft), c);
        if (length > 0 && c < 256 && m_impl->undefined[c]) {
            out += static_cast<char>(c);
        } else {
            out += '?';
        }
        const std::size_t skip = length > 0 ? length : 1;
        in += skip;
        inLeft -= skip;
    }
    if (cd != kNoConverter) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    }
    return out;
}

const TextCodec& AnsiCodec() {
    static const TextCodec codec([] {
        const char* name = std::getenv("ZANDREL_CODEPAGE");
        return std::string_view(name != nullptr && *name != '\0' ? name : kDefaultCodePage);
    }());
    return codec;
}

std::string AnsiToUtf8(std::string_view ansi) {
    return AnsiCodec().ToUtf8(ansi);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return AnsiCodec().FromUtf8(utf8);
}

} // namespace common
