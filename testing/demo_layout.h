#pragma once

// What the demo installation generator writes, for tests that use it.
// Everything in it is made up; nothing comes from the real game.
namespace demo {

struct DemoMod {
    const char* directory; // under zandrel/
    const char* acronym;
    const char* name;
    const char* bannerFile; // relative to the mod directory; nullptr: no BannerPath key
    const char* modSetup;   // empty: no Mod Setup button
    const char* ligaUrl;    // empty: no ranking button
    const char* modClass;
    const char* gameWorkingDir; // Windows path relative to the root, ends with a backslash
    const char* gameArguments;
    const char* editArguments;
    // Player directories under gameWorkingDir + "plr\savegames\", ready for
    // Import Save (a file lies beside them). Mods that share a working
    // directory share these.
    const char* players[2];
};

// The fixed mods, in the order the generator creates them. Generated extra
// mods (--mods N) follow, named extraNNNN with acronym xNNNN.
// clang-format off
inline constexpr DemoMod kMods[] = {
    {"cdv", "cdv", "Unmodded Game", "banner.bmp", "", "", "other",
     "game\\", "", "", {"DemoPlayer", "Rookie"}},
    {"RedWinter", "RWM", "Red Winter Mod", "banner.jpg", "setup\\rwm_setup.html",
     "http://127.0.0.1/ranking/rwm", "winter",
     "game\\", "-mod RedWinter", "", {"DemoPlayer", "Rookie"}},
    {"desert", "dsr", "Desert Raiders", nullptr, "", "", "Desert",
     "game\\", "-mod desert", "-mod desert", {"DemoPlayer", "Rookie"}},
};
// clang-format on

// Banner pixel at (0,0) of the BMP and JPEG demo banners (0xRRGGBB, JPEG within
// a small tolerance), so a test can tell a shown banner from an empty one.
inline constexpr unsigned kBmpBannerCorner = 0x2040A0;
inline constexpr unsigned kJpegBannerCorner = 0xA04020;

// The game's programs, as every demo descriptor names them (relative to the
// installation root, Windows separators). The generator installs the
// stand-in programs found beside its own executable (kStandIns, same order)
// there, keeping them executable; without them it writes placeholder scripts
// that do nothing. A stand-in appends its record to stand_in_record.txt
// beside itself unless ZANDREL_STAND_IN_RECORD names another file.
inline constexpr const char* kGameExe = "game\\code\\release\\game_exe.exe";
inline constexpr const char* kEditExe = "editor\\edit3.exe";
inline constexpr const char* kBriefExe = "anied\\anied.exe";
inline constexpr const char* kStandIns[] = {"stand_in_game", "stand_in_editor", "stand_in_briefing"};
inline constexpr const char* kStandInRecordName = "stand_in_record.txt";

// Every sudtest.ini the generator writes has [Game] PlayersUpb=1 and
// Player0=kPlayerName, and every sudtest.ini and edit3.ini carries a marker
// section telling whose copy it is: [Demo] Mod=<acronym> and Copy=config or
// default. The game's own game\sudtest.ini and editor\edit3.ini start as the
// cdv mod's config copies, matching switcher.ini's [game] mode=cdv.
inline constexpr const char* kPlayerName = "DemoPlayer";
inline constexpr const char* kMarkerSection = "Demo";
inline constexpr const char* kMarkerModKey = "Mod";
inline constexpr const char* kMarkerCopyKey = "Copy";

// Installed languages under zandrel\lang\; zandrel\lang.ini starts as English.
inline constexpr const char* kLanguages[] = {"English", "German", "Russian", "Polish"};

} // namespace demo
