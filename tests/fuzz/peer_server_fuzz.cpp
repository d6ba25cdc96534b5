// A server monitor fed arbitrary bytes by one joiner, in arbitrary pieces:
// it keeps only report-shaped entries without control bytes, never holds
// more than its read cap,
// keeps its other joiner's link, and every frame it relays is well formed.
#include "monitor/peers/frame.h"
#include "tests/monitor/engine_fixture.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace monitortest;
    EngineRig rig;
    rig.ServerWithJoiners(2);
    std::size_t at = 0;
    // The first byte of each piece gives its length.
    while (at < size && rig.sockets[1].state == monitor::SocketState::Connected) {
        const std::size_t count = std::min<std::size_t>(1 + data[at] % 64, size - at - 1);
        rig.sockets.ArriveAll(rig.engine, 1,
                              std::string_view(reinterpret_cast<const char*>(data) + at + 1, count));
        if (rig.sockets[1].unread.size() > monitor::kServerReadCap + 64)
            __builtin_trap();
        at += 1 + count;
    }
    const std::string& entry = rig.State().PeerTable[1];
    if (entry != "Empty" && !monitor::HasReportShape(entry))
        __builtin_trap();
    for (char c : entry) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            __builtin_trap();
    }
    if (rig.sockets[2].state != monitor::SocketState::Connected)
        __builtin_trap();
    rig.engine.Tick();
    const std::string sent = rig.sockets.TakeSent(2);
    std::size_t framed = 0;
    for (const auto& payload : Payloads(sent))
        framed += payload.size() + 2;
    if (framed != sent.size() || Payloads(sent).size() != 31)
        __builtin_trap();
    return 0;
}
