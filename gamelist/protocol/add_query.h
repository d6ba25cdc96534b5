#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gamelist {

// What a host announces: the values of an addV2 request.
struct HostedGame {
    std::string name;
    std::string map;
    std::string ip;
    std::string version;
    std::string gameClass;
    std::string players;
    std::string note;
    bool operator==(const HostedGame&) const = default;
};

// The request path of an announcement, as the client sends it:
// "/vqx/?mode=addV2&?mode=addV2&name=...&map=...&ip=...&version=...&class=...
// &players=...&note=..." with every value form-encoded. The pair mode=addV2
// stands twice, the second time behind "&?": that is the request the service
// has always been sent, and it accepts exactly this.
std::string BuildAddV2Path(const HostedGame& game);

// Reads an announcement from a request's query text (after the first "?").
// The query is split on "&"; a leading "?" of a pair is dropped, so the
// doubled mode pair reads as mode=addV2 twice. Nothing unless some pair is
// mode=addV2. Absent values are empty; a key given twice keeps the first
// value; unknown keys are ignored. Values are form-decoded.
std::optional<HostedGame> ParseAddV2Query(std::string_view query);

} // namespace gamelist
