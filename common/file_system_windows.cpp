#include "common/file_system.h"

#include <windows.h>

namespace common {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

std::string DirectoryOf(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) {
            // Keep the separator of a root ("C:\"), drop it otherwise.
            std::size_t len = (i == 1 || (i == 3 && path[1] == ':')) ? i : i - 1;
            return std::string(path.substr(0, len));
        }
    }
    if (path.size() >= 2 && path[1] == ':')
        return std::string(path.substr(0, 2));
    return ".";
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0)
            return false;
        p += written;
        left -= written;
    }
    return true;
}

// Reads a whole file on disk. A failed open is told apart as FileExists
// would: CreateFileA also fails on a directory, which is no file.
ReadStatus ReadFileAt(const std::string& path, std::string& out, std::uint64_t maxSize) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FileExists(path) ? ReadStatus::kUnreadable : ReadStatus::kNoFile;
    // Files on disk only: a pipe or a device (CON, NUL, COM1) may block or
    // never end.
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > maxSize) {
        CloseHandle(file);
        return ReadStatus::kUnreadable;
    }
    out.clear();
    out.resize(static_cast<std::size_t>(size.QuadPart) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == out.size())
            out.resize(out.size() * 2);
        std::size_t room = out.size() - used;
        DWORD chunk = room > 0x40000000 ? 0x40000000 : static_cast<DWORD>(room);
        DWORD got = 0;
        if (!::ReadFile(file, out.data() + used, chunk, &got, nullptr)) {
            CloseHandle(file);
            out.clear();
            return ReadStatus::kUnreadable;
        }
        if (got == 0)
            break;
        used += got;
        if (used > maxSize) { // the file grew while being read
            CloseHandle(file);
            out.clear();
            return ReadStatus::kUnreadable;
        }
    }
    CloseHandle(file);
    out.resize(used);
    return ReadStatus::kRead;
}

} // namespace

std::string ResolvePath(std::string_view path) {
    return std::string(path);
}

bool FileExists(std::string_view path) {
    DWORD a = GetFileAttributesA(std::string(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view path) {
    DWORD a = GetFileAttributesA(std::string(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<DirEntry> ListDirectory(std::string_view directory) {
    std::vector<DirEntry> entries;
    std::string pattern = JoinPath(directory.empty() ? "." : directory, "*");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return entries;
    do {
        entries.push_back(DirEntry{data.cFileName, static_cast<std::uint32_t>(data.dwFileAttributes)});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return entries;
}

bool ReadWholeFile(std::string_view path, std::string& out, std::uint64_t maxSize) {
    return ReadFileAt(std::string(path), out, maxSize) == ReadStatus::kRead;
}

// FindFirstFileA already gives every entry's attributes, and a path costs
// nothing to keep, so the handle keeps the path.
DirectoryHandle::DirectoryHandle(std::string_view path) : m_path(path) {
    m_fd = DirectoryExists(m_path) ? 0 : -1;
}

DirectoryHandle::~DirectoryHandle() = default;

bool DirectoryHandle::IsOpen() const {
    return m_fd >= 0;
}

std::vector<DirEntry> DirectoryHandle::List(bool directoriesOnly) const {
    std::vector<DirEntry> entries = ListDirectory(m_path);
    if (directoriesOnly) {
        std::erase_if(entries, [](const DirEntry& e) { return !(e.attributes & attr::kDirectory); });
    }
    return entries;
}

ReadStatus DirectoryHandle::Read(std::string_view relativePath, std::string& out,
                                 std::uint64_t maxSize) const {
    return ReadFileAt(JoinPath(m_path, relativePath), out, maxSize);
}

bool WriteFileAtomically(std::string_view path, std::string_view bytes) {
    std::string target(path);
    DWORD existing = GetFileAttributesA(target.c_str());
    // Windows refuses to overwrite a read-only file (CopyFileA and the profile
    // functions fail with access denied); a rename would not, so the check is
    // made here.
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;

    // GetTempFileNameA makes a unique empty file in the target's directory,
    // so the final MoveFileExA is a rename on one volume.
    char temp[MAX_PATH + 16];
    if (!GetTempFileNameA(DirectoryOf(target).c_str(), "zdl", 0, temp))
        return false;

    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(temp);
        return false;
    }
    bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok) {
        ok = MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!ok) {
        DeleteFileA(temp);
        return false;
    }
    return true;
}

bool CopyFileAtomically(std::string_view source, std::string_view target) {
    std::string bytes;
    return ReadWholeFile(source, bytes) && WriteFileAtomically(target, bytes);
}

std::string CurrentDirectory() {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return {};
    std::string buf(needed, '\0');
    DWORD len = GetCurrentDirectoryA(needed, buf.data());
    if (len == 0 || len >= needed)
        return {};
    buf.resize(len);
    return buf;
}

bool ChangeCurrentDirectory(std::string_view path) {
    return SetCurrentDirectoryA(std::string(path).c_str()) != 0;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && !IsSeparator(out.back()))
        out += '\\';
    out += name;
    return out;
}

} // namespace common
