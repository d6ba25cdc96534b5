// A joiner monitor fed arbitrary bytes by its server, in arbitrary pieces:
// the peer table keeps its 61 slots, each entry fits one frame and holds no
// control byte, and the buffer never grows beyond the read cap.
#include "monitor/peers/frame.h"
#include "tests/monitor/engine_fixture.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace monitortest;
    EngineRig rig;
    rig.JoinerConnectedTo("198.51.100.1");
    std::size_t at = 0;
    while (at < size && rig.sockets[0].state == monitor::SocketState::Connected) {
        const std::size_t count = std::min<std::size_t>(1 + data[at] % 128, size - at - 1);
        rig.sockets.ArriveAll(rig.engine, 0,
                              std::string_view(reinterpret_cast<const char*>(data) + at + 1, count));
        if (rig.sockets[0].unread.size() > monitor::kJoinerReadCap + 128)
            __builtin_trap();
        at += 1 + count;
    }
    for (const auto& entry : rig.State().PeerTable) {
        if (entry.size() > monitor::kMaxPayload)
            __builtin_trap();
        for (char c : entry) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                __builtin_trap();
        }
    }
    rig.engine.Tick();
    return 0;
}
