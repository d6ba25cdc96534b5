#pragma once

#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"
#include "monitor/shared_state.h"
#include "tests/monitor/inspect/inspect_test_platform.h"

#include <cstdint>
#include <memory>
#include <set>

namespace testsupport {

// The monitor's game scan over this machine's real processes, with kessit
// bound from the build's program directory. Other programs (and other tests)
// may run stand-in games at the same time, so the scan looks only at the
// processes the test watches.
struct GameScanRig {
    monitor::SharedState state;
    std::unique_ptr<monitor::ProcessInspector> inspector = monitor::MakeProcessInspector({});
    std::unique_ptr<monitor::KessitPort> kessit =
        monitor::MakeKessitBinding({}, inspecttest::BinDirectory() + inspecttest::KessitLibraryName());
    monitor::GameScan scan{state, *inspector, *kessit, {}};
    std::set<std::uint32_t> children;

    GameScanRig() {
        scan.SetProcessFilter([this](std::uint32_t pid) { return children.count(pid) > 0; });
    }
    void Watch(std::uint32_t pid) { children.insert(pid); }
    // What the monitor's tick does with the game: the process list, then the scan.
    void Tick() {
        scan.RefreshProcessIds();
        scan.ScanGameProcesses();
    }
};

} // namespace testsupport
