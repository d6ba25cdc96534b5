#pragma once

#include "monitor/monitor_engine.h"

#include <string>
#include <string_view>

// The status file for overlays and tests: one UTF-8 JSON object with the
// role, the labels, the peer table and both lists, replaced atomically after
// each evaluation that changed it.
namespace monitor {

std::string StatusJson(const SharedState& state, const MonitorDisplay& display);

// False when the file could not be written (the monitor goes on). The file
// is replaced only when its text differs from `written`, the text of the last
// write, which a successful write updates: a steady game writes nothing.
bool WriteStatusFile(std::string_view path, const SharedState& state, const MonitorDisplay& display,
                     std::string& written);

} // namespace monitor
