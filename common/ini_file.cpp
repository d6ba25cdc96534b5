#include "common/ini_file.h"

#include "common/file_system.h"

namespace common {
namespace {

// The directory part of an installation path ("" for a bare name).
std::string_view DirectoryPart(std::string_view path) {
    auto sep = path.find_last_of("/\\");
    return sep == std::string_view::npos ? std::string_view() : path.substr(0, sep + 1);
}

} // namespace

IniFile::IniFile(std::string path) : m_path(std::move(path)) {
    Reload();
}

void IniFile::Reload() {
    std::string bytes;
    if (!ReadWholeFile(m_path, bytes, kMaxFileSize))
        bytes.clear();
    m_document.Parse(std::move(bytes));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    return m_document.Read(section, key, defaultValue);
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
    return m_document.KeyNames(section);
}

template <typename Edit> bool IniFile::Change(Edit edit) {
    // Another program (or another IniFile) may have changed the file since it
    // was read: always edit what is on disk now.
    std::string bytes;
    bool exists = ReadWholeFile(m_path, bytes, kMaxFileSize);
    if (!exists) {
        // Present but unreadable (a directory, no permission, too large):
        // never replace it with something built from nothing.
        if (FileExists(m_path) || DirectoryExists(m_path))
            return false;
        bytes.clear();
    }
    m_document.Parse(std::move(bytes));
    if (m_document.IsUtf16())
        return false;

    std::optional<std::string> changed = edit(m_document);
    if (!changed) {
        // Nothing to change. Deleting from a missing file succeeds only where
        // the file could have been made.
        if (exists)
            return true;
        std::string_view dir = DirectoryPart(m_path);
        return dir.empty() || DirectoryExists(dir);
    }
    if (!WriteFileAtomically(m_path, *changed))
        return false;
    m_document.Parse(std::move(*changed));
    return true;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    return Change([&](const IniDocument& d) { return d.Write(section, key, value); });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
    return Change([&](const IniDocument& d) { return d.DeleteKey(section, key); });
}

bool IniFile::DeleteSection(std::string_view section) {
    return Change([&](const IniDocument& d) { return d.DeleteSection(section); });
}

} // namespace common
