#include "monitor/inspect/tcp_table.h"
#include "tests/monitor/engine_fixture.h"
#include "tests/monitor/loopback_links.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using monitor::TcpRow;
using monitortest::Row;

namespace {

using Candidates = std::array<std::string, monitor::kCandidateSlots>;

Candidates Analyse(const std::vector<TcpRow>& rows, bool server = false, std::string_view dialUp = "") {
    Candidates slots;
    slots.fill("0");
    monitor::AnalyseTcpTable(rows, server, monitor::kDefaultMonitorPort, dialUp, slots);
    return slots;
}

// The analysis as first described: each nominating row counts the whole table.
Candidates Quadratic(const std::vector<TcpRow>& rows) {
    Candidates slots;
    slots.fill("0");
    std::size_t c = 0;
    for (const TcpRow& row : rows) {
        const int lp = monitor::PortFromBytes(row.LocalPort);
        const int rp = row.State == 5 ? monitor::PortFromBytes(row.RemotePort) : 0;
        const std::string ra = monitor::AddressText(row.RemoteAddress);
        const bool game = (lp >= 2300 && lp <= 2400) || (rp >= 2300 && rp <= 2400);
        if (ra == "0.0.0.0" || !game || c >= slots.size())
            continue;
        int count = 0;
        for (const TcpRow& other : rows) {
            const int orp = other.State == 5 ? monitor::PortFromBytes(other.RemotePort) : 0;
            if (monitor::AddressText(other.RemoteAddress) == ra && orp != 0 && orp != 12125 &&
                monitor::PortFromBytes(other.LocalPort) != 12125)
                ++count;
        }
        slots[c] = ra;
        if (count >= 2)
            ++c;
        else
            slots[c] = "0";
    }
    return slots;
}

} // namespace

TEST(AnalyseTcpTable, FindsTheGamesHost) {
    const std::array<std::uint8_t, 4> host{198, 51, 100, 1};
    EXPECT_EQ(Analyse({Row(host, 40000, 443), Row(host, 40001, 80)})[0], "0") << "no game port";

    const auto three = Analyse({Row(host, 2350, 40000), Row(host, 40001, 47624), Row(host, 40002, 47625)});
    EXPECT_EQ(three[0], "198.51.100.1");
    EXPECT_EQ(three[1], "0");

    EXPECT_EQ(Analyse({Row(host, 40000, 2300)})[0], "0") << "count 1";
    EXPECT_EQ(Analyse({Row(host, 40000, 2300), Row(host, 12125, 5000)})[0], "0") << "own port, local";
    EXPECT_EQ(Analyse({Row(host, 40000, 2300), Row(host, 40001, 12125)})[0], "0") << "own port, remote";
    EXPECT_EQ(Analyse({Row(host, 40000, 2300), Row(host, 40001, 2301, 4)})[0], "0") << "not established";
    EXPECT_EQ(Analyse({Row({0, 0, 0, 0}, 2300, 0, 2), Row({0, 0, 0, 0}, 2301, 0, 2)})[0], "0") << "listening";
    EXPECT_EQ(Analyse({Row(host, 40000, 2300), Row(host, 40001, 2300)}, true)[0], "0") << "server";
    EXPECT_EQ(Analyse({Row(host, 40000, 2300), Row(host, 40001, 2300)}, false, "198.51.100.1")[0], "0");

    // Loopback and LAN addresses are not excluded; each nominating row fills a slot.
    const auto loop = Analyse({Row({127, 0, 0, 1}, 40000, 2300), Row({127, 0, 0, 1}, 40001, 2300)});
    EXPECT_EQ(loop[0], "127.0.0.1");
    EXPECT_EQ(loop[1], "127.0.0.1");
    EXPECT_EQ(loop[2], "0");
}

TEST(AnalyseTcpTable, StopsAfterTheLastSlotAndAgreesWithTheQuadraticPass) {
    std::vector<TcpRow> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(Row({198, 51, 100, static_cast<std::uint8_t>(i)}, 2300, 50000 + i));
    for (int i = 0; i < 40; ++i)
        many.push_back(Row({198, 51, 100, static_cast<std::uint8_t>(i)}, 40000 + i, 50000 + i));
    const auto slots = Analyse(many);
    EXPECT_EQ(slots[28], "198.51.100.28");
    EXPECT_EQ(slots, Quadratic(many));

    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<TcpRow> rows;
        const int n = static_cast<int>(random() % 60);
        for (int i = 0; i < n; ++i) {
            const int ports[] = {2299, 2300, 2400, 2401, 12125, 47000, 0};
            rows.push_back(Row({10, 0, 0, static_cast<std::uint8_t>(random() % 4)}, ports[random() % 7],
                               ports[random() % 7], random() % 3 ? 5u : 2u));
        }
        ASSERT_EQ(Analyse(rows), Quadratic(rows)) << "round " << round;
    }
}

TEST(ParseProcNetTcp, ReadsCapturedTextInTheWindowsNumbering) {
    // Captured from a machine with a listener, a game link and a monitor link.
    const std::string text =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
        "   0: 00000000:2F5D 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 1192 1 "
        "00000000b958cee5 100 0 0 10 0\n"
        "   1: 0A02000A:9C40 016433C6:08FC 01 00000000:00000000 02:000A7D2C 00000000  1000        0 81723 2 "
        "0000000064e4a4b1 20 4 30 10 -1\n"
        "  12: 0100007F:A3B2 0100007F:2F5D 06 00000000:00000000 03:00001770 00000000     0        0 0 3 "
        "00000000c2ab9a1f\n"
        "garbage line\n"
        "  13: 0100007F:ZZZZ 0100007F:2F5D 01\n";
    const auto rows = monitor::ParseProcNetTcp(text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].State, 2u) << "listen";
    EXPECT_EQ(monitor::PortFromBytes(rows[0].LocalPort), 12125);
    EXPECT_EQ(monitor::AddressText(rows[0].RemoteAddress), "0.0.0.0");
    EXPECT_EQ(rows[1].State, 5u) << "established";
    EXPECT_EQ(monitor::AddressText(rows[1].LocalAddress), "10.0.2.10");
    EXPECT_EQ(monitor::PortFromBytes(rows[1].LocalPort), 40000);
    EXPECT_EQ(monitor::AddressText(rows[1].RemoteAddress), "198.51.100.1");
    EXPECT_EQ(monitor::PortFromBytes(rows[1].RemotePort), 2300);
    EXPECT_EQ(rows[2].State, 11u) << "time wait";

    EXPECT_TRUE(monitor::ParseProcNetTcp("").empty());
    EXPECT_TRUE(monitor::ParseProcNetTcp("header only").empty());
}

TEST(TcpTableSource, SeesRealLoopbackConnections) {
    monitortest::LoopbackLinks links(2);
    ASSERT_TRUE(links.ok()) << links.error();
    auto source = monitor::MakeTcpTableSource();
    std::vector<TcpRow> rows;
    std::uint32_t size = 0;
    // Other tests on this machine (a service's load test) may hold more
    // connections for a while than the table takes: wait for a table that fits.
    std::uint32_t code = source->Read(rows, size);
    for (int attempt = 0; attempt < 600 && code == monitor::kInsufficientBuffer; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        code = source->Read(rows, size);
    }
    ASSERT_EQ(code, 0u);
    int established = 0;
    for (const TcpRow& row : rows) {
        if (row.State == 5 && monitor::PortFromBytes(row.RemotePort) == links.port() &&
            monitor::AddressText(row.RemoteAddress) == "127.0.0.1")
            ++established;
    }
    EXPECT_EQ(established, 2);
    // Sorted by the local end. (Wine orders rows of one local end by other
    // rules than Windows, so the remote end is not checked.)
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto key = [](const TcpRow& r) {
            return std::make_tuple(r.LocalAddress, monitor::PortFromBytes(r.LocalPort));
        };
        ASSERT_LE(key(rows[i - 1]), key(rows[i])) << "sorted";
    }
}
