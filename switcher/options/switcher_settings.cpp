#include "switcher/options/switcher_settings.h"

#include "common/file_system.h"

#include <array>

namespace switcher {

namespace {

struct FlagKey {
    std::string_view section;
    std::string_view key;
    bool SwitcherSettings::*flag;
};

// Reading order and key spelling of the option flags.
constexpr std::array<FlagKey, 10> kLoadOrder{{
    {"launcher", "OnMultiplayer", &SwitcherSettings::onMultiplayer},
    {"launcher", "OnLaunch", &SwitcherSettings::onLaunch},
    {"launcher", "LaunchWhenHost", &SwitcherSettings::launchWhenHost},
    {"chat", "Quiet", &SwitcherSettings::quiet},
    {"launcher", "FetchSelected", &SwitcherSettings::fetchSelected},
    {"launcher", "FetchAll", &SwitcherSettings::fetchAll},
    {"misc", "ViewNews", &SwitcherSettings::viewNews},
    {"chat", "Verbose", &SwitcherSettings::verbose},
    {"chat", "AutoConnect", &SwitcherSettings::autoConnect},
    {"chat", "CloseOnLaunch", &SwitcherSettings::closeOnLaunch},
}};

// Writing order. "onLaunch" is written with a lower-case o; ini names match
// without regard to case, so it reads back as OnLaunch.
constexpr std::array<FlagKey, 10> kSaveOrder{{
    {"launcher", "OnMultiplayer", &SwitcherSettings::onMultiplayer},
    {"launcher", "onLaunch", &SwitcherSettings::onLaunch},
    {"chat", "Quiet", &SwitcherSettings::quiet},
    {"chat", "CloseOnLaunch", &SwitcherSettings::closeOnLaunch},
    {"chat", "AutoConnect", &SwitcherSettings::autoConnect},
    {"chat", "Verbose", &SwitcherSettings::verbose},
    {"misc", "ViewNews", &SwitcherSettings::viewNews},
    {"launcher", "FetchSelected", &SwitcherSettings::fetchSelected},
    {"launcher", "FetchAll", &SwitcherSettings::fetchAll},
    {"launcher", "LaunchWhenHost", &SwitcherSettings::launchWhenHost},
}};

} // namespace

std::string SwitcherIniPath(std::string_view programDirectory) {
    return common::JoinPath(programDirectory, "switcher.ini");
}

std::string ReadInstalledMode(const common::IniFile& ini) {
    return ini.ReadString("game", "mode", "cdv");
}

std::string UnableToWriteMessage(std::string_view path) {
    return "Unable to write to " + std::string(path);
}

void SwitcherSettings::Load(const common::IniFile& ini) {
    const SwitcherSettings defaults;
    for (const FlagKey& k : kLoadOrder) {
        const std::string fallback = defaults.*k.flag ? "1" : "0";
        this->*k.flag = ini.ReadString(k.section, k.key, fallback) != "0";
    }
}

bool SwitcherSettings::Save(common::IniFile& ini, std::string& failedPath) const {
    for (const FlagKey& k : kSaveOrder) {
        if (!ini.WriteString(k.section, k.key, this->*k.flag ? "1" : "0")) {
            failedPath = ini.Path();
            return false;
        }
    }
    return true;
}

} // namespace switcher
