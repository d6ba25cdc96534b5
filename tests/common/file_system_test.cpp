#include "common/file_system.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

const common::DirEntry* Find(const std::vector<common::DirEntry>& entries, std::string_view name) {
    auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
    return it == entries.end() ? nullptr : &*it;
}

// Names in `dir` that are neither "." nor "..".
std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : common::ListDirectory(dir)) {
        if (e.name != "." && e.name != "..")
            names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileSystem, ListsDirectoriesWithAttributes) {
    TempDir dir;
    WriteBytes(dir / "File.txt", "x");
    std::filesystem::create_directory(dir.path() / "Sub");

    auto entries = common::ListDirectory(dir.str());
    ASSERT_EQ(entries.size(), 4u);
    ASSERT_TRUE(Find(entries, ".") && Find(entries, ".."));
    ASSERT_TRUE(Find(entries, "File.txt") && Find(entries, "Sub"));
    EXPECT_EQ(Find(entries, "Sub")->attributes, common::attr::kDirectory);
    EXPECT_EQ(Find(entries, "File.txt")->attributes, common::attr::kArchive);
    EXPECT_TRUE(Find(entries, ".")->attributes & common::attr::kDirectory);

    EXPECT_TRUE(common::ListDirectory(dir / "missing").empty());
    EXPECT_TRUE(common::ListDirectory(dir / "File.txt").empty());

    EXPECT_TRUE(common::FileExists(dir / "File.txt"));
    EXPECT_FALSE(common::FileExists(dir / "Sub"));
    EXPECT_TRUE(common::DirectoryExists(dir / "Sub"));
    EXPECT_FALSE(common::DirectoryExists(dir / "File.txt"));
    EXPECT_FALSE(common::FileExists(dir / "missing"));
}

TEST(FileSystem, FindsNamesWithoutRegardToCase) {
    TempDir dir;
    WriteBytes(dir.path() / "Data" / "Maps" / "Level.INI", "old");
    const std::string mixed = dir.str() + "data\\MAPS\\level.ini";
    EXPECT_TRUE(common::FileExists(mixed));
    EXPECT_TRUE(common::DirectoryExists(dir.str() + "DATA\\maps"));
    std::string bytes;
    ASSERT_TRUE(common::ReadWholeFile(mixed, bytes));
    EXPECT_EQ(bytes, "old");

    // A write through another spelling replaces the file that is there.
    ASSERT_TRUE(common::WriteFileAtomically(mixed, "new"));
    EXPECT_EQ(Names((dir.path() / "Data" / "Maps").string()).size(), 1u);
    ASSERT_TRUE(common::ReadWholeFile(dir / "Data/Maps/Level.INI", bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(common::ListDirectory(dir.str() + "data\\maps").size(), 3u);

    // A missing name is created in the directory that matched.
    ASSERT_TRUE(common::WriteFileAtomically(dir.str() + "DATA\\Fresh.ini", "f"));
    EXPECT_EQ(Names((dir.path() / "Data").string()), (std::vector<std::string>{"Fresh.ini", "Maps"}));
}

TEST(FileSystem, ReplacesFilesAtomically) {
    TempDir dir;
    const std::string path = dir / "a.bin";
    const std::string binary("one\0\r\n\xFF", 7);
    ASSERT_TRUE(common::WriteFileAtomically(path, binary));
    EXPECT_EQ(ReadBytes(path), binary);
    ASSERT_TRUE(common::WriteFileAtomically(path, "two"));
    EXPECT_EQ(ReadBytes(path), "two");
    ASSERT_TRUE(common::WriteFileAtomically(path, ""));
    EXPECT_EQ(ReadBytes(path), "");

    // Failures leave the target and no temporary file behind.
    std::filesystem::create_directory(dir.path() / "target");
    EXPECT_FALSE(common::WriteFileAtomically(dir / "target", "x"));
    EXPECT_TRUE(common::DirectoryExists(dir / "target"));
    EXPECT_FALSE(common::WriteFileAtomically(dir / "missing/a.bin", "x"));
    EXPECT_EQ(Names(dir.str()), (std::vector<std::string>{"a.bin", "target"}));

    std::string bytes = "untouched";
    EXPECT_FALSE(common::ReadWholeFile(dir / "missing.bin", bytes));
    EXPECT_FALSE(common::ReadWholeFile(dir / "target", bytes));
    ASSERT_TRUE(common::WriteFileAtomically(path, "0123456789"));
    EXPECT_FALSE(common::ReadWholeFile(path, bytes, 9));
    ASSERT_TRUE(common::ReadWholeFile(path, bytes, 10));
    EXPECT_EQ(bytes, "0123456789");

    ASSERT_TRUE(common::CopyFileAtomically(path, dir / "copy.bin"));
    EXPECT_EQ(ReadBytes(dir / "copy.bin"), "0123456789");
    EXPECT_FALSE(common::CopyFileAtomically(dir / "missing.bin", dir / "copy.bin"));
    EXPECT_EQ(ReadBytes(dir / "copy.bin"), "0123456789");
}

// A scan holds the directory open: it lists it (again and again) and reads
// the files below it, telling a missing file from one it cannot read.
TEST(FileSystem, DirectoryHandleListsAndReadsBelowItself) {
    TempDir dir;
    WriteBytes(dir / "Mods/one/desc.ini", "[mod]\r\nAcronym=one\r\n");
    WriteBytes(dir / "Mods/readme.txt", "not a mod");
    std::filesystem::create_directories(dir.path() / "Mods" / "two" / "desc.ini");
    std::filesystem::create_directories(dir.path() / "Mods" / "empty");

    const common::DirectoryHandle mods(dir / "Mods");
    ASSERT_TRUE(mods.IsOpen());
    const std::vector<common::DirEntry> all = mods.List();
    EXPECT_EQ(all.size(), 6u);
    std::vector<std::string> directories;
    for (const auto& e : mods.List(/*directoriesOnly=*/true)) {
        EXPECT_TRUE(e.attributes & common::attr::kDirectory) << e.name;
        directories.push_back(e.name);
    }
    std::sort(directories.begin(), directories.end());
    EXPECT_EQ(directories, (std::vector<std::string>{".", "..", "empty", "one", "two"}));
    // A second listing starts from the beginning again.
    EXPECT_EQ(mods.List().size(), all.size());

    std::string bytes = "left over";
    EXPECT_EQ(mods.Read(common::JoinPath("one", "desc.ini"), bytes), common::ReadStatus::kRead);
    EXPECT_EQ(bytes, "[mod]\r\nAcronym=one\r\n");
    EXPECT_EQ(mods.Read("one\\desc.ini", bytes, 10), common::ReadStatus::kUnreadable)
        << "larger than the cap";
    EXPECT_EQ(mods.Read(common::JoinPath("empty", "desc.ini"), bytes), common::ReadStatus::kNoFile);
    EXPECT_EQ(mods.Read(common::JoinPath("missing", "desc.ini"), bytes), common::ReadStatus::kNoFile);
    EXPECT_EQ(mods.Read(common::JoinPath("readme.txt", "desc.ini"), bytes), common::ReadStatus::kNoFile);
    // A directory under the file's name is no file, as FileExists sees it.
    EXPECT_EQ(mods.Read(common::JoinPath("two", "desc.ini"), bytes), common::ReadStatus::kNoFile);
    EXPECT_EQ(mods.Read("readme.txt", bytes), common::ReadStatus::kRead);
    EXPECT_EQ(bytes, "not a mod");

    const common::DirectoryHandle missing(dir / "Missing");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_TRUE(missing.List().empty());
    EXPECT_EQ(missing.Read("readme.txt", bytes), common::ReadStatus::kNoFile);
    EXPECT_FALSE(common::DirectoryHandle(dir / "Mods/readme.txt").IsOpen());
}

TEST(FileSystem, ChangesAndJoinsDirectories) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "Sub");
    const std::string before = common::CurrentDirectory();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(common::ChangeCurrentDirectory(dir / "sub"));
    std::ofstream("here.txt") << "x";
    EXPECT_TRUE(common::FileExists(dir / "Sub/here.txt"));
    EXPECT_FALSE(common::ChangeCurrentDirectory(dir / "missing"));
    ASSERT_TRUE(common::ChangeCurrentDirectory(before));
    EXPECT_EQ(common::CurrentDirectory(), before);

    EXPECT_EQ(common::JoinPath("a\\", "b"), "a\\b");
    EXPECT_EQ(common::JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(common::JoinPath("", "b"), "b");
    const std::string joined = common::JoinPath("a", "b");
    EXPECT_TRUE(joined == "a/b" || joined == "a\\b") << joined;
}

} // namespace
