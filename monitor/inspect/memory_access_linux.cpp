#include "monitor/inspect/memory_access.h"

#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace monitor {
namespace {

constexpr int kCapSysPtrace = 19;
// Enough for any real chain from a monitor down to the game.
constexpr int kMaxAncestors = 64;

int ReadScope() {
    std::ifstream file("/proc/sys/kernel/yama/ptrace_scope");
    int scope = 0;
    return file >> scope ? scope : 0;
}

bool HasCapSysPtrace() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) != 0)
            continue;
        std::uint64_t caps = 0;
        std::istringstream(line.substr(7)) >> std::hex >> caps;
        return (caps >> kCapSysPtrace) & 1u;
    }
    return false;
}

// The parent of a process from its stat file: the field after the name in
// parentheses (the name itself may hold blanks and parentheses).
long ParentOf(long pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), {});
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(stat.substr(close + 1));
    char state = 0;
    long parent = 0;
    return rest >> state >> parent ? parent : 0;
}

bool IsDescendantOfSelf(long pid) {
    const long self = getpid();
    for (int i = 0; i < kMaxAncestors && pid > 1; ++i) {
        pid = ParentOf(pid);
        if (pid == self)
            return true;
    }
    return false;
}

} // namespace

PtraceFacts ReadPtraceFacts(std::uint32_t pid) {
    PtraceFacts facts;
    facts.Scope = ReadScope();
    facts.MayTraceAny = HasCapSysPtrace();
    facts.IsDescendant = IsDescendantOfSelf(static_cast<long>(pid));
    return facts;
}

} // namespace monitor
