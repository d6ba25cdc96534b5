#pragma once

#include "gamelist/protocol/game_list_reply.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace switcher {

// The rows of the game list: entries of one reply, by index. The window
// keeps them while it shows them, so showing copies no entry.
struct ShownGames {
    std::shared_ptr<const gamelist::GameList> list;
    std::vector<std::uint32_t> rows;
};

// What the launcher's flows need of its window. Texts are ANSI bytes.
class LauncherView {
public:
    enum class Box { Ip, Username, Map, Comment };

    virtual ~LauncherView() = default;
    virtual std::string BoxText(Box box) const = 0;
    virtual void SetBoxText(Box box, const std::string& text) = 0;
    // The players box: its text, and the list entry that is selected (empty
    // when the text is not one of the list's entries).
    virtual std::string PlayersText() const = 0;
    virtual std::string PlayersSelection() const = 0;
    virtual void SetPlayersText(const std::string& text) = 0;
    virtual void SetWatcherCount(const std::string& count) = 0;
    // Replaces the class tree's nodes; `selected` is a node index.
    virtual void ShowClassNodes(const std::vector<std::string>& nodes) = 0;
    virtual void SelectClassNode(int node) = 0;
    virtual int SelectedClassNode() const = 0;
    // Replaces the game list's data rows: one row per shown entry with its
    // first seven fields, or one row of blanks when there is none.
    virtual void ShowRows(std::shared_ptr<const ShownGames> shown) = 0;
    // Whether the last reply held more than a list may keep.
    virtual void ShowListCut(bool cut) = 0;
    // The selected data row (0 for the first), or -1.
    virtual int SelectedRow() const = 0;
    // Red captions of Host and Refresh (locked), or silver.
    virtual void ShowLocked(bool locked) = 0;
    virtual void ShowBusyCursor(bool busy) = 0;
    // Ensures the refresh timer runs, without restarting a running one.
    virtual void EnsureTimerRuns() = 0;
    // Closes the window as soon as the event loop runs again.
    virtual void CloseSoon() = 0;
};

} // namespace switcher
