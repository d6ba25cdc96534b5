#pragma once

#include "monitor/inspect/error_report.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"
#include "monitor/shared_state.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The game checks of one machine: how many copies of the game run (each loads
// "n2text_dll.dll"), the player name from the game's sudtest.ini, whether the
// game has started (its game DLL is loaded), the kessit check of that DLL in
// memory and the SHA-256 of its file. Results go into the shared state.
namespace monitor {

inline constexpr char kGameCopyModule[] = "n2text_dll.dll";
inline constexpr char kNoGameName[] = "Name not available! ATTENTION!";
inline constexpr char kUnknownPlayerName[] = "ATTENTION! UNKNOWN PLAYERNAME!";
// Module names are compared on this many leading characters, in lower case.
inline constexpr std::size_t kModuleNameChars = 14;

// What the window does around a checksum. The file is read in 1 MiB blocks;
// DuringChecksum runs after each block (the window may handle events there;
// the busy flag keeps a second checksum from starting meanwhile).
struct ChecksumHooks {
    std::function<void()> StopTimer;
    std::function<void()> StartTimer;
    std::function<void()> DuringChecksum;
};

class GameScan {
public:
    GameScan(SharedState& state, ProcessInspector& inspector, KessitPort& kessit, ErrorReporter reporter);

    // The module name of the game DLL (before the first scan).
    void SetGameDllName(std::string name);
    // Digests (lower-case hex) of the genuine game DLL.
    void SetGenuineDigests(std::vector<std::string> digests);
    void SetChecksumHooks(ChecksumHooks hooks);
    // Limits the scan to processes the filter accepts (tests on a shared
    // machine look only at their own children). Default: every process.
    void SetProcessFilter(std::function<bool(std::uint32_t)> filter);
    // Tells, for the game's process, why its memory cannot be read (empty:
    // it can). Without it the scan assumes it can.
    void SetMemoryAccess(std::function<std::string(std::uint32_t)> notice);

    // Walks the processes and copies their IDs into the process ID list. The
    // next scan uses this walk instead of walking again.
    void RefreshProcessIds();
    void ScanGameProcesses();
    // Sets the checksum unless one is known or running. A file that cannot
    // be read leaves it not yet computed and reports an error line.
    void ChecksumGameDll(const std::string& path);
    // The key from the game's sudtest.ini, or the fallback when it is absent
    // or empty. Values are cut to 254 characters, as the game's reader does.
    std::string ReadGameIni(std::string_view section, std::string_view key, std::string_view fallback) const;

    const std::string& GameIniPath() const { return m_gameIniPath; }
    const std::string& GameDllPath() const { return m_gameDllPath; }
    int ChecksumBusy() const { return m_checksumBusy; }
    // Why kessit cannot read the running game's memory; empty when it can or
    // no game runs.
    const std::string& MemoryNotice() const { return m_memoryNotice; }
    const ProcessIdList& ProcessIds() const { return m_processIds; }

private:
    void CheckGameDll(const ModuleEntry& module);

    SharedState& m_state;
    ProcessInspector& m_inspector;
    KessitPort& m_kessit;
    ErrorReporter m_reporter;
    std::string m_gameDllKey;               // 14 characters, lower case, NUL-padded
    std::vector<std::string> m_soughtNames; // the two keys without their padding
    std::vector<std::string> m_genuine;
    ChecksumHooks m_hooks;
    std::function<bool(std::uint32_t)> m_filter;
    std::function<std::string(std::uint32_t)> m_memoryAccess;
    std::string m_memoryNotice;

    ProcessList m_processes;
    ProcessIdList m_processIds{};
    ModuleList m_modules;
    std::string m_gameIniPath;
    std::string m_gameDllPath;
    int m_checksumBusy = 0;
    std::optional<int> m_refreshedUpper; // the last refresh's walk, until a scan uses it
};

} // namespace monitor
