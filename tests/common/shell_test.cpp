#include "common/command_line.h"
#include "common/file_system.h"
#include "common/shell.h"
#include "tests/common/stand_in_record.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

// Blanks, quotes, an empty quoted argument, an escaped quote and a path with
// blanks: what the switcher's launch parameters may contain.
constexpr const char* kParameters =
    " -x  loadsingle=\"C:\\My Maps\\m.ssm\" IP=10.0.0.5 \"\" say\\\"hi\\\" end";

TEST(SystemShell, StartsAProgramWithItsParametersInTheCurrentDirectory) {
    const auto standIn = testsupport::FindStandIn(testsupport::BuildBinDirectory(), "game");
    ASSERT_TRUE(standIn) << "stand_in_game is not built in " << testsupport::BuildBinDirectory();

    // A copy in a directory with a blank in its name, so the program's own
    // path needs quoting too, and its record lands beside it.
    testsupport::TempDir temp;
    const fs::path programDir = temp.path() / "game dir";
    const fs::path workDir = temp.path() / "work dir";
    fs::create_directories(programDir);
    fs::create_directories(workDir);
    const fs::path program = programDir / standIn->filename();
    fs::copy_file(*standIn, program);
    fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);

    const std::string before = common::CurrentDirectory();
    ASSERT_TRUE(common::ChangeCurrentDirectory(workDir.string()));
    const std::string expectedDirectory = common::CurrentDirectory();
    auto shell = common::MakeSystemShell();
    shell->Open(program.string(), kParameters, common::ShowMode::ShowNA);
    shell->Open("", kParameters, common::ShowMode::ShowNA); // nothing to open
    common::ChangeCurrentDirectory(before);

    const auto records = testsupport::WaitForRecords(programDir / "stand_in_record.txt");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].role, "game");
    EXPECT_EQ(records[0].directory, expectedDirectory);
    EXPECT_EQ(records[0].arguments, (std::vector<std::string>{"-x", "loadsingle=C:\\My Maps\\m.ssm",
                                                              "IP=10.0.0.5", "", "say\"hi\"", "end"}));
    // Where the program receives one command line, the parameters arrive
    // byte for byte after the program's name.
    const std::string& line = records[0].commandLine;
    if (!line.empty()) {
        ASSERT_GE(line.size(), std::string(kParameters).size());
        EXPECT_EQ(line.substr(line.size() - std::string(kParameters).size()), kParameters) << line;
        EXPECT_EQ(common::SplitCommandLine(line).size(), records[0].arguments.size() + 1) << line;
    }
}
