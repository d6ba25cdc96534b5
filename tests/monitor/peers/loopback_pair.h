#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A connected TCP pair on loopback for tests of the links: the client end
// (blocking) and the accepted end's descriptor (one file per platform).
namespace peerstest {

struct LoopbackPair {
    std::intptr_t client = -1;
    std::intptr_t accepted = -1;
};

LoopbackPair MakeLoopbackPair();
// Sends all bytes; false on failure.
bool SendAll(std::intptr_t descriptor, const std::string& bytes);
// Receives up to `size` bytes, blocking; 0 at the end, -1 on failure.
long ReceiveSome(std::intptr_t descriptor, char* buffer, std::size_t size);
void CloseEnd(std::intptr_t descriptor);
void SleepMilliseconds(int ms);

} // namespace peerstest
