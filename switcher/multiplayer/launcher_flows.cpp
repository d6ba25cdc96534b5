#include "switcher/multiplayer/launcher_flows.h"

#include "common/ascii_case.h"
#include "common/file_system.h"
#include "common/ini_document.h"
#include "common/ini_file.h"
#include "switcher/join_address.h"
#include "switcher/options/switcher_settings.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <utility>

namespace switcher {
namespace {

constexpr const char* kSection = "launcher";
using Field = GameListEntry::Field;

GameListEntry BlankEntry() {
    GameListEntry e;
    for (auto& f : e.fields)
        f = " ";
    return e;
}

bool IsPlainName(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-';
    });
}

// Classes compare without regard to ASCII case, and without a copy: the
// filter runs over every entry of a list at each refresh.
bool SameClass(std::string_view a, std::string_view b) {
    return common::EqualsIgnoringAsciiCase(a, b);
}

// The integer at the start of a profile value, as the profile functions read
// integers: optional sign and decimal digits; anything else reads 0.
long long LeadingInteger(std::string_view text) {
    long long value = 0;
    const char* begin = text.data();
    if (!text.empty() && text.front() == '+')
        ++begin;
    std::from_chars(begin, text.data() + text.size(), value);
    return value;
}

} // namespace

LauncherFlows::LauncherFlows(LauncherContext context, LauncherView& view)
    : m_context(std::move(context)), m_view(view) {}

const ModRecord& LauncherFlows::CurrentMod() const {
    return m_context.catalogue.Record(m_context.selectedMod());
}

std::string LauncherFlows::SwitcherIni() const {
    return SwitcherIniPath(m_context.programDirectory);
}

void LauncherFlows::Open() {
    m_view.ShowBusyCursor(true);
    const common::IniFile ini(SwitcherIni());
    m_view.SetBoxText(LauncherView::Box::Username, ini.ReadString(kSection, "username", "moduser"));
    m_view.SetBoxText(LauncherView::Box::Map, ini.ReadString(kSection, "map", "Anymap"));
    m_view.SetPlayersText(ini.ReadString(kSection, "players", "1vs1"));
    m_view.SetBoxText(LauncherView::Box::Comment, ini.ReadString(kSection, "comment", ""));
    m_refreshLocked = false;
    m_ownAddressFailed = false;
    m_context.client.FetchOwnAddress([this](std::optional<std::string> address) {
        if (!address) {
            m_ownAddressFailed = true;
            m_context.sink.ShowMessage(ExpandBreaks(m_context.language.Text(Lang::MplayErrror3)));
            m_view.CloseSoon();
            return;
        }
        m_view.SetBoxText(LauncherView::Box::Ip, *address);
        m_openingRefresh = true;
        Refresh([this] {
            PreselectModClass();
            ApplyFilter();
        });
    });
}

void LauncherFlows::Refresh(std::function<void()> after) {
    if (m_busy) {
        // A refresh waits for its reply: this one only locks and filters.
        LockAndShow(after);
        return;
    }
    m_busy = true;
    if (m_refreshLocked) {
        FinishRefresh(after);
        return;
    }
    m_view.ShowLocked(true);
    m_view.ShowBusyCursor(true);
    m_context.client.FetchGameList([this, after](GameListReply reply) {
        // An incomplete reply leaves an empty list and the shown address and
        // count as they were.
        if (reply.complete) {
            m_view.SetBoxText(LauncherView::Box::Ip, reply.ownAddress);
            m_view.SetWatcherCount(reply.watchers);
        }
        m_classes = std::move(reply.classes);
        m_entries = std::make_shared<const GameList>(std::move(reply.entries));
        m_view.ShowListCut(reply.cut);
        FinishRefresh(after);
    });
}

void LauncherFlows::FinishRefresh(const std::function<void()>& after) {
    m_view.ShowClassNodes(ClassNodes(m_classes, *m_entries));
    m_busy = false;
    LockAndShow(after);
}

void LauncherFlows::LockAndShow(const std::function<void()>& after) {
    if (!m_openingRefresh) {
        m_refreshLocked = true;
        m_hostLocked = true;
        m_view.EnsureTimerRuns();
        m_view.ShowLocked(true);
        m_view.ShowBusyCursor(true);
    }
    m_openingRefresh = false;
    PreselectModClass();
    ApplyFilter();
    if (after)
        after();
}

std::vector<std::string> LauncherFlows::ClassNodes(const std::vector<std::string>& classes,
                                                   const GameList& entries) {
    // Entries per lower-case class name, counted once for all nodes.
    std::unordered_map<std::string, std::size_t> counts;
    counts.reserve(classes.size());
    for (const auto& c : classes)
        counts.emplace(LowerAscii(c), 0);
    std::string lower;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        lower.assign(entries.Field(i, Field::Class));
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return common::LowerAscii(c); });
        if (const auto found = counts.find(lower); found != counts.end())
            ++found->second;
    }
    std::vector<std::string> nodes;
    nodes.reserve(classes.size() + 1);
    nodes.push_back("Any Mod (" + std::to_string(entries.size()) + ")");
    for (const auto& c : classes)
        nodes.push_back(UpperAscii(c + " (" + std::to_string(counts[LowerAscii(c)]) + ")"));
    return nodes;
}

void LauncherFlows::PreselectModClass() {
    const std::string modClass = CurrentMod().Class;
    int node = 0;
    for (std::size_t i = 0; i < m_classes.size(); ++i)
        if (SameClass(m_classes[i], modClass))
            node = static_cast<int>(i) + 1;
    m_view.SelectClassNode(node);
}

std::vector<std::uint32_t> LauncherFlows::FilterRows(const GameList& entries, bool all,
                                                     std::string_view modClass) {
    std::vector<std::uint32_t> rows;
    rows.reserve(all ? entries.size() : 0);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (all || SameClass(entries.Field(i, Field::Class), modClass))
            rows.push_back(static_cast<std::uint32_t>(i));
    return rows;
}

void LauncherFlows::ApplyFilter() {
    const int node = m_view.SelectedClassNode();
    const bool all = node <= 0 || static_cast<std::size_t>(node) > m_classes.size();
    auto shown = std::make_shared<ShownGames>();
    shown->list = m_entries;
    shown->rows =
        FilterRows(*m_entries, all, all ? std::string_view() : m_classes[static_cast<std::size_t>(node) - 1]);
    m_shown = shown;
    m_view.ShowRows(std::move(shown));
}

GameListEntry LauncherFlows::ShownEntry(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_shown->rows.size())
        return BlankEntry();
    return (*m_entries)[m_shown->rows[static_cast<std::size_t>(row)]].Copy();
}

void LauncherFlows::Join() {
    const int row = m_view.SelectedRow();
    const GameListEntry entry = ShownEntry(row < 0 ? 0 : row);
    if (!SameClass(CurrentMod().Class, entry[Field::Class])) {
        const LanguageTable& t = m_context.language;
        m_context.sink.ShowMessage(ExpandBreaks(t.Text(Lang::MplayErrror1)) +
                                   UpperAscii(entry[Field::Class]) + " " +
                                   ExpandBreaks(t.Text(Lang::MplayErrror2)));
        return;
    }
    // A failed write has shown its message; the game would start with a stale list.
    if (m_context.options.FetchAll() && !WriteHostList())
        return;
    m_context.launcher.LaunchGame(m_context.options.FetchSelectedIp() ? entry[Field::IP] : "");
}

// The shown addresses go into the game's settings as HostName0..HostName(R-1)
// with an empty HostNameR. The values come from the service, so only those
// that pass the join-address check are written; a line feed in a field could
// otherwise add keys or sections to the game's settings. Others are written
// empty and keep their numbers. The whole change is made in memory and
// stored with one atomic write, and at most kMaxHostNames addresses are
// written, so a hostile list of many entries cannot stall the join.
bool LauncherFlows::WriteHostList() {
    const std::string path =
        common::ResolvePath(m_context.programDirectory + CurrentMod().GameWorkingDir + "sudtest.ini");
    std::string bytes;
    if (common::FileExists(path) && !common::ReadWholeFile(path, bytes, common::IniFile::kMaxFileSize)) {
        m_context.sink.ShowMessage(UnableToWriteMessage(path));
        return false;
    }
    common::IniDocument doc;
    doc.Parse(std::move(bytes));
    const auto edit = [&doc](std::optional<std::string> changed) {
        if (changed)
            doc.Parse(std::move(*changed));
    };
    const long long upb = LeadingInteger(doc.Read("Game", "HostNamesUpb", "0"));
    if (upb >= 0) {
        // Only keys that exist can be deleted: going by the names present
        // keeps a huge stored bound from becoming a huge loop.
        for (const std::string& key : doc.KeyNames("Game")) {
            if (key.size() <= 8 || LowerAscii(key.substr(0, 8)) != "hostname")
                continue;
            const std::string_view digits = std::string_view(key).substr(8);
            long long n = -1;
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
            if (error == std::errc() && end == digits.data() + digits.size() && n >= 0 && n <= upb &&
                std::to_string(n) == digits)
                edit(doc.DeleteKey("Game", key));
        }
    }
    const std::size_t rows =
        std::min(m_shown->rows.empty() ? std::size_t(1) : m_shown->rows.size(), kMaxHostNames);
    edit(doc.Write("Game", "HostNamesUpb", std::to_string(rows)));
    for (std::size_t i = 0; i <= rows; ++i) {
        std::string value;
        if (i < rows) {
            const GameListEntry entry = ShownEntry(static_cast<int>(i));
            if (IsValidJoinAddress(entry[Field::IP]))
                value = entry[Field::IP];
        }
        edit(doc.Write("Game", "HostName" + std::to_string(i), value));
    }
    if (!common::WriteFileAtomically(path, doc.Bytes())) {
        m_context.sink.ShowMessage(UnableToWriteMessage(path));
        return false;
    }
    return true;
}

void LauncherFlows::Host(std::function<void()> after) {
    if (m_hostLocked) {
        Refresh(std::move(after));
        return;
    }
    m_hostLocked = true;
    HostedGame game;
    game.name = m_view.BoxText(LauncherView::Box::Username);
    game.map = m_view.BoxText(LauncherView::Box::Map);
    game.ip = m_view.BoxText(LauncherView::Box::Ip);
    game.version = CurrentMod().Acronym;
    game.gameClass = LowerAscii(CurrentMod().Class);
    game.players = m_view.PlayersText();
    game.note = m_view.BoxText(LauncherView::Box::Comment);
    m_context.client.PostHostedGame(game, [this, after = std::move(after)](bool) {
        if (m_context.options.LaunchWhenHost() && !m_hostLaunched) {
            m_context.launcher.LaunchGame("");
            m_hostLaunched = true;
        }
        Refresh(after);
    });
}

void LauncherFlows::WaitAndChat() {
    m_context.sink.ShowMessage(ExpandBreaks(m_context.language.Text(Lang::MplayStayInChatMsg)));
    m_view.SetBoxText(LauncherView::Box::Map, "(No game)");
    m_view.SetBoxText(LauncherView::Box::Comment,
                      "Looking for game, waiting in " + ServiceHostName(m_context.serviceRoot()) + "/chat/");
    // The chat comes last, so the game is announced and the list shows it.
    Host([this] { m_context.launcher.FireOnChat(); });
}

void LauncherFlows::Tick() {
    m_refreshLocked = false;
    m_hostLocked = false;
    m_view.ShowLocked(false);
    m_view.ShowBusyCursor(false);
}

void LauncherFlows::Close() {
    common::IniFile ini(SwitcherIni());
    const std::pair<const char*, std::string> values[] = {
        {"players", m_view.PlayersSelection()},
        {"username", m_view.BoxText(LauncherView::Box::Username)},
        {"map", m_view.BoxText(LauncherView::Box::Map)},
        {"comment", m_view.BoxText(LauncherView::Box::Comment)},
        {"Author", kAuthorCredit}};
    for (const auto& [key, value] : values) {
        if (!ini.WriteString(kSection, key, value)) {
            m_context.sink.ShowMessage(UnableToWriteMessage(ini.Path()));
            break;
        }
    }
    m_ownAddressFailed = false;
}

std::string LauncherFlows::ServiceHostName(std::string_view root) {
    if (const std::size_t scheme = root.find("://"); scheme != std::string_view::npos)
        root.remove_prefix(scheme + 3);
    if (const std::size_t at = root.find_first_of("/?#"); at != std::string_view::npos)
        root = root.substr(0, at);
    if (const std::size_t at = root.rfind('@'); at != std::string_view::npos)
        root.remove_prefix(at + 1);
    if (!root.empty() && root.front() == '[') {
        const std::size_t close = root.find(']');
        return std::string(root.substr(0, close == std::string_view::npos ? root.size() : close + 1));
    }
    return std::string(root.substr(0, root.find(':')));
}

std::string LauncherFlows::ModDownloadAddress(std::string_view root, std::string_view modClass) {
    if (!IsPlainName(modClass))
        return {};
    return std::string(root) + "/vqx/mod_download.php?class=" + LowerAscii(modClass);
}

} // namespace switcher
