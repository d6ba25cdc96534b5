#include "common/ascii_case.h"
#include "common/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace common {
namespace {

// NTFS keeps a directory's names in order of their upper-case form, and
// FindFirstFileA lists them so; "." and ".." come first. Names that differ
// only in case (possible here, not there) follow in byte order, so the order
// never depends on the file system's hashing. Each entry's key is made once,
// not once per comparison.
void SortInWindowsOrder(std::vector<DirEntry>& entries) {
    struct Keyed {
        int rank; // ".", "..", then the rest
        std::string upper;
        DirEntry* entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (DirEntry& e : entries) {
        keyed.push_back(Keyed{e.name == "." ? 0 : e.name == ".." ? 1 : 2, UpperAscii(e.name), &e});
    }
    // std::string compares bytes as unsigned char, as NTFS does.
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        if (const int c = a.upper.compare(b.upper); c != 0)
            return c < 0;
        return a.entry->name < b.entry->name;
    });
    std::vector<DirEntry> sorted;
    sorted.reserve(entries.size());
    for (Keyed& k : keyed)
        sorted.push_back(std::move(*k.entry));
    entries = std::move(sorted);
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The entry of `dir` whose name equals `name` without regard to ASCII case;
// of several, the one that lists first (see ListDirectory), so the choice
// never depends on the file system's hashing.
std::optional<std::string> FindIgnoringCase(const std::string& dir, std::string_view name) {
    DIR* d = opendir(dir.c_str());
    if (!d)
        return std::nullopt;
    std::optional<std::string> found;
    while (dirent* e = readdir(d)) {
        if (common::EqualsIgnoringAsciiCase(e->d_name, name) &&
            (!found || std::string_view(e->d_name) < *found))
            found = e->d_name;
    }
    closedir(d);
    return found;
}

// stat() that falls back to lstat() for a dangling link, so it still lists.
bool StatEntry(int dirFd, const char* name, struct stat& st) {
    return fstatat(dirFd, name, &st, 0) == 0 || fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Non-blocking, so that opening a FIFO without a writer returns at once
// instead of hanging the caller; only regular files are read (a FIFO, a
// device such as /dev/zero or a socket is refused after the open).
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

// Reads the file open on `fd` and closes it. One fstat tells a regular file
// and its size; the bytes then come in one read of that size.
ReadStatus ReadOpenFile(int fd, std::string& out, std::uint64_t maxSize) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return ReadStatus::kUnreadable;
    }
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxSize) {
        close(fd);
        return S_ISDIR(st.st_mode) ? ReadStatus::kNoFile : ReadStatus::kUnreadable;
    }
    // The loop covers short reads and files that grow while being read.
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    out.clear();
    out.resize(size > 0 ? size : 4096);
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) {
            if (size > 0)
                break;
            out.resize(out.size() * 2);
        }
        ssize_t n = read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            out.clear();
            return ReadStatus::kUnreadable;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
        if (used > maxSize) {
            close(fd);
            out.clear();
            return ReadStatus::kUnreadable;
        }
    }
    close(fd);
    out.resize(used);
    return ReadStatus::kRead;
}

// Why an open failed, as FileExists would see it: a file that is there
// (permission denied, say) is unreadable; no entry or a directory is none.
ReadStatus ClassifyFailedOpen(int dirFd, const std::string& path) {
    struct stat st;
    if (fstatat(dirFd, path.c_str(), &st, 0) == 0 && !S_ISDIR(st.st_mode))
        return ReadStatus::kUnreadable;
    return ReadStatus::kNoFile;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string ResolvePath(std::string_view path) {
    std::string p(path);
    for (char& c : p) {
        if (c == '\\')
            c = '/';
    }
    if (p.empty() || Exists(p))
        return p;

    // Walk the components; each one that is missing under its exact name is
    // looked up in its directory without regard to case. Once a component
    // does not exist at all, the rest stays as written (a write may create it).
    std::string out;
    std::size_t pos = 0;
    if (p[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool parentExists = true;
    while (pos <= p.size()) {
        std::size_t slash = p.find('/', pos);
        if (slash == std::string::npos)
            slash = p.size();
        std::string_view comp(p.data() + pos, slash - pos);
        if (parentExists && !comp.empty() && comp != "." && comp != "..") {
            std::string candidate = out;
            candidate += comp;
            if (!Exists(candidate)) {
                if (auto match = FindIgnoringCase(out.empty() ? "." : out, comp)) {
                    candidate = out + *match;
                } else {
                    parentExists = false;
                }
            }
            out = std::move(candidate);
        } else {
            out += comp;
        }
        if (slash < p.size())
            out += '/';
        pos = slash + 1;
    }
    return out;
}

bool FileExists(std::string_view path) {
    struct stat st;
    return stat(ResolvePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
    struct stat st;
    return stat(ResolvePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DirectoryHandle::DirectoryHandle(std::string_view path) : m_path(ResolvePath(path)) {
    // Non-blocking for the same reason as files: opening never waits.
    m_fd = open(m_path.empty() ? "." : m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
}

DirectoryHandle::~DirectoryHandle() {
    if (m_fd >= 0)
        close(m_fd);
}

bool DirectoryHandle::IsOpen() const {
    return m_fd >= 0;
}

std::vector<DirEntry> DirectoryHandle::List(bool directoriesOnly) const {
    std::vector<DirEntry> entries;
    if (m_fd < 0 || lseek(m_fd, 0, SEEK_SET) != 0)
        return entries;
    // The entries come with their types, so an entry known not to be a
    // directory needs no stat when only directories are wanted. Every other
    // entry is stat'ed relative to the directory for Wine's attribute mapping.
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t got = getdents64(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* e = reinterpret_cast<const dirent64*>(buffer + at);
            at += e->d_reclen;
            const bool maybeDirectory = e->d_type == DT_DIR || e->d_type == DT_LNK || e->d_type == DT_UNKNOWN;
            if (directoriesOnly && !maybeDirectory)
                continue;
            DirEntry entry;
            entry.name = e->d_name;
            struct stat st;
            if (StatEntry(m_fd, e->d_name, st)) {
                // Wine's mapping of Unix metadata onto Win32 attributes. The owner's
                // write bit decides read-only, not access(): root may write anything.
                if (S_ISDIR(st.st_mode)) {
                    entry.attributes |= attr::kDirectory;
                } else {
                    entry.attributes |= attr::kArchive;
                }
                if (!(st.st_mode & S_IWUSR))
                    entry.attributes |= attr::kReadOnly;
            }
            if (directoriesOnly && !(entry.attributes & attr::kDirectory))
                continue;
            if (entry.name.size() > 1 && entry.name[0] == '.' && entry.name != "..") {
                entry.attributes |= attr::kHidden;
            }
            entries.push_back(std::move(entry));
        }
    }
    SortInWindowsOrder(entries);
    return entries;
}

ReadStatus DirectoryHandle::Read(std::string_view relativePath, std::string& out,
                                 std::uint64_t maxSize) const {
    if (m_fd < 0)
        return ReadStatus::kNoFile;
    std::string native(relativePath);
    for (char& c : native) {
        if (c == '\\')
            c = '/';
    }
    // Most names are exact: one open relative to the directory. Only a name
    // that is not there as written costs the case-insensitive search.
    int fd = openat(m_fd, native.c_str(), kReadFlags);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        const std::string written = JoinPath(m_path, native);
        const std::string resolved = ResolvePath(written);
        if (resolved == written)
            return ReadStatus::kNoFile;
        fd = open(resolved.c_str(), kReadFlags);
        if (fd < 0)
            return ClassifyFailedOpen(AT_FDCWD, resolved);
        return ReadOpenFile(fd, out, maxSize);
    }
    if (fd < 0)
        return ClassifyFailedOpen(m_fd, native);
    return ReadOpenFile(fd, out, maxSize);
}

std::vector<DirEntry> ListDirectory(std::string_view directory) {
    return DirectoryHandle(directory).List();
}

bool ReadWholeFile(std::string_view path, std::string& out, std::uint64_t maxSize) {
    // Try the name as written first: the case-insensitive search costs a
    // directory scan, and most paths are exact.
    std::string native(path);
    for (char& c : native) {
        if (c == '\\')
            c = '/';
    }
    int fd = open(native.c_str(), kReadFlags);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        std::string resolved = ResolvePath(native);
        if (resolved != native)
            fd = open(resolved.c_str(), kReadFlags);
    }
    if (fd < 0)
        return false;
    return ReadOpenFile(fd, out, maxSize) == ReadStatus::kRead;
}

bool WriteFileAtomically(std::string_view path, std::string_view bytes) {
    std::string target = ResolvePath(path);
    if (target.empty())
        return false;

    mode_t mode = 0666; // the umask applies to new files
    bool keepMode = false;
    struct stat st;
    if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link.
        char real[PATH_MAX];
        if (realpath(target.c_str(), real))
            target = real;
    }
    if (stat(target.c_str(), &st) == 0) {
        // Only a regular file is replaced: renaming over a directory fails,
        // and over a FIFO or a device (reached through a link, say) it would
        // put a file in the place of a system's node.
        if (!S_ISREG(st.st_mode))
            return false;
        // A file its owner cannot write is read-only, as on Windows.
        if (!(st.st_mode & S_IWUSR))
            return false;
        mode = st.st_mode & 07777;
        keepMode = true;
    }

    static std::atomic<unsigned> counter{0};
    std::string dir = DirectoryOf(target);
    std::string prefix = dir + "/." + BaseNameOf(target) + ".";
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = prefix + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = WriteAll(fd, bytes) && (!keepMode || fchmod(fd, mode) == 0) && fdatasync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok)
        ok = rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // The directory is not flushed: the data is on disk before the rename, so
    // after a crash or power loss the target holds either its old or its new
    // complete content; only the very last write may be lost. Flushing the
    // directory as well doubled the cost of every settings write.
    return true;
}

bool CopyFileAtomically(std::string_view source, std::string_view target) {
    std::string bytes;
    return ReadWholeFile(source, bytes) && WriteFileAtomically(target, bytes);
}

std::string CurrentDirectory() {
    std::string buf(PATH_MAX, '\0');
    for (;;) {
        if (getcwd(buf.data(), buf.size())) {
            buf.resize(std::char_traits<char>::length(buf.c_str()));
            return buf;
        }
        if (errno != ERANGE)
            return {};
        buf.resize(buf.size() * 2);
    }
}

bool ChangeCurrentDirectory(std::string_view path) {
    return chdir(ResolvePath(path).c_str()) == 0;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && out.back() != '/' && out.back() != '\\')
        out += '/';
    out += name;
    return out;
}

} // namespace common
