#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// The bytes of an ini file with an index of its sections and keys, and the
// Windows profile rules for reading and editing them. No file I/O here.
//
// Parsing, as the Win32 profile functions do it:
// - a line ends at CR, LF or CRLF; NUL does not end a line;
// - a line whose first non-blank byte is '[' and that has a ']' later is a
//   section header; the name lies between '[' and the last ']';
// - any other non-blank line is a key line: the name is the text before the
//   first '=', the value the text after it; a line without '=' is a key
//   without a value, which reads as absent;
// - names and values lose surrounding white space (space, tab, VT, FF) and
//   end at a NUL byte, like C strings;
// - lines before the first header form a section with the empty name;
// - a UTF-8 byte order mark at the start is skipped.
// Lookups compare names without regard to ASCII case; the first matching
// section and the first matching key in it win.
//
// Edits produce new file bytes that keep every other byte as it was. New lines
// end in CRLF.
class IniDocument {
public:
    // Values read back as if into a buffer of this many bytes.
    static constexpr std::size_t kReadBufferSize = 2048;

    IniDocument() { Parse({}); }

    void Parse(std::string bytes);
    const std::string& Bytes() const { return m_bytes; }

    // Text encoded as UTF-16 (byte order mark FF FE or FE FF). Such a file is
    // read byte-wise (so nothing matches) and never edited.
    bool IsUtf16() const;

    // GetPrivateProfileStringA(section, key, defaultValue) into a buffer of
    // kReadBufferSize bytes.
    std::string Read(std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Several keys of one section in one pass over it: each `*out` becomes
    // what Read(section, key, defaultValue) gives. For readers of many keys.
    struct KeyRead {
        std::string_view key;
        std::string_view defaultValue;
        std::string* out;
    };
    void ReadKeys(std::string_view section, std::span<const KeyRead> reads) const;

    // The keys of the first matching section that have a value, in file
    // order, without comment keys (';'), each name once.
    std::vector<std::string> KeyNames(std::string_view section) const;

    // WritePrivateProfileStringA(section, key, value): the new file bytes, or
    // nothing when the file would not change.
    std::optional<std::string> Write(std::string_view section, std::string_view key,
                                     std::string_view value) const;
    // WritePrivateProfileStringA(section, key, NULL).
    std::optional<std::string> DeleteKey(std::string_view section, std::string_view key) const;
    // WritePrivateProfileStringA(section, NULL, NULL).
    std::optional<std::string> DeleteSection(std::string_view section) const;

private:
    // Offsets into m_bytes. 32 bits keep the index small; callers cap the
    // file size well below 4 GiB.
    struct Entry {
        std::uint32_t lineBegin;
        std::uint32_t textEnd; // end of the line before its terminator
        std::uint32_t lineEnd; // after the terminator
        std::uint32_t nameBegin;
        std::uint32_t nameEnd;
        std::uint32_t valueBegin;
        std::uint32_t valueEnd;
        bool hasValue;
    };
    struct Section {
        std::uint32_t begin;      // the header line, or the file start for the unnamed section
        std::uint32_t end;        // where the next header begins
        std::uint32_t contentEnd; // after the last non-blank line
        bool contentTerminated;   // that line has a line terminator
        std::uint32_t nameBegin;
        std::uint32_t nameEnd;
        std::uint32_t firstEntry;
        std::uint32_t endEntry;
    };

    std::string_view View(std::uint32_t begin, std::uint32_t end) const {
        return std::string_view(m_bytes).substr(begin, end - begin);
    }
    const Section* FindSection(std::string_view name) const;
    const Entry* FindEntry(const Section& section, std::string_view name) const;

    std::string m_bytes;
    std::uint32_t m_start = 0; // after a byte order mark
    std::vector<Entry> m_entries;
    std::vector<Section> m_sections; // m_sections[0] is the unnamed section
};

} // namespace common
