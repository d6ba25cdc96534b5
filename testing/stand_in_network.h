#pragma once

#include <string>

// The stand-in game's network side, one file per platform: a hosting game
// listens on its port (the kernel completes the joiners' connections, so
// they show as established without being accepted); a joining game holds
// two connections to its host.
namespace testsupport {

// Listens on every local IPv4 address at `port`; the socket stays open.
bool ListenForPlayers(int port, std::string& error);

// Opens `count` connections to host:port and keeps them open.
bool ConnectToHost(const std::string& host, int port, int count, std::string& error);

} // namespace testsupport
