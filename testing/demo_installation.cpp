#include "testing/demo_installation.h"

#include "testing/demo_language.h"
#include "testing/demo_layout.h"
#include "testing/demo_pictures.h"

#include <cstdio>
#include <string_view>
#include <system_error>

namespace demo {
namespace {

namespace fs = std::filesystem;

constexpr int kJpegQuality = 92;

class Writer {
public:
    explicit Writer(fs::path root) : m_root(std::move(root)) {}

    bool Directory(const fs::path& relative) {
        std::error_code ec;
        fs::create_directories(m_root / relative, ec);
        return ec ? Fail("cannot create directory " + (m_root / relative).string() + ": " + ec.message())
                  : true;
    }

    bool File(const fs::path& relative, std::string_view bytes) {
        const fs::path path = m_root / relative;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr)
            return Fail("cannot write " + path.string());
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        const bool closed = std::fclose(f) == 0;
        return written && closed ? true : Fail("cannot write " + path.string());
    }

    bool Program(const fs::path& relative, std::string_view what) {
        const std::string script = "#!/bin/sh\n# Placeholder for the " + std::string(what) +
                                   " in the demo installation; it does nothing.\nexit 0\n";
        if (!File(relative, script))
            return false;
        std::error_code ec;
        fs::permissions(m_root / relative,
                        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add, ec);
        return true;
    }

    bool Remove(const fs::path& relative) {
        std::error_code ec;
        fs::remove_all(m_root / relative, ec);
        return ec ? Fail("cannot remove " + (m_root / relative).string() + ": " + ec.message()) : true;
    }

    const std::string& Error() const { return m_error; }

private:
    bool Fail(std::string message) {
        m_error = std::move(message);
        return false;
    }

    fs::path m_root;
    std::string m_error;
};

// Lines joined with CRLF, as the game's and the switcher's files have them.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string Key(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + std::string(value);
}

std::string Marker(std::string_view acronym, std::string_view copy) {
    std::string header = "[";
    header += kMarkerSection;
    header += ']';
    return Lines({header, Key(kMarkerModKey, acronym), Key(kMarkerCopyKey, copy)});
}

std::string SudtestIni(std::string_view acronym, std::string_view copy) {
    return Lines({"; game settings of the demo installation", "[Game]", Key("Player0", kPlayerName),
                  "Difficulty=2", "GameSpeed=5", "LastMission=demo_mission_01", "[Video]", "Width=1024",
                  "Height=768", "Gamma=50", "[Sound]", "Music=70", "Effects=80", "[Network]", "Protocol=TCP",
                  "LastHost="}) +
           Marker(acronym, copy);
}

std::string Edit3Ini(std::string_view acronym, std::string_view copy) {
    return Lines({"; map editor settings of the demo installation", "[Editor]",
                  "LastMap=maps\\demo_valley.map", "Grid=1", "BrushSize=3", "[View]", "Zoom=100",
                  "ShowUnits=1"}) +
           Marker(acronym, copy);
}

// The [game] section every demo descriptor shares: the placeholders' paths.
std::string GameSection(std::string_view arguments) {
    return Lines({"[game]", Key("GameExe", kGameExe), "GameWorkingDir=game\\",
                  Key("GameArguments", arguments), Key("EditExe", kEditExe), "EditWorkingDir=editor\\",
                  "EditArguments=", Key("BriefExe", kBriefExe), "BriefDir=anied\\", "BriefArguments="});
}

std::string Descriptor(const DemoMod& mod, int index) {
    const std::string directory = mod.directory;
    std::string text =
        Lines({"; descriptor of a demo mod", "[mod]", Key("Acronym", mod.acronym), Key("Name", mod.name)});
    if (mod.bannerFile != nullptr)
        text += Lines({Key("BannerPath", mod.bannerFile)});
    // The first two open the built-in launcher; the third has its own game database page.
    const bool launcher = index < 2;
    text += Lines({Key("UseLauncher", launcher ? "1" : "0"),
                   Key("WebDatabaseUrl", launcher ? "" : "http://127.0.0.1/" + directory + "/games"),
                   Key("ForumUrl", "http://127.0.0.1/forum/" + directory), Key("Class", mod.modClass),
                   Key("GetMapsUrl", "http://127.0.0.1/maps/" + directory),
                   Key("ReadmeUrl", "zandrel\\" + directory + "\\readme.txt"), Key("LigaUrl", mod.ligaUrl)});
    // cdv leaves OnChat and onUpdate out, so their defaults show up in the demo.
    text += GameSection(index == 0 ? "" : "-mod " + directory);
    if (index != 0) {
        text += Lines(
            {"OnLaunchGame=", "OnLaunchMultiplayer=", Key("OnChat", "http://127.0.0.1/chat/" + directory),
             Key("modSetup", mod.modSetup), Key("onUpdate", "http://127.0.0.1/update/" + directory)});
    } else {
        text += Lines({Key("modSetup", mod.modSetup)});
    }
    text += Lines({"[condition]", "UseConditions=0"});
    return text;
}

std::string ExtraDescriptor(int number) {
    const std::string directory = ExtraModDirectory(number);
    const std::string acronym = ExtraModAcronym(number);
    return Lines({"[mod]", Key("Acronym", acronym), Key("Name", "Generated Mod " + std::to_string(number)),
                  "BannerPath=banner.bmp", "UseLauncher=1",
                  "WebDatabaseUrl=", Key("ForumUrl", "http://127.0.0.1/forum/" + directory),
                  Key("Class", number % 2 ? "other" : "winter"),
                  Key("GetMapsUrl", "http://127.0.0.1/maps/" + directory),
                  Key("ReadmeUrl", "http://127.0.0.1/readme/" + directory), "LigaUrl="}) +
           GameSection("-mod " + directory) +
           Lines(
               {"OnLaunchGame=", "OnLaunchMultiplayer=", Key("OnChat", "http://127.0.0.1/chat/" + directory),
                "modSetup=", Key("onUpdate", "http://127.0.0.1/update/" + directory), "[condition]",
                "UseConditions=0"});
}

bool WriteModSettings(Writer& w, const fs::path& modDir, std::string_view acronym) {
    for (std::string_view copy : {"config", "default"}) {
        if (!w.Directory(modDir / copy) ||
            !w.File(modDir / copy / "sudtest.ini", SudtestIni(acronym, copy)) ||
            !w.File(modDir / copy / "edit3.ini", Edit3Ini(acronym, copy)))
            return false;
    }
    return true;
}

bool WriteFixedMods(Writer& w) {
    int index = 0;
    for (const DemoMod& mod : kMods) {
        const fs::path dir = fs::path("zandrel") / mod.directory;
        if (!w.Directory(dir) || !w.File(dir / "ss2plugin.ini", Descriptor(mod, index)) ||
            !WriteModSettings(w, dir, mod.acronym) ||
            !w.File(dir / "readme.txt", Lines({std::string("Readme of the demo mod ") + mod.name + "."})))
            return false;
        ++index;
    }
    const auto bmp = EncodeBmp(MakeBanner(kBmpBannerCorner, 468, 60));
    const auto jpeg = EncodeJpeg(MakeBanner(kJpegBannerCorner, 468, 60), kJpegQuality);
    return w.File(fs::path("zandrel") / kMods[0].directory / kMods[0].bannerFile, bmp) &&
           w.File(fs::path("zandrel") / kMods[1].directory / kMods[1].bannerFile, jpeg);
}

bool WriteGame(Writer& w) {
    const std::string_view cdv = kMods[0].acronym;
    return w.Directory("game/code/release") && w.Directory("editor") && w.Directory("anied") &&
           w.Directory("setup") && w.Program("game/code/release/game_exe.exe", "game") &&
           w.Program("editor/edit3.exe", "map editor") && w.Program("anied/anied.exe", "briefing editor") &&
           w.File("game/sudtest.ini", SudtestIni(cdv, "config")) &&
           w.File("editor/edit3.ini", Edit3Ini(cdv, "config")) &&
           w.File("setup/rwm_setup.html", "<html><body><h1>Red Winter Mod setup</h1><p>Nothing to set up in "
                                          "the demo.</p></body></html>\r\n");
}

bool WriteLanguages(Writer& w) {
    if (!w.Directory("zandrel/lang"))
        return false;
    for (const char* language : kLanguages) {
        if (!w.File(fs::path("zandrel/lang") / (std::string(language) + ".ini"), LanguageFile(language)))
            return false;
    }
    return w.File("zandrel/lang.ini", LanguageFile("English"));
}

} // namespace

std::string ExtraModDirectory(int number) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "extra%04d", number);
    return buffer;
}

std::string ExtraModAcronym(int number) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "x%04d", number);
    return buffer;
}

bool WriteDemoInstallation(const fs::path& root, int extraMods, std::string& error) {
    Writer w(root);
    bool ok = w.Directory(".");
    for (const char* owned : {"zandrel", "game", "editor", "anied", "setup", "switcher.ini"}) {
        ok = ok && w.Remove(owned);
    }
    ok = ok && WriteFixedMods(w) && WriteLanguages(w) && WriteGame(w) &&
         w.File("switcher.ini", Lines({"[game]", "mode=cdv"}));
    // Generated mods get a descriptor only: they exist to make the catalogue
    // large, and one file per mod keeps a thousand of them quick to write.
    for (int n = 1; ok && n <= extraMods; ++n) {
        const fs::path dir = fs::path("zandrel") / ExtraModDirectory(n);
        ok = w.Directory(dir) && w.File(dir / "ss2plugin.ini", ExtraDescriptor(n));
    }
    if (!ok)
        error = w.Error();
    return ok;
}

} // namespace demo
