#pragma once

#include <string>

namespace monitor {

// The own address of the machine's first active dial-up connection, or empty
// when there is none. Windows: the remote access library (rasapi32, bound at
// run time; without it there is no dial-up connection). Linux: the IPv4
// address of the first point-to-point interface that is up.
std::string FindDialUpAddress();

} // namespace monitor
