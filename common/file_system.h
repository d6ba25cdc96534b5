#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// File-system services with Windows semantics on every platform. Paths are
// installation paths: 8-bit text that may use backslashes. On Linux they are
// resolved with '/', and a component that does not exist under its exact name
// is matched without regard to case, as Wine does.
namespace common {

// Win32 file attribute bits, as FindFirstFileA reports them.
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
} // namespace attr

struct DirEntry {
    std::string name;
    std::uint32_t attributes = 0;
};

// The native path for an installation path (on Windows: unchanged).
std::string ResolvePath(std::string_view path);

bool FileExists(std::string_view path);      // an existing file, not a directory
bool DirectoryExists(std::string_view path); // an existing directory

// All entries of a directory, "." and ".." included, in the order Windows
// lists them on NTFS: "." and "..", then by name without regard to case.
// Attributes on Windows are the real ones; on Linux they follow
// Wine's mapping: a name that starts with a dot is hidden, an entry its owner
// cannot write is read-only, a regular file carries the archive bit.
// An absent or unreadable directory gives an empty list.
std::vector<DirEntry> ListDirectory(std::string_view directory);

// Reads a whole regular file; false when it cannot be read, is larger than
// maxSize bytes (so a stray huge file never becomes a huge allocation) or is
// not a regular file (a FIFO would block, a device may never end).
bool ReadWholeFile(std::string_view path, std::string& out, std::uint64_t maxSize = UINT64_MAX);

// What reading a whole file found.
enum class ReadStatus {
    kRead,       // the bytes were read
    kNoFile,     // nothing there, or a directory (as FileExists sees it)
    kUnreadable, // a file that cannot be read: no permission, too large, not
                 // a regular file, an I/O error
};

// A directory held open while it is scanned: it is listed once and the files
// below it are opened relative to it, so that the path to it is not walked
// again for every file. On Linux names below it are matched without regard
// to case when the exact name is missing, as everywhere.
class DirectoryHandle {
public:
    explicit DirectoryHandle(std::string_view path);
    ~DirectoryHandle();
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    bool IsOpen() const;

    // As ListDirectory. With `directoriesOnly` only the entries that are
    // directories are listed (a link counts as what it points to), and the
    // others cost nothing to skip.
    std::vector<DirEntry> List(bool directoriesOnly = false) const;

    // As ReadWholeFile for `relativePath` below the directory, telling a
    // missing file from one that cannot be read.
    ReadStatus Read(std::string_view relativePath, std::string& out,
                    std::uint64_t maxSize = UINT64_MAX) const;

private:
    std::string m_path; // as given (Windows) or resolved (Linux)
    int m_fd = -1;      // the open directory (Linux)
};

// Replaces `path` with `bytes` atomically: a temporary file in the same
// directory is written, flushed and renamed over the target. On failure the
// target is unchanged and false is returned.
bool WriteFileAtomically(std::string_view path, std::string_view bytes);

// Whole-file copy with overwrite (CopyFileA semantics), made atomic the same
// way. False when the source cannot be read or the target cannot be written.
bool CopyFileAtomically(std::string_view source, std::string_view target);

std::string CurrentDirectory();
// (Not called SetCurrentDirectory: windows.h defines that name as a macro.)
bool ChangeCurrentDirectory(std::string_view path);

// Joins with the platform separator when `dir` does not already end in one.
std::string JoinPath(std::string_view dir, std::string_view name);

} // namespace common
