// Files that are not what a reader expects: a FIFO (opening it for reading
// blocks until a writer comes), a link to an endless device, a socket. The
// readers refuse them at once, and the settings file built on them keeps
// giving defaults without losing anything.
#include "common/file_system.h"
#include "common/ini_file.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using testsupport::TempDir;

using testsupport::FinishesWithoutWriter;

TEST(HostileFiles, ReadersRefuseWhatIsNotARegularFile) {
    TempDir dir;
    const std::string fifo = dir / "settings.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string zero = dir / "zero.ini";
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);

    std::string bytes = "left over";
    EXPECT_TRUE(FinishesWithoutWriter(fifo, [&] { return common::ReadWholeFile(fifo, bytes); }));
    EXPECT_FALSE(common::ReadWholeFile(fifo, bytes));
    // Without a cap an endless device would be read until memory runs out.
    EXPECT_FALSE(common::ReadWholeFile(zero, bytes));
    EXPECT_FALSE(common::ReadWholeFile(dir.str(), bytes));

    const std::string socketPath = dir / "socket.ini";
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_FALSE(common::ReadWholeFile(socketPath, bytes));
    close(listener);

    // Read below an open directory: refused the same way, and told apart
    // from a missing file.
    const common::DirectoryHandle handle(dir.str());
    EXPECT_TRUE(FinishesWithoutWriter(fifo, [&] { return handle.Read("settings.ini", bytes); }));
    EXPECT_EQ(handle.Read("settings.ini", bytes), common::ReadStatus::kUnreadable);
    EXPECT_EQ(handle.Read("zero.ini", bytes), common::ReadStatus::kUnreadable);
    EXPECT_EQ(handle.Read("socket.ini", bytes), common::ReadStatus::kUnreadable);
    EXPECT_EQ(handle.Read("SETTINGS.INI", bytes), common::ReadStatus::kUnreadable);
    EXPECT_EQ(handle.Read("absent.ini", bytes), common::ReadStatus::kNoFile);

    // A regular file behind a link still reads.
    testsupport::WriteBytes(dir / "real.ini", "[a]\r\nk=v\r\n");
    ASSERT_EQ(symlink((dir / "real.ini").c_str(), (dir / "link.ini").c_str()), 0);
    ASSERT_TRUE(common::ReadWholeFile(dir / "link.ini", bytes));
    EXPECT_EQ(bytes, "[a]\r\nk=v\r\n");
}

TEST(HostileFiles, SettingsOnAFifoOrADeviceGiveDefaultsAndKeepTheFile) {
    TempDir dir;
    const std::string fifo = dir / "switcher.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string zero = dir / "zero.ini";
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);

    for (const std::string& path : {fifo, zero}) {
        SCOPED_TRACE(path);
        std::string value;
        EXPECT_TRUE(FinishesWithoutWriter(fifo, [&] {
            common::IniFile file(path);
            value = file.ReadString("Options", "ViewNews", "1");
            // Writing would replace what is there with a file built from
            // nothing: refused.
            return file.WriteString("Options", "ViewNews", "0");
        }));
        EXPECT_EQ(value, "1");
    }
    struct stat st;
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(lstat(zero.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// A write through a link replaces the file it leads to. Were that a FIFO or
// a device, the rename would put a file in the node's place (as root, even in
// /dev), so only a regular file is replaced.
TEST(HostileFiles, AtomicWritesReplaceOnlyARegularFile) {
    TempDir dir;
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(symlink(fifo.c_str(), (dir / "settings.ini").c_str()), 0);
    EXPECT_FALSE(common::WriteFileAtomically(dir / "settings.ini", "[a]\r\n"));
    EXPECT_FALSE(common::WriteFileAtomically(fifo, "[a]\r\n"));
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A regular file behind a link is replaced, and the link stays.
    testsupport::WriteBytes(dir / "real.ini", "old");
    ASSERT_EQ(symlink((dir / "real.ini").c_str(), (dir / "link.ini").c_str()), 0);
    ASSERT_TRUE(common::WriteFileAtomically(dir / "link.ini", "new"));
    std::string bytes;
    ASSERT_TRUE(common::ReadWholeFile(dir / "real.ini", bytes));
    EXPECT_EQ(bytes, "new");
    ASSERT_EQ(lstat((dir / "link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

} // namespace
