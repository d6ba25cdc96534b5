#include "testing/demo_installation.h"

#include "testing/demo_language.h"
#include "testing/demo_layout.h"
#include "testing/demo_pictures.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
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
        // A stream opens the path in its native form (wide on Windows).
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out)
            return Fail("cannot write " + path.string());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        return out ? true : Fail("cannot write " + path.string());
    }

    // Installs `standIn` (a program file) at `relative`, or, when there is
    // none, a placeholder script that does nothing. Either way the result is
    // executable, so the switcher can start it.
    bool Program(const fs::path& relative, const fs::path& standIn, std::string_view what) {
        std::error_code ec;
        if (!standIn.empty()) {
            if (!fs::copy_file(standIn, m_root / relative, fs::copy_options::overwrite_existing, ec))
                return Fail("cannot copy " + standIn.string() + " to " + (m_root / relative).string() + ": " +
                            ec.message());
        } else {
            const std::string script = "#!/bin/sh\n# Placeholder for the " + std::string(what) +
                                       " in the demo installation; it does nothing.\nexit 0\n";
            if (!File(relative, script))
                return false;
        }
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
    return Lines({"; game settings of the demo installation", "[Game]", "PlayersUpb=1",
                  Key("Player0", kPlayerName), "Difficulty=2", "GameSpeed=5", "LastMission=demo_mission_01",
                  "[Video]", "Width=1024", "Height=768", "Gamma=50", "[Sound]", "Music=70", "Effects=80",
                  "[Network]", "Protocol=TCP", "LastHost="}) +
           Marker(acronym, copy);
}

std::string Edit3Ini(std::string_view acronym, std::string_view copy) {
    return Lines({"; map editor settings of the demo installation", "[Editor]",
                  "LastMap=maps\\demo_valley.map", "Grid=1", "BrushSize=3", "[View]", "Zoom=100",
                  "ShowUnits=1"}) +
           Marker(acronym, copy);
}

// The [game] section of a demo descriptor; every mod names the same programs.
std::string GameSection(std::string_view workingDir, std::string_view gameArguments,
                        std::string_view editArguments) {
    return Lines({"[game]", Key("GameExe", kGameExe), Key("GameWorkingDir", workingDir),
                  Key("GameArguments", gameArguments), Key("EditExe", kEditExe), "EditWorkingDir=editor\\",
                  Key("EditArguments", editArguments), Key("BriefExe", kBriefExe), "BriefDir=anied\\",
                  "BriefArguments="});
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
    text += GameSection(mod.gameWorkingDir, mod.gameArguments, mod.editArguments);
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
           GameSection("game\\", "-mod " + directory, "") +
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

// A Windows path of the layout as a relative native path.
fs::path Native(std::string_view windowsPath) {
    std::string path(windowsPath);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// The stand-in program `name` in `directory` (as built for this platform or
// for Windows), or an empty path when it is not there.
fs::path FindStandIn(const fs::path& directory, std::string_view name) {
    if (directory.empty())
        return {};
    for (const std::string& candidate : {std::string(name), std::string(name) + ".exe"}) {
        std::error_code ec;
        if (fs::is_regular_file(directory / candidate, ec))
            return directory / candidate;
    }
    return {};
}

bool WriteGame(Writer& w, const fs::path& standIns) {
    const std::string_view cdv = kMods[0].acronym;
    const char* const programs[] = {kGameExe, kEditExe, kBriefExe};
    const char* const what[] = {"game", "map editor", "briefing editor"};
    bool ok = w.Directory("game/code/release") && w.Directory("editor") && w.Directory("anied") &&
              w.Directory("setup");
    for (std::size_t i = 0; ok && i < std::size(programs); ++i) {
        ok = w.Program(Native(programs[i]), FindStandIn(standIns, kStandIns[i]), what[i]);
    }
    return ok && w.File("game/sudtest.ini", SudtestIni(cdv, "config")) &&
           w.File("editor/edit3.ini", Edit3Ini(cdv, "config")) &&
           w.File("setup/rwm_setup.html", "<html><body><h1>Red Winter Mod setup</h1><p>Nothing to set up in "
                                          "the demo.</p></body></html>\r\n");
}

// Save games under each mod's game working directory: one directory per
// player with a save in it, and a file beside them that is no player.
bool WriteSaveGames(Writer& w) {
    for (const DemoMod& mod : kMods) {
        const fs::path saves = Native(mod.gameWorkingDir) / "plr" / "savegames";
        for (const char* player : mod.players) {
            if (!w.Directory(saves / player) ||
                !w.File(saves / player / "quick.sav", Lines({std::string("demo save of ") + player})))
                return false;
        }
        if (!w.File(saves / "readme.txt", Lines({"Each directory here is one player's save games."})))
            return false;
    }
    return true;
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

bool WriteDemoInstallation(const fs::path& root, int extraMods, std::string& error,
                           const fs::path& standIns) {
    Writer w(root);
    bool ok = w.Directory(".");
    for (const char* owned : {"zandrel", "game", "editor", "anied", "setup", "switcher.ini"}) {
        ok = ok && w.Remove(owned);
    }
    ok = ok && WriteFixedMods(w) && WriteLanguages(w) && WriteGame(w, standIns) && WriteSaveGames(w) &&
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
