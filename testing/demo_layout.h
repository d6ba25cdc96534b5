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
};

// The fixed mods, in the order the generator creates them. Generated extra
// mods (--mods N) follow, named extraNNNN with acronym xNNNN.
inline constexpr DemoMod kMods[] = {
    {"cdv", "cdv", "Unmodded Game", "banner.bmp", "", "", "other"},
    {"RedWinter", "RWM", "Red Winter Mod", "banner.jpg", "setup\\rwm_setup.html",
     "http://127.0.0.1/ranking/rwm", "winter"},
    {"desert", "dsr", "Desert Raiders", nullptr, "", "", "Desert"},
};

// Banner pixel at (0,0) of the BMP and JPEG demo banners (0xRRGGBB, JPEG within
// a small tolerance), so a test can tell a shown banner from an empty one.
inline constexpr unsigned kBmpBannerCorner = 0x2040A0;
inline constexpr unsigned kJpegBannerCorner = 0xA04020;

// The game's programs, as every demo descriptor names them (relative to the
// installation root, Windows separators). Placeholders until stand-ins exist.
inline constexpr const char* kGameExe = "game\\code\\release\\game_exe.exe";
inline constexpr const char* kEditExe = "editor\\edit3.exe";
inline constexpr const char* kBriefExe = "anied\\anied.exe";

// Every sudtest.ini the generator writes has [Game] Player0=kPlayerName, and
// every sudtest.ini and edit3.ini carries a marker section telling whose copy
// it is: [Demo] Mod=<acronym> and Copy=config or default. The game's own
// game\sudtest.ini and editor\edit3.ini start as the cdv mod's config copies,
// matching switcher.ini's [game] mode=cdv.
inline constexpr const char* kPlayerName = "DemoPlayer";
inline constexpr const char* kMarkerSection = "Demo";
inline constexpr const char* kMarkerModKey = "Mod";
inline constexpr const char* kMarkerCopyKey = "Copy";

// Installed languages under zandrel\lang\; zandrel\lang.ini starts as English.
inline constexpr const char* kLanguages[] = {"English", "German"};

} // namespace demo
