#pragma once

#include <cstdint>
#include <string>

// Whether this monitor may read the game's memory, which kessit's check of
// the loaded game DLL needs. On Linux, Yama's ptrace_scope can forbid it
// (Ubuntu sets 1: a program may read only the memory of its own
// descendants); the check then has no answer, and the window says why.
namespace monitor {

struct PtraceFacts {
    int Scope = 0;             // kernel.yama.ptrace_scope; 0 without Yama
    bool MayTraceAny = false;  // CAP_SYS_PTRACE
    bool IsDescendant = false; // the game was started below this monitor
};

// The notice for the window when the game's memory cannot be read; empty
// when it can.
std::string MemoryAccessNotice(const PtraceFacts& facts);

// The facts for process `pid` on this machine (Windows sets no such limit).
PtraceFacts ReadPtraceFacts(std::uint32_t pid);

} // namespace monitor
