#include "common/file_system.h"
#include "common/shell.h"
#include "switcher/catalogue.h"
#include "switcher/integer_text.h"
#include "switcher/join_address.h"
#include "switcher/lang/language_table.h"
#include "switcher/launch.h"
#include "tests/support/recording_shell.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using common::ShowMode;
using switcher::Launcher;

namespace {

using testsupport::RecordingSink;

using testsupport::RecordingShell;

// One open with the current directory at its moment, which is where a started
// program runs.
struct Opened {
    std::string target;
    std::string parameters;
    ShowMode mode;
    std::string directory;
    bool operator==(const Opened&) const = default;
};

std::vector<Opened> OpensOf(const RecordingShell& shell) {
    std::vector<Opened> opens;
    for (std::size_t i = 0; i < shell.calls.size(); ++i) {
        const RecordingShell::Call& call = shell.calls[i];
        opens.push_back({call.target, call.parameters, call.mode, shell.directories[i]});
    }
    return opens;
}

// Game/editor directories and programs of the descriptor below.
constexpr const char* kModA =
    "[mod]\nAcronym=a\nUseLauncher=1\nWebDatabaseUrl=http://db/a\n"
    "[game]\nGameExe=game\\code\\game_exe.exe\nGameWorkingDir=game\\\nGameArguments=-x\n"
    "EditExe=editor\\edit3.exe\nEditWorkingDir=editor\\\nEditArguments=-e 1\n"
    "BriefExe=anied\\anied.exe\nBriefDir=anied\\\nBriefArguments=\n"
    "OnLaunchGame=trigger.html\nOnLaunchMultiplayer=http://mp/a\nOnChat=http://chat/a\n";

// A game installation in a temporary directory that is the current
// directory while a test runs, as the program directory is while the
// switcher is idle.
class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_before = common::CurrentDirectory();
        testsupport::WriteBytes(m_root.path() / "zandrel" / "moda" / "ss2plugin.ini", kModA);
        for (const char* file : {"game/code/game_exe.exe", "editor/edit3.exe", "anied/anied.exe"}) {
            testsupport::WriteBytes(m_root.path() / file, "MZ");
        }
        testsupport::WriteBytes(
            m_root.path() / "zandrel" / "lang.ini",
            "[lang]\nMain.Error2=Sub\\ndir\nMain.Error3=missing\\nhere\nMain.Error4=not\\nfound\n");
        ASSERT_TRUE(common::ChangeCurrentDirectory(ProgramDirectory()));
        m_home = common::CurrentDirectory();
    }
    void TearDown() override { common::ChangeCurrentDirectory(m_before); }

    // Replaces the installation's only mod, then loads catalogue and language.
    void UseDescriptor(std::string_view descriptor) {
        testsupport::WriteBytes(m_root.path() / "zandrel" / "moda" / "ss2plugin.ini", descriptor);
    }
    Launcher& Make() {
        m_catalogue.LoadCatalogue(ProgramDirectory(), "http://svc");
        m_language.Load(ProgramDirectory());
        m_launcher.emplace(m_catalogue, m_language, m_sink, m_shell, ProgramDirectory(),
                           [this] { return m_selected; });
        return *m_launcher;
    }
    std::string ProgramDirectory() const { return m_root.str(); }
    std::string Under(std::string_view relative) const {
        return common::ResolvePath(ProgramDirectory() + std::string(relative));
    }
    // The current directory after `directory` was entered, as the system spells it.
    std::string Inside(std::string_view directory) const {
        common::ChangeCurrentDirectory(directory);
        std::string result = common::CurrentDirectory();
        common::ChangeCurrentDirectory(ProgramDirectory());
        return result;
    }
    void ExpectBackHome() const { EXPECT_EQ(common::CurrentDirectory(), m_home); }

    testsupport::TempDir m_root;
    std::string m_before;
    std::string m_home;
    int m_selected = 0;
    switcher::ModCatalogue m_catalogue;
    switcher::LanguageTable m_language;
    RecordingSink m_sink;
    RecordingShell m_shell;
    std::optional<Launcher> m_launcher;
};

} // namespace

TEST_F(LaunchTest, GameParametersAreBuiltByteForByte) {
    Launcher& launcher = Make();
    const std::string gameDir = Inside("game\\");
    const std::string gameExe = ProgramDirectory() + "game\\code\\game_exe.exe";

    launcher.LaunchGame("");
    launcher.LaunchGame("10.0.0.5");
    launcher.LaunchGameWith("");
    launcher.LaunchGameWith(" loadsingle=\"C:\\My Maps\\m.ssm\"");
    EXPECT_TRUE(m_sink.messages.empty());
    ExpectBackHome();
    // Each game start opens the OnLaunchGame trigger (in the program
    // directory) first, then the game inside its working directory.
    const Opened trigger{"trigger.html", "", ShowMode::ShowNA, m_home};
    EXPECT_EQ(OpensOf(m_shell),
              (std::vector<Opened>{
                  trigger,
                  {gameExe, " -x", ShowMode::ShowNA, gameDir},
                  trigger,
                  {gameExe, " -x IP=10.0.0.5", ShowMode::ShowNA, gameDir},
                  trigger,
                  {gameExe, " -x", ShowMode::ShowNA, gameDir},
                  trigger,
                  {gameExe, " -x  loadsingle=\"C:\\My Maps\\m.ssm\"", ShowMode::ShowNA, gameDir},
              }));

    // Empty GameArguments: the leading blank stays, so a join has two blanks.
    UseDescriptor("[game]\nGameExe=game\\code\\game_exe.exe\nGameWorkingDir=game\n");
    m_shell.Clear();
    Launcher& plain = Make();
    plain.LaunchGame("host-1.example");
    plain.LaunchGameWith("extra");
    plain.LaunchGame("");
    ASSERT_EQ(m_shell.calls.size(), 3u);
    EXPECT_EQ(m_shell.calls[0].parameters, "  IP=host-1.example");
    EXPECT_EQ(m_shell.directories[0], gameDir) << "a working directory without a trailing backslash works";
    EXPECT_EQ(m_shell.calls[1].parameters, "  extra");
    EXPECT_EQ(m_shell.calls[2].parameters, " ");
    ExpectBackHome();
}

TEST_F(LaunchTest, EditorsStartNormallyInTheirDirectoriesWithoutTrigger) {
    Launcher& launcher = Make();
    launcher.LaunchMapEditor();
    launcher.LaunchBriefingEditor();
    EXPECT_TRUE(m_sink.messages.empty());
    ExpectBackHome();
    EXPECT_EQ(
        OpensOf(m_shell),
        (std::vector<Opened>{
            {ProgramDirectory() + "editor\\edit3.exe", " -e 1", ShowMode::ShowNormal, Inside("editor\\")},
            {ProgramDirectory() + "anied\\anied.exe", " ", ShowMode::ShowNormal, Inside("anied\\")},
        }));
}

TEST_F(LaunchTest, MissingDirectoriesAndProgramsAreReportedAndStartNothing) {
    const std::string missingDir = "Sub\rdir \"%s\" missing\rhere"; // Error2/Error3 expanded
    const auto dirMessage = [&](const std::string& dir) {
        std::string text = missingDir;
        return text.replace(text.find("%s"), 2, dir);
    };
    UseDescriptor(
        "[game]\nGameExe=game\\nogame.exe\nGameWorkingDir=nodir\\\nOnLaunchGame=trigger.html\n"
        "EditExe=editor\\none.exe\nEditWorkingDir=noedit\\\nBriefExe=anied\\none.exe\nBriefDir=nobrief\\\n");
    Launcher& launcher = Make();
    launcher.LaunchGame("10.0.0.5");
    ExpectBackHome();
    launcher.LaunchGameWith("x");
    ExpectBackHome();
    launcher.LaunchMapEditor();
    ExpectBackHome();
    launcher.LaunchBriefingEditor();
    ExpectBackHome();
    EXPECT_EQ(m_sink.messages, (std::vector<std::string>{dirMessage("nodir\\"), dirMessage("nodir\\"),
                                                         dirMessage("noedit\\"), dirMessage("nobrief\\")}));
    // The trigger fires even though the game then fails; nothing else opens.
    EXPECT_EQ(OpensOf(m_shell), (std::vector<Opened>(2, {"trigger.html", "", ShowMode::ShowNA, m_home})));

    // Directories exist, programs do not. Error4 is used as written.
    UseDescriptor(
        "[game]\nGameExe=game\\nogame.exe\nGameWorkingDir=game\\\n"
        "EditExe=editor\\none.exe\nEditWorkingDir=editor\\\nBriefExe=anied\\none.exe\nBriefDir=anied\\\n");
    m_sink.messages.clear();
    m_shell.Clear();
    Launcher& again = Make();
    again.LaunchGame("");
    ExpectBackHome();
    again.LaunchGameWith("");
    ExpectBackHome();
    again.LaunchMapEditor();
    ExpectBackHome();
    again.LaunchBriefingEditor();
    ExpectBackHome();
    const std::string pd = ProgramDirectory();
    EXPECT_EQ(m_sink.messages, (std::vector<std::string>{
                                   "Game_exe not found at: " + pd + "game\\nogame.exe",
                                   "Game_exe  not\\nfound " + pd + "game\\nogame.exe",
                                   "edit3.exe  not\\nfound " + pd + "editor\\none.exe",
                                   "anied.exe not\\nfound " + pd + "anied\\none.exe",
                               }));
    EXPECT_TRUE(m_shell.calls.empty());

    // After a success the program directory is current again even when the
    // launch began elsewhere.
    UseDescriptor(kModA);
    Launcher& good = Make();
    common::ChangeCurrentDirectory("game");
    good.LaunchMapEditor();
    ExpectBackHome();
    common::ChangeCurrentDirectory("game");
    good.LaunchGame("");
    ExpectBackHome();
}

TEST_F(LaunchTest, TriggersAndMultiplayer) {
    Launcher& launcher = Make();
    std::vector<std::string> events;
    m_shell.events = &events;
    const auto raiseLauncher = [&] { events.push_back("raise launcher"); };
    const auto raiseApp = [&] { events.push_back("raise application"); };

    launcher.FireOnChat();
    EXPECT_EQ(Launcher::MultiplayerOutcome::ShowLauncher,
              launcher.ContinueMultiplayer(raiseLauncher, raiseApp));
    EXPECT_EQ(events, (std::vector<std::string>{"open http://chat/a", "raise launcher", "open http://mp/a",
                                                "raise launcher", "raise application"}));
    ASSERT_EQ(m_shell.calls.size(), 2u);
    EXPECT_EQ(m_shell.calls[0].mode, ShowMode::ShowNA);
    EXPECT_EQ(m_shell.calls[1].mode, ShowMode::ShowNormal);
    EXPECT_EQ(m_shell.calls[1].parameters, "");

    // UseLauncher 0: the trigger still fires first, then the web database.
    UseDescriptor(
        "[mod]\nUseLauncher=$0\nWebDatabaseUrl=http://db/a\n[game]\nOnLaunchMultiplayer=mp.bat\nOnChat=\n");
    Launcher& web = Make();
    events.clear();
    m_shell.Clear();
    web.FireOnChat();       // empty field: nothing
    web.FireOnLaunchGame(); // absent field: nothing
    EXPECT_EQ(Launcher::MultiplayerOutcome::OpenedWebDatabase, web.ContinueMultiplayer(raiseLauncher));
    EXPECT_EQ(events, (std::vector<std::string>{"raise launcher", "open mp.bat", "raise launcher",
                                                "open http://db/a"}));
    ASSERT_EQ(m_shell.calls.size(), 2u);
    EXPECT_EQ(OpensOf(m_shell)[1], (Opened{"http://db/a", "", ShowMode::Show, m_home}));

    // Not an integer: message with the field's text, and nothing opens.
    for (const char* bad : {"", "1x", "yes"}) {
        UseDescriptor(std::string("[mod]\nUseLauncher=") + bad + "\n[game]\nOnLaunchMultiplayer=mp.bat\n");
        Launcher& broken = Make();
        events.clear();
        m_sink.messages.clear();
        EXPECT_EQ(Launcher::MultiplayerOutcome::Stopped, broken.ContinueMultiplayer(raiseLauncher, raiseApp));
        EXPECT_TRUE(events.empty()) << bad;
        EXPECT_EQ(m_sink.messages,
                  std::vector<std::string>{"'" + std::string(bad) + "' is not a valid integer value"});
    }

    // Nothing selected: every field is empty, so no trigger opens anything.
    m_selected = -1;
    Launcher& none = Make();
    events.clear();
    none.FireOnChat();
    none.FireOnLaunchGame();
    none.FireOnLaunchMultiplayer(raiseLauncher, raiseApp);
    EXPECT_TRUE(events.empty());
}

TEST_F(LaunchTest, RefusedJoinAddressStartsNothingNotEvenTheTrigger) {
    Launcher& launcher = Make();
    launcher.LaunchGame("x\" -foo");
    launcher.LaunchGame("1.2.3.4 -cheat");
    EXPECT_TRUE(m_shell.calls.empty());
    EXPECT_EQ(
        m_sink.messages,
        (std::vector<std::string>{
            "Refusing to join: the address \"x\" -foo\" is not a valid IPv4 address or host name.",
            "Refusing to join: the address \"1.2.3.4 -cheat\" is not a valid IPv4 address or host name.",
        }));
    ExpectBackHome();
}

TEST(JoinAddress, AcceptsOnlyPlainIpv4AddressesAndHostNames) {
    using switcher::IsValidJoinAddress;
    for (const char* good : {"10.0.0.5", "0.0.0.0", "255.255.255.255", "host-1.example", "localhost",
                             "A1.b-2.C3", "1host", "x.1"}) {
        EXPECT_TRUE(IsValidJoinAddress(good)) << good;
    }
    const std::string label63(63, 'a');
    EXPECT_TRUE(IsValidJoinAddress(label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b')));
    // All-numeric names must be real IPv4 addresses (1.2.3.256 is not looked
    // up as a name); leading zeros would be read as octal by Windows.
    for (const char* bad :
         {"",      "1.2.3.256", "1.2.3",    "1.2.3.4.5", "01.2.3.4", "1..2.3",  "1.2.3.4.",
          ".host", "a b",       "x\" -foo", "x;rm",      "$(id)",    "host_1",  "-host",
          "host-", "a..b",      "h\tx",     "1.2.3.4 ",  "[::1]",    "h\xe9te", "host:2300"}) {
        EXPECT_FALSE(IsValidJoinAddress(bad)) << bad;
    }
    EXPECT_FALSE(IsValidJoinAddress(std::string(64, 'a')));
    EXPECT_FALSE(
        IsValidJoinAddress(label63 + "." + label63 + "." + label63 + "." + std::string(62, 'b'))); // 254
    EXPECT_FALSE(IsValidJoinAddress(std::string(300, 'a')));
    EXPECT_FALSE(IsValidJoinAddress(std::string_view("a\0b", 3)));

    // The shown address is cut and its odd bytes are made visible.
    const std::string message = switcher::RefusedJoinAddressMessage(std::string(300, 'z'));
    EXPECT_EQ(message, "Refusing to join: the address \"" + std::string(60, 'z') +
                           "...\" is not a valid IPv4 address or host name.");
    EXPECT_EQ(
        switcher::RefusedJoinAddressMessage(std::string("a\nb\x01\xff\0", 6)),
        "Refusing to join: the address \"a\\x0Ab\\x01\\xFF\\x00\" is not a valid IPv4 address or host name.");
}

TEST(IntegerText, DecimalAndDollarHexWithinInt32) {
    using switcher::ParseIntegerText;
    EXPECT_EQ(ParseIntegerText("0"), 0);
    EXPECT_EQ(ParseIntegerText("1"), 1);
    EXPECT_EQ(ParseIntegerText("-5"), -5);
    EXPECT_EQ(ParseIntegerText("+7"), 7);
    EXPECT_EQ(ParseIntegerText("007"), 7);
    EXPECT_EQ(ParseIntegerText("$1F"), 31);
    EXPECT_EQ(ParseIntegerText("$1f"), 31);
    EXPECT_EQ(ParseIntegerText("-$10"), -16);
    EXPECT_EQ(ParseIntegerText("2147483647"), 2147483647);
    EXPECT_EQ(ParseIntegerText("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIntegerText("$7FFFFFFF"), 2147483647);
    EXPECT_EQ(ParseIntegerText("-$80000000"), INT32_MIN);
    for (const char* bad : {"",
                            "$",
                            "-",
                            "+",
                            " 1",
                            "1 ",
                            "1x",
                            "x",
                            "1F",
                            "0x1F",
                            "$G",
                            "--1",
                            "+-1",
                            "$-1",
                            "2147483648",
                            "-2147483649",
                            "99999999999",
                            "$80000000",
                            "$FFFFFFFF",
                            "999999999999999999999999"}) {
        EXPECT_FALSE(ParseIntegerText(bad).has_value()) << bad;
    }
    EXPECT_EQ(switcher::InvalidIntegerMessage("1x"), "'1x' is not a valid integer value");
}
