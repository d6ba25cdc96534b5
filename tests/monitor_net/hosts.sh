# Hosts for the monitors' tests across machines, sourced by the test scripts.
# Each host is a network namespace with its own PID namespace and /proc, a
# stand-in game and a real varnok writing its status file. The hosts meet
# either on a plain bridge (net_bridge) or on the link switch (net_switch),
# which can give every host's line delay, jitter, loss and partitions.
#
# Nothing started here may outlive the test or hold its output open: CTest
# waits for every process that has its output pipe. So every process starts
# with its output in a file and its input from /dev/null, writes to a FIFO
# cannot block, and the exit trap kills whatever is left in the namespaces.
#
# The caller sets BIN (the programs) and sources this file; then calls
# net_bridge N or net_switch N, start_host ..., and uses tell, await, sw.

SKIP=77
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make network and PID namespaces"; exit $SKIP; }
for tool in ip unshare jq timeout; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is missing"; exit $SKIP; }
done

# Unique names: other tests may run on this machine at the same time.
ID=vk$$
WORK=$(mktemp -d /tmp/varnok-hosts.XXXXXX)
HOSTS=0
NETS=()
PIDS=()
SWITCH_CONTROL=

host_ns() { echo "${ID}h$1"; }

cleanup() {
  local code=$?
  for pid in "${PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
  # Whatever still runs inside a namespace goes with it.
  for ns in "${NETS[@]}"; do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
  done
  for ns in "${NETS[@]}"; do ip netns del "$ns" 2>/dev/null; done
  if [ "${FAILED:-0}" -ne 0 ]; then
    for h in $(seq 1 "$HOSTS"); do
      [ -d "$WORK/h$h" ] || continue
      echo "--- host $h:"
      jq -c '{role, label3, label6, list1, list2}' "$WORK/h$h/status.json" 2>/dev/null | head -c 3000; echo
      grep -v '^ALSA lib' "$WORK/h$h/output" 2>/dev/null | tail -n 10
    done
    [ -f "$WORK/switch.log" ] && { echo "--- switch:"; tail -n 20 "$WORK/switch.log"; }
  fi
  rm -rf "$WORK"
  exit "$code"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() { echo "FAIL: $*"; FAILED=1; exit 1; }

# Writes one line to a FIFO, giving up after 5 s (a reader that has gone must
# not hang the test).
to_fifo() { timeout 5 bash -c 'printf "%s\n" "$1" >"$2"' _ "$2" "$1" || echo "warning: nobody read '$2' from $1"; }

add_host_ns() { # host
  local ns; ns=$(host_ns "$1")
  ip netns add "$ns" || fail "cannot make namespace $ns"
  NETS+=("$ns")
  ip -n "$ns" link set lo up
}

address_of() { echo "198.51.100.$1"; }

# N hosts on one bridge in a switch namespace, one veth each.
net_bridge() { # count
  local sw=${ID}sw
  ip netns add "$sw" || fail "cannot make namespaces"
  NETS+=("$sw")
  ip -n "$sw" link add br0 type bridge
  ip -n "$sw" link set br0 up
  for h in $(seq 1 "$1"); do
    add_host_ns "$h"
    ip link add "${ID}v$h" type veth peer name "${ID}p$h" || fail "cannot make veth"
    ip link set "${ID}v$h" netns "$(host_ns "$h")"
    ip link set "${ID}p$h" netns "$sw"
    ip -n "$sw" link set "${ID}p$h" master br0 up
    ip -n "$(host_ns "$h")" link set "${ID}v$h" name eth0
    ip -n "$(host_ns "$h")" addr add "$(address_of "$h")/24" dev eth0
    ip -n "$(host_ns "$h")" link set eth0 up
  done
}

# N hosts on the link switch, one TAP each (port h-1 is host h's line).
net_switch() { # count
  [ -c /dev/net/tun ] || { echo "SKIP: no /dev/net/tun"; exit $SKIP; }
  local taps=()
  for h in $(seq 1 "$1"); do taps+=("${ID}t$h"); done
  SWITCH_CONTROL=$WORK/switch.ctl
  "$BIN/link_switch" --seed 7 --control "$SWITCH_CONTROL" "${taps[@]}" \
    </dev/null >"$WORK/switch.out" 2>"$WORK/switch.log" &
  PIDS+=($!)
  disown $!
  local deadline=$((SECONDS + 20))
  until grep -q '^ready' "$WORK/switch.out" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "the link switch did not start"
    sleep 0.1
  done
  for h in $(seq 1 "$1"); do
    add_host_ns "$h"
    ip link set "${ID}t$h" netns "$(host_ns "$h")" || fail "cannot move ${ID}t$h"
    ip -n "$(host_ns "$h")" link set "${ID}t$h" name eth0
    ip -n "$(host_ns "$h")" addr add "$(address_of "$h")/24" dev eth0
    ip -n "$(host_ns "$h")" link set eth0 up
  done
}

# A command to the link switch: "set 3 delay=150 jitter=50 loss=2", ...
sw() { to_fifo "$SWITCH_CONTROL" "$*"; }

# One host: game installation, stand-in game, monitor. Runs inside the host's
# namespaces and obeys commands from its control FIFO: "second-game",
# "end-second-game", "kill-monitor", "quit".
cat >"$WORK/host.sh" <<'HOST'
#!/usr/bin/env bash
set -u
BIN=$1 DIR=$2 NAME=$3 GAMEARGS=$4 MONARGS=$5 CONTROL=$6 GAMEDELAY=$7
mkdir -p "$DIR/sust/game/bin" "$DIR/monitor"
cp "$BIN/stand_in_sust" "$BIN/n2text_dll.dll" "$BIN/game_main.dll" "$DIR/sust/game/bin/"
printf '[Game]\r\nPlayer0=%s\r\n' "$NAME" >"$DIR/sust/sudtest.ini"
mkfifo "$DIR/game-in" "$DIR/game2-in"
exec 3<>"$DIR/game-in" 4<>"$DIR/game2-in"
# shellcheck disable=SC2086
(sleep "$GAMEDELAY"; exec "$DIR/sust/game/bin/stand_in_sust" $GAMEARGS) <&3 >"$DIR/game-out" 2>&1 &
export QT_QPA_PLATFORM=offscreen VARNOK_INSTANCE="varnok-$(basename "$(dirname "$DIR")")-$NAME" XDG_RUNTIME_DIR="$DIR/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# shellcheck disable=SC2086
"$BIN/varnok" --root "$DIR/monitor" --status-file "$DIR/status.json" $MONARGS </dev/null >"$DIR/output" 2>&1 &
MONITOR=$!
# Opened for reading and writing: the loop never sees the end of the FIFO.
exec 5<>"$CONTROL"
while read -r command <&5; do
  case $command in
    second-game) "$DIR/sust/game/bin/stand_in_sust" <&4 >"$DIR/game2-out" 2>&1 & SECOND=$! ;;
    end-second-game) kill -9 "${SECOND:-0}" 2>/dev/null ;;
    kill-monitor) kill -9 $MONITOR ;;
    quit) break ;;
  esac
done
kill -9 $MONITOR 2>/dev/null
kill %1 %2 %3 2>/dev/null
HOST

start_host() { # host name game-args monitor-args [seconds before the game starts]
  local h=$1
  [ "$h" -gt "$HOSTS" ] && HOSTS=$h
  mkdir -p "$WORK/h$h"
  mkfifo "$WORK/h$h.ctl"
  ip netns exec "$(host_ns "$h")" unshare --pid --fork --mount-proc \
    bash "$WORK/host.sh" "$BIN" "$WORK/h$h" "$2" "$3" "$4" "$WORK/h$h.ctl" "${5:-0}" \
    </dev/null >"$WORK/h$h/host.log" 2>&1 &
  PIDS+=($!)
  disown $!
}

tell() { to_fifo "$WORK/h$1.ctl" "$2"; }

status_of() { echo "$WORK/h$1/status.json"; }

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

# True when a jq condition holds on a host's status file now.
holds() { [ -s "$WORK/h$1/status.json" ] && jq -e "$2" "$WORK/h$1/status.json" >/dev/null 2>&1; }
