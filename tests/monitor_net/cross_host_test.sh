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
SKIP=77
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make network and PID namespaces"; exit $SKIP; }
for tool in ip unshare jq; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is missing"; exit $SKIP; }
done

# Unique names: other tests may run on this machine at the same time.
ID=vk$$
NS=("" "${ID}h1" "${ID}h2" "${ID}h3")
SWITCH=${ID}sw
WORK=$(mktemp -d /tmp/varnok-hosts.XXXXXX)
PIDS=()

cleanup() {
  for h in 1 2 3; do [ -p "$WORK/h$h.ctl" ] && { echo quit >"$WORK/h$h.ctl" & } ; done
  sleep 0.5
  for pid in "${PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
  # Whatever still runs inside a namespace goes with it.
  for ns in "${NS[@]:1}" "$SWITCH"; do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
  done
  wait 2>/dev/null
  if [ "${FAILED:-0}" -ne 0 ]; then
    for h in 1 2 3; do
      echo "--- host $h status:"; cat "$WORK/h$h/status.json" 2>/dev/null | head -c 4000
      echo "--- host $h output:"; tail -n 20 "$WORK/h$h/output" 2>/dev/null
    done
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() { echo "FAIL: $*"; FAILED=1; exit 1; }

# --- the network: a switch namespace with a bridge, one veth per host -------
ip netns add "$SWITCH" || fail "cannot make namespaces"
ip -n "$SWITCH" link add br0 type bridge
ip -n "$SWITCH" link set br0 up
for h in 1 2 3; do
  ip netns add "${NS[$h]}" || fail "cannot make namespace ${NS[$h]}"
  ip link add "${ID}v$h" type veth peer name "${ID}p$h" || fail "cannot make veth"
  ip link set "${ID}v$h" netns "${NS[$h]}"
  ip link set "${ID}p$h" netns "$SWITCH"
  ip -n "$SWITCH" link set "${ID}p$h" master br0 up
  ip -n "${NS[$h]}" link set lo up
  ip -n "${NS[$h]}" link set "${ID}v$h" name eth0
  ip -n "${NS[$h]}" addr add "198.51.100.$h/24" dev eth0
  ip -n "${NS[$h]}" link set eth0 up
done

# --- one host: game installation, stand-in game, monitor --------------------
# Runs inside the host's namespaces; obeys commands from its control FIFO:
# "second-game", "kill-monitor", "quit".
cat >"$WORK/host.sh" <<'HOST'
#!/usr/bin/env bash
set -u
BIN=$1 DIR=$2 NAME=$3 GAMEARGS=$4 MONARGS=$5
mkdir -p "$DIR/sust/game/bin" "$DIR/monitor"
cp "$BIN/stand_in_sust" "$BIN/n2text_dll.dll" "$BIN/game_main.dll" "$DIR/sust/game/bin/"
printf '[Game]\r\nPlayer0=%s\r\n' "$NAME" >"$DIR/sust/sudtest.ini"
mkfifo "$DIR/game-in" "$DIR/game2-in"
exec 3<>"$DIR/game-in" 4<>"$DIR/game2-in"
# shellcheck disable=SC2086
"$DIR/sust/game/bin/stand_in_sust" $GAMEARGS <&3 >"$DIR/game-out" 2>&1 &
export QT_QPA_PLATFORM=offscreen VARNOK_INSTANCE="varnok-$(basename "$(dirname "$DIR")")-$NAME" XDG_RUNTIME_DIR="$DIR/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# shellcheck disable=SC2086
"$BIN/varnok" --root "$DIR/monitor" --status-file "$DIR/status.json" $MONARGS >"$DIR/output" 2>&1 &
MONITOR=$!
while read -r command <"$DIR/../$(basename "$DIR").ctl"; do
  case $command in
    second-game) "$DIR/sust/game/bin/stand_in_sust" <&4 >"$DIR/game2-out" 2>&1 & ;;
    kill-monitor) kill -9 $MONITOR ;;
    quit) break ;;
  esac
done
kill -9 $MONITOR 2>/dev/null
kill %1 %2 %3 2>/dev/null
HOST

start_host() { # host game-args monitor-args
  local h=$1
  mkdir -p "$WORK/h$h"
  mkfifo "$WORK/h$h.ctl"
  ip netns exec "${NS[$h]}" unshare --pid --fork --mount-proc \
    bash "$WORK/host.sh" "$BIN" "$WORK/h$h" "Host$h" "$2" "$3" &
  PIDS+=($!)
}

tell() { echo "$2" >"$WORK/h$1.ctl"; }

# Waits up to SECONDS for a jq condition on a host's status file.
await() { # host seconds jq-condition description
  local h=$1 deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do
    if [ -s "$WORK/h$h/status.json" ] && jq -e "$3" "$WORK/h$h/status.json" >/dev/null 2>&1; then
      echo "ok: host $h: $4"
      return 0
    fi
    sleep 0.5
  done
  fail "host $h: $4 (within $2 s)"
}

start_host 1 "--host 2300" "--server"
sleep 1
start_host 2 "--join 198.51.100.1:2300" ""
start_host 3 "--join 198.51.100.1:2300" ""

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
