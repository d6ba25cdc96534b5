#include "monitor/inspect/game_scan.h"

#include "common/ascii_case.h"
#include "common/file_system.h"
#include "common/ini_file.h"
#include "monitor/inspect/inspect_faults.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/inspect/kessit_call.h"
#include "monitor/inspect/sha256.h"
#include "monitor/printable_text.h"

#include <algorithm>

namespace monitor {
namespace {

// The comparison key of a name: its first 14 characters in lower case, NULs
// included, so that a shorter name only matches a module of exactly that name.
template <typename Text> std::string NameKey(const Text& name, std::size_t length) {
    std::string key(kModuleNameChars, '\0');
    for (std::size_t i = 0; i < kModuleNameChars && i < length; ++i) {
        key[i] = common::LowerAscii(name[i]);
    }
    return key;
}

constexpr std::size_t kGameIniReadLimit = 254;

} // namespace

GameScan::GameScan(SharedState& state, ProcessInspector& inspector, KessitPort& kessit,
                   ErrorReporter reporter)
    : m_state(state), m_inspector(inspector), m_kessit(kessit), m_reporter(std::move(reporter)) {
    SetGameDllName(kDefaultGameDllName);
}

void GameScan::SetGameDllName(std::string name) {
    m_gameDllKey = NameKey(name, name.size());
    // What a module's name must begin with to match a key: the key up to its
    // padding. The walk may leave out every other module.
    const std::string copyKey = NameKey(std::string(kGameCopyModule), sizeof kGameCopyModule - 1);
    m_soughtNames = {copyKey.substr(0, copyKey.find('\0')), m_gameDllKey.substr(0, m_gameDllKey.find('\0'))};
}

void GameScan::SetGenuineDigests(std::vector<std::string> digests) {
    m_genuine = std::move(digests);
}

void GameScan::SetMemoryAccess(std::function<std::string(std::uint32_t)> notice) {
    m_memoryAccess = std::move(notice);
}

void GameScan::SetChecksumHooks(ChecksumHooks hooks) {
    m_hooks = std::move(hooks);
}

void GameScan::SetProcessFilter(std::function<bool(std::uint32_t)> filter) {
    m_filter = std::move(filter);
}

void GameScan::RefreshProcessIds() {
    m_refreshedUpper = monitor::RefreshProcessIds(m_inspector, m_processes, m_processIds);
}

void GameScan::ScanGameProcesses() {
    static const std::string copyKey = NameKey(std::string(kGameCopyModule), sizeof kGameCopyModule - 1);
    m_state.SustStateCode = kNoSust;
    // The scan reads the IDs that the refresh copied. Right after a refresh
    // its walk is the count to use: a second walk would cost another listing
    // of all processes, and a longer one would reach slots the refresh did
    // not fill.
    int n = 0;
    if (m_refreshedUpper) {
        n = *m_refreshedUpper;
        m_refreshedUpper.reset();
    } else {
        n = m_inspector.Process32_Enum(m_processes);
    }
    m_state.GameStateCode = kGameNotStarted;
    m_state.PlayerName = kNoGameName;
    m_state.KessitResult = KessitOutcome::NoResult;

    const int last = std::min(n, static_cast<int>(kProcessIdSlots) - 1);
    for (int j = 0; j <= last; ++j) {
        const std::uint32_t pid = m_processIds[static_cast<std::size_t>(j)];
        if (m_filter && !m_filter(pid)) {
            continue;
        }
        const int m = m_inspector.Module32_EnumNamed(m_modules, pid, m_soughtNames);
        for (int i = 0; i <= m; ++i) {
            const ModuleEntry& module = m_modules[static_cast<std::size_t>(i)];
            const std::string key = NameKey(module.Name, module.Name.size());
            if (key == copyKey) {
                ++m_state.SustStateCode;
                // The directory of the module: the path without its 14-character name.
                const std::string path = FieldText(module.Path);
                const std::size_t keep = path.size() >= kModuleNameChars ? path.size() - kModuleNameChars : 0;
                m_gameIniPath = path.substr(0, keep) + "..\\..\\sudtest.ini";
                m_state.PlayerName = WithoutControlBytes(ReadGameIni("Game", "Player0", kUnknownPlayerName));
            }
            if (key == m_gameDllKey) {
                CheckGameDll(module);
            }
        }
    }
    if (m_state.GameStateCode == kGameNotStarted) {
        m_state.DllChecksum.reset();
        m_state.DllGenuine = false;
        m_memoryNotice.clear();
    }
}

void GameScan::CheckGameDll(const ModuleEntry& module) {
    std::string baseText = std::to_string(module.BaseAddress);
    std::string sizeText = std::to_string(module.BaseSize);
    std::string pidText = std::to_string(module.ProcessId);
    m_memoryNotice = m_memoryAccess ? m_memoryAccess(module.ProcessId) : std::string();
    const KessitAnswer answer = m_kessit.Check(baseText, sizeText, pidText);
    if (answer == KessitAnswer::Failed ||
        (answer == KessitAnswer::Passed && m_state.KessitResult == KessitOutcome::Failed)) {
        m_state.KessitResult = KessitOutcome::Failed;
    } else if (answer == KessitAnswer::Passed) {
        m_state.KessitResult = KessitOutcome::Passed;
    }
    m_gameDllPath = FieldText(module.Path);
    ChecksumGameDll(m_gameDllPath);
    m_state.GameStateCode = kGameStarted;
}

void GameScan::ChecksumGameDll(const std::string& path) {
    if (m_checksumBusy == 1 || m_state.DllChecksum) {
        return;
    }
    m_checksumBusy = 1;
    if (m_hooks.StopTimer) {
        m_hooks.StopTimer();
    }
    // A fault (a failed allocation) leaves the DLL unchecked, and reported.
    common::Result<std::string> digest = common::Failure{};
    try {
        digest = FileSha256(common::ResolvePath(path), m_hooks.DuringChecksum);
    } catch (const std::exception& fault) {
        ReportFault(m_reporter, kScanModule, "ChecksumGameDll", fault);
    }
    m_checksumBusy = 0;
    if (digest) {
        // The one place that decides whether the game DLL is genuine: its
        // file's SHA-256 is one of the digests in varnok.ini. Others see the
        // same fact under other names: the report's DLL code (384 genuine,
        // 381 not; status_report.h), the warning "DLL not Original on ..."
        // (evaluation.cpp), and the label Correct, which reads "Checked !"
        // once a digest has been computed.
        m_state.DllJudged = !m_genuine.empty();
        m_state.DllGenuine = std::find(m_genuine.begin(), m_genuine.end(), *digest) != m_genuine.end();
        m_state.DllChecksum = std::move(*digest);
    } else if (!digest.Error().Text.empty()) {
        ReportError(m_reporter, digest.Error().Number, kScanModule, "ChecksumGameDll", digest.Error().Text);
    }
    if (m_hooks.StartTimer) {
        m_hooks.StartTimer();
    }
}

std::string GameScan::ReadGameIni(std::string_view section, std::string_view key,
                                  std::string_view fallback) const {
    if (m_gameIniPath.empty()) {
        return std::string(fallback);
    }
    std::string value = common::IniFile(m_gameIniPath).ReadString(section, key, "");
    if (value.size() > kGameIniReadLimit) {
        value.resize(kGameIniReadLimit);
    }
    return value.empty() ? std::string(fallback) : value;
}

} // namespace monitor
