#pragma once

#include <filesystem>

namespace testsupport {

// Gives a directory the Windows attribute in question, the way each platform
// expresses it. Each returns false when the platform has no such mark.
bool MarkReadOnly(const std::filesystem::path& directory);
// On Linux a directory is hidden by its name (a leading dot), so this only
// checks the name.
bool MarkHidden(const std::filesystem::path& directory);
bool MarkArchive(const std::filesystem::path& directory);

// Removes the marks again so the directory can be deleted.
void ClearMarks(const std::filesystem::path& directory);

} // namespace testsupport
