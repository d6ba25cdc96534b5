#!/usr/bin/env bash
# Three monitors on three hosts, end to end. Each host is a network namespace
# on one bridge (198.51.100.0/24) with its own PID namespace and /proc, a
# stand-in game and a real varnok writing its status file. Host 1 hosts the
# game (its game listens on port 2300) and its monitor is the server; hosts 2
# and 3 join the game (two connections each) and find the server by
# themselves.
#
# usage: cross_host_test.sh BIN_DIR        (as root; exits 77 = skipped otherwise)
set -uo pipefail

BIN=$(cd "${1:?usage: cross_host_test.sh BIN_DIR}" && pwd)

# shellcheck source=hosts.sh
. "$(dirname "$0")/hosts.sh"

net_bridge 3

start_host 1 Host1 "--host 2300" "--server"
sleep 1
start_host 2 Host2 "--join 198.51.100.1:2300" ""
start_host 3 Host3 "--join 198.51.100.1:2300" ""

# Everyone sees everyone.
await 1 40 '.role == "server" and (.list1 | any(test("198.51.100.2 Host2$"))) and (.list1 | any(test("198.51.100.3 Host3$")))' \
  "the server lists both joiners"
await 2 40 '.role == "joiner" and (.list1 | any(. == "Host1")) and (.list1 | any(test("198.51.100.3 Host3$")))' \
  "joiner 2 lists the server and joiner 3"
await 3 40 '(.list1 | any(. == "Host1")) and (.list1 | any(test("198.51.100.2 Host2$")))' \
  "joiner 3 lists the server and joiner 2"
await 2 5 '.label3 | startswith("Connected to: 198.51.100.1")' "joiner 2 shows its link"

# A second copy of the game on host 2: every monitor warns about that player.
tell 2 second-game
await 2 30 '.surun == "2"' "host 2 counts two game copies"
for h in 1 2 3; do
  await $h 30 '.list2 | any(startswith("Multiple Sudden Strikes running on") and contains("Host2"))' \
    "warns about Host2's second copy"
done

# Joiner 3's monitor dies: the server drops it, and it leaves every list.
tell 3 kill-monitor
await 1 30 '.list2 | any(. == "Host3 198.51.100.3 has disconnected!")' "logs the lost joiner"
await 1 30 '(.list1 | any(contains("Host3")) | not) and (.peer_table | any(contains("Host3")) | not)' \
  "no longer lists Host3"
await 2 30 '(.list1 | any(contains("Host3")) | not)' "joiner 2 no longer lists Host3"

# The server goes away: the joiner logs it and searches again.
tell 1 kill-monitor
await 2 30 '.list2 | any(. == "Server has disconnected!")' "logs the lost server"
await 2 30 '.label3 | startswith("Trying to connect to: 198.51.100.1")' "searches again"
echo "PASS"
