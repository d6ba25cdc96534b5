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

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

// NTFS keeps a directory's names in order of their upper-case form, and
// FindFirstFileA lists them so; "." and ".." come first. Names that differ
// only in case (possible here, not there) follow in byte order, so the order
// never depends on the file system's hashing.
bool ListsBefore(const DirEntry& a, const DirEntry& b) {
    auto rank = [](const std::string& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
    if (rank(a.name) != rank(b.name))
        return rank(a.name) < rank(b.name);
    auto upper = [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
    };
    const auto mismatch = std::mismatch(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [&](char x, char y) { return upper(x) == upper(y); });
    if (mismatch.first == a.name.end() || mismatch.second == b.name.end()) {
        if (a.name.size() != b.name.size())
            return a.name.size() < b.name.size();
        return a.name < b.name;
    }
    return upper(*mismatch.first) < upper(*mismatch.second);
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
        if (EqualsIgnoreCase(e->d_name, name) && (!found || std::string_view(e->d_name) < *found))
            found = e->d_name;
    }
    closedir(d);
    return found;
}

// stat() that falls back to lstat() for a dangling link, so it still lists.
bool StatEntry(int dirFd, const char* name, struct stat& st) {
    return fstatat(dirFd, name, &st, 0) == 0 || fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
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

std::vector<DirEntry> ListDirectory(std::string_view directory) {
    std::vector<DirEntry> entries;
    std::string dir = ResolvePath(directory);
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return entries;
    int fd = dirfd(d);
    while (dirent* e = readdir(d)) {
        DirEntry entry;
        entry.name = e->d_name;
        struct stat st;
        if (StatEntry(fd, e->d_name, st)) {
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
        if (entry.name.size() > 1 && entry.name[0] == '.' && entry.name != "..") {
            entry.attributes |= attr::kHidden;
        }
        entries.push_back(std::move(entry));
    }
    closedir(d);
    std::sort(entries.begin(), entries.end(), ListsBefore);
    return entries;
}

bool ReadWholeFile(std::string_view path, std::string& out, std::uint64_t maxSize) {
    // Try the name as written first: the case-insensitive search costs a
    // directory scan, and most paths are exact.
    std::string native(path);
    for (char& c : native) {
        if (c == '\\')
            c = '/';
    }
    // Non-blocking, so that opening a FIFO without a writer returns at once
    // instead of hanging the caller; only regular files are read (a FIFO,
    // a device such as /dev/zero or a socket is refused after the open).
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = open(native.c_str(), kFlags);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        std::string resolved = ResolvePath(native);
        if (resolved != native)
            fd = open(resolved.c_str(), kFlags);
    }
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxSize) {
        close(fd);
        return false;
    }
    // A regular file is read in one call of its size; the loop covers short
    // reads and files whose size stat does not know (/proc).
    const bool sized = S_ISREG(st.st_mode) && st.st_size > 0;
    out.clear();
    out.resize(sized ? static_cast<std::size_t>(st.st_size) : 4096);
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) {
            if (sized)
                break;
            out.resize(out.size() * 2);
        }
        ssize_t n = read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
        if (used > maxSize) {
            close(fd);
            out.clear();
            return false;
        }
    }
    close(fd);
    out.resize(used);
    return true;
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
