#include "tests/switcher/directory_marks.h"

#include <windows.h>

namespace testsupport {
namespace {

bool AddAttribute(const std::filesystem::path& directory, DWORD attribute) {
    const std::string name = directory.string();
    const DWORD current = GetFileAttributesA(name.c_str());
    if (current == INVALID_FILE_ATTRIBUTES || SetFileAttributesA(name.c_str(), current | attribute) == 0) {
        return false;
    }
    // Some file systems under Wine cannot keep every attribute; report what stuck.
    const DWORD now = GetFileAttributesA(name.c_str());
    return now != INVALID_FILE_ATTRIBUTES && (now & attribute) != 0;
}

} // namespace

bool MarkReadOnly(const std::filesystem::path& directory) {
    return AddAttribute(directory, FILE_ATTRIBUTE_READONLY);
}

bool MarkHidden(const std::filesystem::path& directory) {
    return AddAttribute(directory, FILE_ATTRIBUTE_HIDDEN);
}

bool MarkArchive(const std::filesystem::path& directory) {
    return AddAttribute(directory, FILE_ATTRIBUTE_ARCHIVE);
}

void ClearMarks(const std::filesystem::path& directory) {
    SetFileAttributesA(directory.string().c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace testsupport
