#pragma once

#include "common/message_sink.h"
#include "switcher/catalogue.h"
#include "switcher/lang/language_table.h"
#include "switcher/launch.h"
#include "switcher/multiplayer/game_list_client.h"
#include "switcher/multiplayer/launcher_view.h"
#include "switcher/options/options_view.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace switcher {

// What the launcher's flows work with; everything must outlive them.
struct LauncherContext {
    const LanguageTable& language;
    common::MessageSink& sink;
    GameListClient& client;
    Launcher& launcher;
    const ModCatalogue& catalogue;
    std::function<int()> selectedMod; // catalogue index of the current mod, or -1
    const OptionsView& options;
    std::string programDirectory; // with a trailing separator
    std::function<std::string()> serviceRoot;
};

// The multiplayer launcher's rules: the game list and its class filter, the
// locks of Refresh and Host until the next timer tick, joining and hosting,
// and the host boxes kept in switcher.ini.
class LauncherFlows {
public:
    LauncherFlows(LauncherContext context, LauncherView& view);

    void Open();
    // `after` runs when the refresh has shown its list (for Open).
    void Refresh(std::function<void()> after = {});
    void ApplyFilter();
    void Join();
    // `after` runs when the host step is done: the post answered, the game
    // launched (when it is to be) and the list refreshed.
    void Host(std::function<void()> after = {});
    void WaitAndChat();
    void Tick();
    void Close();

    // The data row's entry (the blank entry for the blank row or no row).
    GameListEntry ShownEntry(int row) const;
    const GameList& Entries() const { return *m_entries; }
    // The shown rows, as indexes into Entries().
    const std::vector<std::uint32_t>& Shown() const { return m_shown->rows; }
    const std::vector<std::string>& Classes() const { return m_classes; }
    bool RefreshLocked() const { return m_refreshLocked; }
    bool HostLocked() const { return m_hostLocked; }
    bool Busy() const { return m_busy; }

    // The host name of the service address (no scheme, port or path).
    static std::string ServiceHostName(std::string_view root);
    // The download page of a listed class, or empty when the class is not a
    // plain name (ASCII letters, digits, '_' and '-'): the class comes from
    // the service and must not reach into the address's path or query.
    static std::string ModDownloadAddress(std::string_view root, std::string_view modClass);
    // The class tree's node texts for a reply's classes and entries: the
    // entries are counted in one pass, whatever the number of classes.
    static std::vector<std::string> ClassNodes(const std::vector<std::string>& classes,
                                               const GameList& entries);
    // The indexes of the entries of `modClass` (without regard to ASCII
    // case), or of all entries when `all`.
    static std::vector<std::uint32_t> FilterRows(const GameList& entries, bool all,
                                                 std::string_view modClass);

private:
    const ModRecord& CurrentMod() const;
    void FinishRefresh(const std::function<void()>& after);
    void LockAndShow(const std::function<void()>& after);
    void PreselectModClass();
    // False after showing "Unable to write to " + path.
    bool WriteHostList();
    std::string SwitcherIni() const;

    LauncherContext m_context;
    LauncherView& m_view;

    std::shared_ptr<const GameList> m_entries = std::make_shared<GameList>();
    std::vector<std::string> m_classes;
    std::shared_ptr<ShownGames> m_shown = std::make_shared<ShownGames>();
    bool m_busy = false;
    bool m_refreshLocked = false;
    bool m_hostLocked = false;
    bool m_openingRefresh = false;
    bool m_hostLaunched = false;
    bool m_ownAddressFailed = false;
};

inline constexpr const char* kAuthorCredit = "zandrel team";
// The most host addresses a join writes into the game's settings.
inline constexpr std::size_t kMaxHostNames = 256;

} // namespace switcher
