#include "common/installed_layout.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(const fs::path& path) {
    return path.string() + static_cast<char>(fs::path::preferred_separator);
}

} // namespace

// The build tree keeps modules beside the program; an installation keeps them
// in <prefix>/lib/<package>/. A module beside the program wins, so a build
// tree never picks up an older installed copy.
TEST(InstalledLayout, FindsModulesBesideTheProgramFirstThenInItsPackageFolder) {
    testsupport::TempDir temp;
    const fs::path bin = temp.path() / "usr" / "bin";
    const fs::path lib = temp.path() / "usr" / "lib" / "varnok";
    fs::create_directories(bin);
    fs::create_directories(lib);
    const std::string programDirectory = WithSeparator(bin);

    // Nowhere: the path beside the program, for the message.
    EXPECT_EQ(common::PrivateModulePathFrom(programDirectory, "varnok", "libkessit.so"),
              programDirectory + "libkessit.so");

    testsupport::WriteBytes(lib / "libkessit.so", "x");
    EXPECT_EQ(fs::path(common::PrivateModulePathFrom(programDirectory, "varnok", "libkessit.so")),
              lib / "libkessit.so");
    EXPECT_TRUE(common::RunsInstalledFrom(programDirectory, "varnok"));
    // Another package's folder is not searched.
    EXPECT_EQ(common::PrivateModulePathFrom(programDirectory, "zandrel", "libkessit.so"),
              programDirectory + "libkessit.so");
    EXPECT_FALSE(common::RunsInstalledFrom(programDirectory, "zandrel"));

    testsupport::WriteBytes(bin / "libkessit.so", "y");
    EXPECT_EQ(common::PrivateModulePathFrom(programDirectory, "varnok", "libkessit.so"),
              programDirectory + "libkessit.so");

    // A program outside a bin/ folder (a build tree, a Windows folder) is
    // never "installed", whatever lies next to it.
    const fs::path build = temp.path() / "build";
    fs::create_directories(build / ".." / "lib" / "varnok");
    EXPECT_FALSE(common::RunsInstalledFrom(WithSeparator(build), "varnok"));
}
