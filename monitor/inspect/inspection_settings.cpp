#include "monitor/inspect/inspection_settings.h"

#include "common/ascii_case.h"
#include "common/ini_file.h"

namespace monitor {
namespace {

bool IsHexDigest(const std::string& text) {
    if (text.size() != 64) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

} // namespace

InspectionSettings ReadInspectionSettings(const std::string& iniPath) {
    InspectionSettings settings;
    const common::IniFile ini(iniPath);
    const std::string name = ini.ReadString("game", "DllName", "");
    if (!name.empty()) {
        settings.GameDllName = name;
    }
    const std::string list = ini.ReadString("integrity", "Genuine", "");
    std::string digest;
    auto flush = [&] {
        if (IsHexDigest(digest)) {
            settings.GenuineDigests.push_back(digest);
        }
        digest.clear();
    };
    for (const char c : list) {
        if (c == ',' || c == ' ' || c == '\t' || c == ';') {
            flush();
        } else {
            digest += common::LowerAscii(c);
        }
    }
    flush();
    return settings;
}

} // namespace monitor
