#include "tests/switcher/directory_marks.h"

#include <sys/stat.h>

namespace testsupport {

bool MarkReadOnly(const std::filesystem::path& directory) {
    return chmod(directory.c_str(), 0555) == 0;
}

bool MarkHidden(const std::filesystem::path& directory) {
    return directory.filename().string().starts_with(".");
}

bool MarkArchive(const std::filesystem::path&) {
    return false;
}

void ClearMarks(const std::filesystem::path& directory) {
    chmod(directory.c_str(), 0755);
}

} // namespace testsupport
