#pragma once

#include "switcher/catalogue.h"

#include <string>
#include <string_view>

namespace switcher {

// Everything the windows show about the selected mod. Texts are 8-bit ANSI.
struct ModDisplay {
    std::string name;         // the main window's modename
    std::string launcherName; // the launcher's modename
    std::string bannerPath;   // an existing banner file, or empty: no banner
    std::string newsUrl;      // the news page of the mod's class
    bool modSetupVisible = false;
    bool rankingVisible = false;
};

// Describes the mod at `index` (-1 or out of range: an empty description,
// which hides the optional buttons and clears the banners). `version` is the
// main window's version text.
ModDisplay DescribeMod(const ModCatalogue& catalogue, int index, std::string_view serviceRoot,
                       std::string_view version);

} // namespace switcher
