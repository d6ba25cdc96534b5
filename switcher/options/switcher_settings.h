#pragma once

#include "common/ini_file.h"

#include <string>
#include <string_view>

namespace switcher {

// The path of the switcher's own settings file in the program directory.
std::string SwitcherIniPath(std::string_view programDirectory);

// game/mode: the acronym of the mod whose configuration is installed ("cdv"
// when absent).
std::string ReadInstalledMode(const common::IniFile& ini);

// The text of a failed settings write, "Unable to write to " + path.
std::string UnableToWriteMessage(std::string_view path);

// The ten option flags kept in switcher.ini. A flag is on unless its stored
// text is exactly "0"; an absent key takes the default given here.
struct SwitcherSettings {
    bool onMultiplayer = true;
    bool onLaunch = true;
    bool launchWhenHost = false;
    bool quiet = true;
    bool fetchSelected = false;
    bool fetchAll = true;
    bool viewNews = true;
    bool verbose = false;
    bool autoConnect = true;
    bool closeOnLaunch = true;

    // Reads every flag (absent keys keep their defaults, whatever the flag
    // held before).
    void Load(const common::IniFile& ini);

    // Writes every flag as "1" or "0", key by key. Stops at the first write
    // that fails, puts the file's path into `failedPath` and returns false;
    // the keys written before stay.
    bool Save(common::IniFile& ini, std::string& failedPath) const;

    bool operator==(const SwitcherSettings&) const = default;
};

} // namespace switcher
