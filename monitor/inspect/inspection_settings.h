#pragma once

#include <string>
#include <vector>

// The monitor's own settings for the game checks, from "varnok.ini" beside
// the executable:
//
//   [game]
//   DllName=game_main.dll        ; module name of the game DLL
//   [integrity]
//   Genuine=<hex>, <hex> ...     ; SHA-256 digests of the genuine game DLL
//
// Module names are compared on their first 14 characters, so a longer
// DllName only matters up to its 14th character.
namespace monitor {

inline constexpr char kInspectionIniName[] = "varnok.ini";
inline constexpr char kDefaultGameDllName[] = "game_main.dll";

struct InspectionSettings {
    std::string GameDllName = kDefaultGameDllName;
    // Lower-case, 64 hex digits each; malformed entries are left out.
    std::vector<std::string> GenuineDigests;
};

// Reads the settings from an ini file (installation path); a missing file or
// key gives the defaults.
InspectionSettings ReadInspectionSettings(const std::string& iniPath);

} // namespace monitor
