#pragma once

#include "common/ini_document.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// An ini file that follows the Windows profile-file rules: section and key
// names match without regard to case, an absent key gives the caller's
// default, an empty value gives empty text, values are read up to
// kMaxValueLength characters. The file is parsed once when the object is
// made; reads then come from memory. Writes change the file on disk at once,
// keeping every other byte of it (CRLF included), and replace it atomically
// (temporary file in the same directory, then rename), so a crash never
// leaves half a file. Paths may use backslashes; they are resolved like every
// installation path (see file_system.h).
class IniFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    explicit IniFile(std::string path);

    const std::string& Path() const { return m_path; }

    // GetPrivateProfileStringA with a large enough buffer.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // WritePrivateProfileStringA(section, key, value). Creates the file and the
    // section when needed. Returns false when the file cannot be written; the
    // file on disk then stays as it was.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // WritePrivateProfileStringA(section, key, NULL).
    bool DeleteKey(std::string_view section, std::string_view key);

    // WritePrivateProfileStringA(section, NULL, NULL).
    bool DeleteSection(std::string_view section);

    // Names of the keys of a section, in file order (first occurrence wins).
    std::vector<std::string> KeyNames(std::string_view section) const;

    // The file as last read or written.
    const IniDocument& Document() const { return m_document; }

    // Re-reads the file from disk.
    void Reload();

    // Files larger than this count as unreadable: reads give defaults and
    // writes fail, so a stray huge file never becomes a huge allocation.
    static constexpr std::uint64_t kMaxFileSize = 64u << 20;

private:
    // Re-reads the file, applies an edit and stores the result atomically.
    template <typename Edit> bool Change(Edit edit);

    std::string m_path;
    IniDocument m_document; // the file as last read or written
};

} // namespace common
