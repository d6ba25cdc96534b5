// Linux rules that have no Windows counterpart to test: how paths are
// resolved on a case-sensitive file system and how Unix metadata becomes
// Win32 attributes.
#include "common/file_system.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

TEST(FileSystemLinux, ResolvesComponentsLikeWine) {
    TempDir dir;
    const std::string root = dir.path().string();
    WriteBytes(dir.path() / "Data" / "Maps" / "Level.INI", "x");
    EXPECT_EQ(common::ResolvePath(root + "\\data\\MAPS\\level.ini"), root + "/Data/Maps/Level.INI");
    EXPECT_EQ(common::ResolvePath(root + "\\Data\\maps\\"), root + "/Data/Maps/");
    // Missing components stay as written, after the part that exists.
    EXPECT_EQ(common::ResolvePath(root + "\\DATA\\maps\\New\\File.txt"), root + "/Data/Maps/New/File.txt");
    EXPECT_EQ(common::ResolvePath(root + "/Data/MAPS/new.ini"), root + "/Data/Maps/new.ini");
    // An exact name wins over one that only matches without case.
    std::filesystem::create_directory(dir.path() / "data");
    std::filesystem::create_directory(dir.path() / "data" / "maps");
    EXPECT_EQ(common::ResolvePath(root + "\\data\\Maps"), root + "/data/maps");
    EXPECT_EQ(common::ResolvePath(root + "\\Data\\Maps"), root + "/Data/Maps");
    EXPECT_EQ(common::ResolvePath("relative\\Name"), "relative/Name");
    EXPECT_EQ(common::ResolvePath(""), "");
}

TEST(FileSystemLinux, MapsMetadataToAttributes) {
    TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directory(dir.path() / ".hidden");
    fs::create_directory(dir.path() / "locked");
    WriteBytes(dir.path() / ".dotfile", "");
    WriteBytes(dir.path() / "ro.txt", "");
    chmod((dir / "locked").c_str(), 0555);
    chmod((dir / "ro.txt").c_str(), 0444);

    std::map<std::string, std::uint32_t> attrs;
    for (const auto& e : common::ListDirectory(dir.str()))
        attrs[e.name] = e.attributes;
    using namespace common::attr;
    EXPECT_EQ(attrs[".hidden"], kDirectory | kHidden);
    EXPECT_EQ(attrs[".dotfile"], kArchive | kHidden);
    // The owner's write bit decides, so this holds for root too.
    EXPECT_EQ(attrs["locked"], kDirectory | kReadOnly);
    EXPECT_EQ(attrs["ro.txt"], kArchive | kReadOnly);
    EXPECT_EQ(attrs["."] & kHidden, 0u);
    EXPECT_EQ(attrs[".."] & kHidden, 0u);
    chmod((dir / "locked").c_str(), 0755);
}

// Listing only directories skips the entries whose type says they are
// none, and stats the others: a link counts as what it points to, and the
// attributes are the same as in the full listing.
TEST(FileSystemLinux, DirectoryHandleKeepsLinksAndAttributes) {
    TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() / "Real" / "Sub");
    fs::create_directory(dir.path() / "locked");
    fs::create_directory(dir.path() / ".hidden");
    WriteBytes(dir.path() / "Real" / "Desc.INI", "[mod]\r\nAcronym=real\r\n");
    WriteBytes(dir.path() / "file.txt", "x");
    ASSERT_EQ(symlink((dir / "Real").c_str(), (dir / "linked").c_str()), 0);
    ASSERT_EQ(symlink((dir / "file.txt").c_str(), (dir / "filelink").c_str()), 0);
    ASSERT_EQ(symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
    chmod((dir / "locked").c_str(), 0555);

    const common::DirectoryHandle handle(dir.str());
    std::map<std::string, std::uint32_t> full;
    for (const auto& e : handle.List())
        full[e.name] = e.attributes;
    std::map<std::string, std::uint32_t> directories;
    for (const auto& e : handle.List(/*directoriesOnly=*/true))
        directories[e.name] = e.attributes;
    chmod((dir / "locked").c_str(), 0755);

    using namespace common::attr;
    EXPECT_EQ(full.size(), 9u);
    EXPECT_EQ(full["dangling"], kArchive) << "a dangling link still lists";
    EXPECT_EQ(full["filelink"], kArchive);
    EXPECT_EQ(directories.size(), 6u);
    for (const char* name : {".", "..", "Real", "linked", "locked", ".hidden"}) {
        ASSERT_EQ(directories.count(name), 1u) << name;
        EXPECT_EQ(directories[name], full[name]) << name;
    }
    EXPECT_EQ(directories["linked"], kDirectory);
    EXPECT_EQ(directories["locked"], kDirectory | kReadOnly);
    EXPECT_EQ(directories[".hidden"], kDirectory | kHidden);

    // Reads go through links and find names that differ only in case.
    std::string bytes;
    EXPECT_EQ(handle.Read("linked/Desc.INI", bytes), common::ReadStatus::kRead);
    EXPECT_EQ(bytes, "[mod]\r\nAcronym=real\r\n");
    bytes.clear();
    EXPECT_EQ(handle.Read("LINKED\\desc.ini", bytes), common::ReadStatus::kRead);
    EXPECT_EQ(bytes, "[mod]\r\nAcronym=real\r\n");
    EXPECT_EQ(handle.Read("dangling", bytes), common::ReadStatus::kNoFile);
    EXPECT_EQ(handle.Read("real/sub", bytes), common::ReadStatus::kNoFile);
}

TEST(FileSystemLinux, AtomicWriteKeepsModeAndRespectsPermissions) {
    TempDir dir;
    const std::string path = dir / "settings.ini";
    WriteBytes(path, "old");
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(common::WriteFileAtomically(path, "new"));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A read-only file is not replaced, as on Windows.
    chmod(path.c_str(), 0444);
    EXPECT_FALSE(common::WriteFileAtomically(path, "newer"));
    EXPECT_EQ(ReadBytes(path), "new");
    chmod(path.c_str(), 0644);

    // Writing through a link replaces the file it points to.
    ASSERT_EQ(symlink(path.c_str(), (dir / "link.ini").c_str()), 0);
    ASSERT_TRUE(common::WriteFileAtomically(dir / "link.ini", "via link"));
    EXPECT_EQ(ReadBytes(path), "via link");
    ASSERT_EQ(lstat((dir / "link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // A directory the writer may not write to keeps the old file whole. Root
    // ignores directory permissions, so root checks this as user "nobody".
    chmod(dir.path().c_str(), 0755);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(2);
        if (geteuid() != 0)
            chmod(dir.path().c_str(), 0555);
        _exit(common::WriteFileAtomically(path, "lost") ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(dir.path().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), "via link");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// The mode list and the first mod that Fix config installs follow this
// order, so it must be Windows' (NTFS: by upper-case name), not the order in
// which the file system happens to keep names.
TEST(FileSystemLinux, ListsNamesInWindowsOrder) {
    TempDir dir;
    namespace fs = std::filesystem;
    for (const char* name :
         {"b", "_x", "A", "a1", "C", "zeta", "Alpha", "alpha", "!first", "~last", "B2", "\xc3\xa9"})
        fs::create_directory(dir.path() / name);
    std::vector<std::string> names;
    for (const auto& e : common::ListDirectory(dir.str()))
        names.push_back(e.name);
    // '_' (0x5F) sorts after the letters once they are upper case; names
    // equal without case follow in byte order.
    const std::vector<std::string> expected{".", "..", "!first", "A",    "a1", "Alpha", "alpha",
                                            "b", "B2", "C",      "zeta", "_x", "~last", "\xc3\xa9"};
    EXPECT_EQ(names, expected);

    // A handle lists the same order, with or without the files.
    WriteBytes(dir.path() / "b.txt", "");
    std::vector<std::string> handleNames;
    for (const auto& e : common::DirectoryHandle(dir.str()).List(/*directoriesOnly=*/true))
        handleNames.push_back(e.name);
    EXPECT_EQ(handleNames, expected);

    // Of two names that both match without case, the same one is always chosen.
    WriteBytes(dir.path() / "Alpha" / "Mod.ini", "x");
    WriteBytes(dir.path() / "alpha" / "Mod.ini", "y");
    EXPECT_EQ(common::ResolvePath(dir / "ALPHA/mod.ini"), dir / "Alpha/Mod.ini");
}

} // namespace
