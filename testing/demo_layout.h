#pragma once

// What the demo installation generator writes, for tests that use it.
// Everything in it is made up; nothing comes from the real game.
namespace demo {

struct DemoMod {
    const char* directory;  // under zandrel/
    const char* acronym;
    const char* name;
    const char* bannerFile;  // relative to the mod directory; nullptr: no BannerPath key
    const char* modSetup;    // empty: no Mod Setup button
    const char* ligaUrl;     // empty: no ranking button
    const char* modClass;
};

// The fixed mods, in the order the generator creates them. Generated extra
// mods (--mods N) follow, named extraNNNN with acronym xNNNN.
inline constexpr DemoMod kMods[] = {
    {"cdv", "cdv", "Unmodded Game", "banner.bmp", "", "", "other"},
    {"RedWinter", "RWM", "Red Winter Mod", "banner.jpg", "setup\\rwm_setup.html", "http://127.0.0.1/ranking/rwm",
     "winter"},
    {"desert", "dsr", "Desert Raiders", nullptr, "", "", "Desert"},
};

// Banner pixel at (0,0) of the BMP and JPEG demo banners (0xRRGGBB, JPEG within
// a small tolerance), so a test can tell a shown banner from an empty one.
inline constexpr unsigned kBmpBannerCorner = 0x2040A0;
inline constexpr unsigned kJpegBannerCorner = 0xA04020;

}  // namespace demo
