#include "common/ini_document.h"

#include "common/ascii_case.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace common {
namespace {

// The white space the profile functions trim: C isspace(). (CR and LF only
// ever reach it in arguments; a line never contains them.)
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

// Arguments of the Win32 functions are C strings.
std::string_view CutAtNul(std::string_view s) {
    auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

std::string_view TrimLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return s.substr(b);
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return s.substr(0, e);
}

// A name as a lookup key: C string, blanks trimmed on both sides.
std::string_view LookupName(std::string_view arg) {
    return Trim(CutAtNul(arg));
}

// A name as it is written into a new line: leading blanks go, trailing stay.
std::string_view NewName(std::string_view arg) {
    return TrimLeft(CutAtNul(arg));
}

// Copies a value into a buffer of kReadBufferSize bytes the way the profile
// functions do: one pair of matching quotes (" or ') around the value is
// dropped, and the text is cut to the buffer. A quoted value that exactly
// fills the buffer loses its last character, because the closing quote is
// counted before it is dropped.
std::string CopyOut(std::string_view v) {
    constexpr std::size_t room = IniDocument::kReadBufferSize - 1;
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
        std::string_view inner = v.substr(1, v.size() - 2);
        std::size_t n = inner.size();
        std::size_t keep = n < room ? n : (n == room ? room - 1 : room);
        return std::string(inner.substr(0, keep));
    }
    return std::string(v.substr(0, std::min(v.size(), room)));
}

// What a read gives when no line has a value for the key: the default loses
// trailing spaces (only spaces), then goes through the same copy as a value,
// quotes included.
std::string DefaultOut(std::string_view defaultValue) {
    std::string_view d = CutAtNul(defaultValue);
    while (!d.empty() && d.back() == ' ')
        d.remove_suffix(1);
    return CopyOut(d);
}

// Whether the name at data[begin, end) equals `name` without regard to case.
// Length and first letter reject most names before the full comparison.
bool NameMatches(const char* data, std::uint32_t begin, std::uint32_t end, std::string_view name,
                 char first) {
    if (end - begin != name.size())
        return false;
    if (name.empty())
        return true;
    // Names in files are mostly spelled as the program asks for them.
    return LowerAscii(data[begin]) == first &&
           (std::memcmp(data + begin, name.data(), name.size()) == 0 ||
            EqualsIgnoringAsciiCase(std::string_view(data + begin, name.size()), name));
}

} // namespace

void IniDocument::Parse(std::string bytes) {
    m_bytes = std::move(bytes);
    m_entries.clear();
    m_sections.clear();
    const char* data = m_bytes.data();
    const auto size = static_cast<std::uint32_t>(m_bytes.size());

    m_start = (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) ? 3 : 0;
    m_sections.push_back(Section{m_start, size, m_start, true, 0, 0, 0, 0});

    // Trims [b, e) and ends it at a NUL. Most lines hold no NUL at all;
    // `lineHasNul` spares them the search.
    bool lineHasNul = false;
    auto nameSpan = [&](std::uint32_t& b, std::uint32_t& e) {
        while (b < e && IsBlank(data[b]))
            ++b;
        while (e > b && IsBlank(data[e - 1]))
            --e;
        if (!lineHasNul)
            return;
        if (const void* nul = std::memchr(data + b, '\0', e - b)) {
            e = static_cast<std::uint32_t>(static_cast<const char*>(nul) - data);
        }
    };

    // The next CR and the next LF at or after a position, each found with
    // memchr and kept until the scan passes it: a line ends at the nearer one.
    auto findFrom = [&](char c, std::uint32_t from) {
        const void* hit = std::memchr(data + from, c, size - from);
        return hit ? static_cast<std::uint32_t>(static_cast<const char*>(hit) - data) : size;
    };
    std::uint32_t pos = m_start;
    std::uint32_t nextCr = findFrom('\r', pos);
    std::uint32_t nextLf = findFrom('\n', pos);
    while (pos < size) {
        if (nextCr < pos)
            nextCr = findFrom('\r', pos);
        if (nextLf < pos)
            nextLf = findFrom('\n', pos);
        const std::uint32_t textEnd = std::min(nextCr, nextLf);
        std::uint32_t lineEnd = textEnd;
        if (lineEnd < size) {
            lineEnd += (data[lineEnd] == '\r' && lineEnd + 1 < size && data[lineEnd + 1] == '\n') ? 2 : 1;
        }

        std::uint32_t b = pos;
        std::uint32_t e = textEnd;
        while (b < e && IsBlank(data[b]))
            ++b;
        while (e > b && IsBlank(data[e - 1]))
            --e;
        if (b == e) { // blank line
            pos = lineEnd;
            continue;
        }
        lineHasNul = std::memchr(data + b, '\0', e - b) != nullptr;

        const char* close = nullptr;
        if (data[b] == '[') {
            for (std::uint32_t i = e; i > b + 1; --i) {
                if (data[i - 1] == ']') {
                    close = data + i - 1;
                    break;
                }
            }
        }
        if (close) {
            Section& previous = m_sections.back();
            previous.end = pos;
            previous.endEntry = static_cast<std::uint32_t>(m_entries.size());
            Section s{pos, size, lineEnd, lineEnd > textEnd, b + 1, static_cast<std::uint32_t>(close - data),
                      0,   0};
            nameSpan(s.nameBegin, s.nameEnd);
            s.firstEntry = s.endEntry = static_cast<std::uint32_t>(m_entries.size());
            m_sections.push_back(s);
        } else {
            Entry entry{pos, textEnd, lineEnd, b, e, e, e, false};
            if (const void* eq = std::memchr(data + b, '=', e - b)) {
                entry.nameEnd = static_cast<std::uint32_t>(static_cast<const char*>(eq) - data);
                entry.valueBegin = entry.nameEnd + 1;
                entry.hasValue = true;
                nameSpan(entry.valueBegin, entry.valueEnd);
            }
            nameSpan(entry.nameBegin, entry.nameEnd);
            m_entries.push_back(entry);
            Section& current = m_sections.back();
            current.contentEnd = lineEnd;
            current.contentTerminated = lineEnd > textEnd;
        }
        pos = lineEnd;
    }
    m_sections.back().endEntry = static_cast<std::uint32_t>(m_entries.size());
}

bool IniDocument::IsUtf16() const {
    return m_bytes.size() >= 2 &&
           ((m_bytes[0] == '\xFF' && m_bytes[1] == '\xFE') || (m_bytes[0] == '\xFE' && m_bytes[1] == '\xFF'));
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
    const char first = name.empty() ? '\0' : LowerAscii(name[0]);
    for (const Section& s : m_sections) {
        if (NameMatches(m_bytes.data(), s.nameBegin, s.nameEnd, name, first))
            return &s;
    }
    return nullptr;
}

const IniDocument::Entry* IniDocument::FindEntry(const Section& section, std::string_view name) const {
    const char first = name.empty() ? '\0' : LowerAscii(name[0]);
    for (std::uint32_t i = section.firstEntry; i < section.endEntry; ++i) {
        const Entry& e = m_entries[i];
        if (NameMatches(m_bytes.data(), e.nameBegin, e.nameEnd, name, first))
            return &e;
    }
    return nullptr;
}

std::string IniDocument::Read(std::string_view section, std::string_view key,
                              std::string_view defaultValue) const {
    if (const Section* s = FindSection(LookupName(section))) {
        const Entry* e = FindEntry(*s, LookupName(key));
        if (e && e->hasValue)
            return CopyOut(View(e->valueBegin, e->valueEnd));
    }
    return DefaultOut(defaultValue);
}

void IniDocument::ReadKeys(std::string_view section, std::span<const KeyRead> reads) const {
    // Up to 64 keys are looked up together, one bit each; more go in further
    // passes. Keys are grouped by name length, so a line is compared only with
    // the keys of its own length that are still open.
    constexpr std::size_t kBatch = 64;
    constexpr std::size_t kShortNames = 32; // longer names share the last group
    if (reads.size() > kBatch) {
        ReadKeys(section, reads.first(kBatch));
        ReadKeys(section, reads.subspan(kBatch));
        return;
    }
    std::array<std::string_view, kBatch> names;
    std::array<char, kBatch> firsts;
    std::array<std::uint64_t, kShortNames + 1> byLength{};
    for (std::size_t i = 0; i < reads.size(); ++i) {
        names[i] = LookupName(reads[i].key);
        firsts[i] = names[i].empty() ? '\0' : LowerAscii(names[i][0]);
        byLength[std::min(names[i].size(), kShortNames)] |= std::uint64_t{1} << i;
    }
    // The first line that matches a key decides it, as in Read: its value,
    // or the default when it has none.
    std::uint64_t open = reads.size() == kBatch ? ~std::uint64_t{0} : (std::uint64_t{1} << reads.size()) - 1;
    if (const Section* s = FindSection(LookupName(section))) {
        for (std::uint32_t e = s->firstEntry; e < s->endEntry && open != 0; ++e) {
            const Entry& entry = m_entries[e];
            std::uint64_t candidates =
                byLength[std::min<std::size_t>(entry.nameEnd - entry.nameBegin, kShortNames)] & open;
            for (; candidates != 0; candidates &= candidates - 1) {
                const auto i = static_cast<std::size_t>(std::countr_zero(candidates));
                if (!NameMatches(m_bytes.data(), entry.nameBegin, entry.nameEnd, names[i], firsts[i]))
                    continue;
                open &= ~(std::uint64_t{1} << i);
                *reads[i].out = entry.hasValue ? CopyOut(View(entry.valueBegin, entry.valueEnd))
                                               : DefaultOut(reads[i].defaultValue);
            }
        }
    }
    for (; open != 0; open &= open - 1)
        *reads[static_cast<std::size_t>(std::countr_zero(open))].out =
            DefaultOut(reads[static_cast<std::size_t>(std::countr_zero(open))].defaultValue);
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    const Section* s = FindSection(LookupName(section));
    if (!s)
        return names;
    for (std::uint32_t i = s->firstEntry; i < s->endEntry; ++i) {
        const Entry& e = m_entries[i];
        std::string_view name = View(e.nameBegin, e.nameEnd);
        if (!e.hasValue || name.empty() || name[0] == ';')
            continue;
        bool seen = std::any_of(names.begin(), names.end(),
                                [&](const std::string& n) { return EqualsIgnoringAsciiCase(n, name); });
        if (!seen)
            names.emplace_back(name);
    }
    return names;
}

std::optional<std::string> IniDocument::Write(std::string_view section, std::string_view key,
                                              std::string_view value) const {
    std::string_view v = TrimLeft(CutAtNul(value));
    const Section* s = FindSection(LookupName(section));
    std::string out;
    if (!s) {
        // A new section goes to the end of the file.
        out.reserve(m_bytes.size() + section.size() + key.size() + v.size() + 8);
        out = m_bytes;
        if (out.size() > m_start && out.back() != '\n' && out.back() != '\r')
            out += "\r\n";
        out.append("[").append(NewName(section)).append("]\r\n");
        out.append(NewName(key)).append("=").append(v).append("\r\n");
        return out;
    }
    if (const Entry* e = FindEntry(*s, LookupName(key))) {
        if (e->hasValue && View(e->valueBegin, e->valueEnd) == v)
            return std::nullopt;
        // The line becomes name=value; its line terminator stays.
        out.reserve(m_bytes.size() + v.size() + 1);
        out.append(m_bytes, 0, e->lineBegin);
        out.append(View(e->nameBegin, e->nameEnd)).append("=").append(v);
        out.append(m_bytes, e->textEnd, std::string::npos);
        return out;
    }
    // A new key follows the last non-blank line of its section.
    out.reserve(m_bytes.size() + key.size() + v.size() + 5);
    out.append(m_bytes, 0, s->contentEnd);
    if (!s->contentTerminated)
        out += "\r\n";
    out.append(NewName(key)).append("=").append(v).append("\r\n");
    out.append(m_bytes, s->contentEnd, std::string::npos);
    return out;
}

std::optional<std::string> IniDocument::DeleteKey(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(LookupName(section));
    const Entry* e = s ? FindEntry(*s, LookupName(key)) : nullptr;
    if (!e)
        return std::nullopt;
    std::string out(m_bytes, 0, e->lineBegin);
    out.append(m_bytes, e->lineEnd, std::string::npos);
    return out;
}

std::optional<std::string> IniDocument::DeleteSection(std::string_view section) const {
    const Section* s = FindSection(LookupName(section));
    if (!s || s->begin == s->end)
        return std::nullopt;
    std::string out(m_bytes, 0, s->begin);
    out.append(m_bytes, s->end, std::string::npos);
    return out;
}

} // namespace common
