#include "monitor/inspect/memory_access.h"

namespace monitor {

std::string MemoryAccessNotice(const PtraceFacts& facts) {
    const bool allowed = facts.Scope <= 0 ||
                         (facts.Scope == 1 && (facts.MayTraceAny || facts.IsDescendant)) ||
                         (facts.Scope == 2 && facts.MayTraceAny);
    if (allowed)
        return {};
    return "Memory check blocked (ptrace_scope " + std::to_string(facts.Scope) + ")";
}

} // namespace monitor
