#include "switcher/mod_display.h"

#include "common/file_system.h"

namespace switcher {

ModDisplay DescribeMod(const ModCatalogue& catalogue, int index, std::string_view serviceRoot,
                       std::string_view version) {
    const ModRecord& mod = catalogue.Record(index);
    ModDisplay d;
    d.name = mod.Name;
    d.launcherName = "Host a game of " + d.name;
    // Banner paths are relative to the current directory, the program directory.
    const std::string& banner = mod.BannerPath;
    if (!banner.empty() && common::FileExists(banner))
        d.bannerPath = banner;
    d.newsUrl = std::string(serviceRoot) + "/vqx/anymodnews.php?version=" + std::string(version) +
                "&class=" + catalogue.ClassOf(index);
    d.modSetupVisible = !mod.modSetup.empty();
    d.rankingVisible = !mod.LigaUrl.empty();
    return d;
}

} // namespace switcher
