#pragma once

// The command language of the link switch's control FIFO, one command a line:
//   set PORT key=value ...   PORT: index from 0, device name, or "all";
//                            keys: delay jitter loss reorder rate partition
//   stats PATH               write the port counters to PATH
//   quit
// Parsing is separate from the switch so that every line, however broken,
// is judged here first and the switch only ever applies valid commands.
#include "testing/link_impairment.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linksim {

// The keys a `set` names; the others stay as they are.
struct SettingsChange {
    std::optional<double> delayMs;
    std::optional<double> jitterMs;
    std::optional<double> lossPercent;
    std::optional<double> reorderPercent;
    std::optional<double> rateKbit;
    std::optional<bool> partition;

    void ApplyTo(LineSettings& settings) const;
};

struct ControlCommand {
    enum class Kind { Empty, Set, Stats, Quit, Error };
    Kind kind = Kind::Empty;
    std::vector<std::size_t> ports; // Set
    SettingsChange change;          // Set
    std::string path;               // Stats
    std::string error;              // Error: what was wrong, one line
};

ControlCommand ParseControlLine(std::string_view line, const std::vector<std::string>& portNames);

} // namespace linksim
