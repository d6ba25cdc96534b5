#include "monitor/inspect/process_inspector.h"

namespace monitor {

int RefreshProcessIds(ProcessInspector& inspector, ProcessList& processes, ProcessIdList& ids) {
    const int n = inspector.Process32_Enum(processes);
    for (int i = 0; i <= n && static_cast<std::size_t>(i) < ids.size(); ++i) {
        ids[static_cast<std::size_t>(i)] = processes[static_cast<std::size_t>(i)].ProcessId;
    }
    return n;
}

} // namespace monitor
