#pragma once

#include <string>

namespace monitor {

// The machine's own address as a socket shows it when not connected: the
// first IPv4 address of an interface that is up and not the loopback, else
// "127.0.0.1".
std::string MachineAddress();

} // namespace monitor
