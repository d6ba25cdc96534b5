#!/usr/bin/env bash
# The link switch between two hosts, each a network namespace with one of the
# switch's TAP devices (198.51.100.0/24), measured with link_probe: delay,
# jitter, order, rate, loss and partition of a port as set through the control
# FIFO of one running switch, its answer to broken commands, and its end on
# "quit" and on SIGTERM.
#
# usage: link_switch_test.sh BIN_DIR        (as root; exits 77 = skipped otherwise)
set -uo pipefail

BIN=$(cd "${1:?usage: link_switch_test.sh BIN_DIR}" && pwd)
SKIP=77

# Both programs answer --help and --version, and refuse a call without arguments.
for program in link_switch link_probe; do
  "$BIN/$program" --help </dev/null | grep usage >/dev/null || { echo "FAIL: $program --help"; exit 1; }
  "$BIN/$program" --version </dev/null | grep -Ex "$program [0-9]+\.[0-9]+\.[0-9]+" >/dev/null ||
    { echo "FAIL: $program --version"; exit 1; }
  "$BIN/$program" </dev/null >/dev/null 2>&1 && { echo "FAIL: $program runs without arguments"; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make network namespaces"; exit $SKIP; }
[ -c /dev/net/tun ] || { echo "SKIP: /dev/net/tun is missing"; exit $SKIP; }
for tool in ip timeout awk; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is missing"; exit $SKIP; }
done

# Unique names: other tests may run on this machine at the same time.
ID=ls$$
SW=${ID}sw A=${ID}a B=${ID}b
TA=${ID}ta TB=${ID}tb
WORK=$(mktemp -d /tmp/link-switch.XXXXXX)
CONTROL=$WORK/control
PIDS=()
SWITCH=

cleanup() {
  for pid in "${PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  sleep 0.2
  for pid in "${PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  # Whatever still runs inside a namespace goes with it.
  for ns in "$A" "$B" "$SW"; do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
  done
  if [ "${FAILED:-0}" -ne 0 ]; then
    for f in switch.err echo.out probe.err stats; do
      echo "--- $f:"; tail -n 20 "$WORK/$f" 2>/dev/null
    done
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() { echo "FAIL: $*"; FAILED=1; exit 1; }

# A process that was waited for leaves the list, so that its number, free
# again, is never signalled.
forget() {
  local keep=() pid
  for pid in "${PIDS[@]}"; do [ "$pid" != "$1" ] && keep+=("$pid"); done
  PIDS=("${keep[@]}")
}

# True once the process has ended (a child that ended stays a zombie until
# it is waited for, and `kill -0` still finds it).
ended() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [ -z "$state" ] || [ "$state" = Z ]
}

# Waits up to 5 s for a line in a file.
await_line() { # file line what
  for _ in $(seq 50); do
    grep -qx "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "$3"
}

# Writes to the FIFO only while the switch holds it open, and never blocks.
control() {
  [ -p "$CONTROL" ] || fail "the control FIFO is gone"
  timeout 2 bash -c 'printf "%s\n" "$1" >"$2"' _ "$1" "$CONTROL" || fail "the switch takes no commands"
}

# The switch carries out its commands in order: once the counters asked for
# last are on disk, every earlier command has been applied.
settle() {
  rm -f "$WORK/stats"
  control "stats $WORK/stats"
  for _ in $(seq 100); do
    [ -s "$WORK/stats" ] && return 0
    sleep 0.02
  done
  fail "the switch wrote no counters"
}

configure() { control "set $*"; settle; }

# Round trips from host A to the echo on host B: COUNT INTERVAL_MS [options].
probe() {
  local count=$1 interval=$2
  shift 2
  timeout 60 ip netns exec "$A" "$BIN/link_probe" send "$@" 198.51.100.2 7000 "$count" "$interval" \
    </dev/null 2>>"$WORK/probe.err"
}

field() { awk -v key="$2" '{ for (i = 1; i < NF; i++) if ($i == key) print $(i + 1) }' <<<"$1"; }
counter() { awk -v port="$1" -v key="$2" '$2 == port { for (i = 3; i < NF; i++) if ($i == key) print $(i + 1) }' "$WORK/stats"; }
within() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v != "-" && v + 0 >= lo && v + 0 <= hi) }'; }

# --- the switch and its two hosts --------------------------------------------
ip netns add "$SW" && ip netns add "$A" && ip netns add "$B" || fail "cannot make namespaces"
ip netns exec "$SW" "$BIN/link_switch" --seed 20240611 --control "$CONTROL" "$TA" "$TB" \
  </dev/null >"$WORK/switch.out" 2>"$WORK/switch.err" &
SWITCH=$!
PIDS+=("$SWITCH")
await_line "$WORK/switch.out" ready "the switch did not get ready"

MAC=("" 02:00:00:00:00:01 02:00:00:00:00:02)
NSOF=("" "$A" "$B")
TAPOF=("" "$TA" "$TB")
for h in 1 2; do
  ns=${NSOF[$h]} tap=${TAPOF[$h]}
  # Only the probe's datagrams cross the switch: no IPv6 chatter, and
  # fixed neighbours instead of ARP, so every lost frame is a lost datagram.
  ip netns exec "$ns" sh -c 'for c in all default; do echo 1 >/proc/sys/net/ipv6/conf/$c/disable_ipv6; done' \
    2>/dev/null
  ip -n "$SW" link set dev "$tap" netns "$ns" || fail "cannot move $tap into its host"
  ip -n "$ns" link set lo up
  ip -n "$ns" link set dev "$tap" address "${MAC[$h]}"
  ip -n "$ns" addr add "198.51.100.$h/24" dev "$tap"
  ip -n "$ns" link set dev "$tap" up || fail "cannot bring $tap up"
done
ip -n "$A" neigh replace 198.51.100.2 lladdr "${MAC[2]}" dev "$TA" nud permanent
ip -n "$B" neigh replace 198.51.100.1 lladdr "${MAC[1]}" dev "$TB" nud permanent

ip netns exec "$B" "$BIN/link_probe" echo 7000 </dev/null >"$WORK/echo.out" 2>&1 &
PIDS+=($!)
await_line "$WORK/echo.out" ready "the echo did not start"

R=$(probe 20 10)
[ "$(field "$R" received)" = 20 ] || fail "no clean path between the hosts: $R"
within "$(field "$R" rtt_median_ms)" 0 10 || fail "an unimpaired round trip is slow: $R"
echo "ok: plain link: $R"

# --- delay: both ways cross port 0's line ------------------------------------
configure 0 delay=100
R=$(probe 40 25)
[ "$(field "$R" received)" = 40 ] || fail "delay loses datagrams: $R"
within "$(field "$R" rtt_median_ms)" 180 220 || fail "100 ms on port 0 is not a 200 ms round trip: $R"
within "$(field "$R" rtt_min_ms)" 199.5 1000 || fail "a datagram came back before its delay: $R"
STEADY=$(awk -v a="$(field "$R" rtt_max_ms)" -v b="$(field "$R" rtt_min_ms)" 'BEGIN { print a - b }')
echo "ok: delay 100 ms on port 0: $R"

# --- jitter widens the spread around the same median (port named) ------------
configure "$TA" jitter=20
R=$(probe 40 50)
[ "$(field "$R" received)" = 40 ] || fail "jitter loses datagrams: $R"
within "$(field "$R" rtt_median_ms)" 180 220 || fail "jitter moved the median: $R"
# A busy machine only ever adds time, so round trips below the plain delay
# are jitter's doing, whatever the load.
within "$(field "$R" rtt_min_ms)" 159.5 190 || fail "jitter did not spread the round trips below 200 ms: $R"
within "$(field "$R" rtt_max_ms)" 210 260 || fail "jitter did not spread the round trips in range above 200 ms: $R"
SPREAD=$(awk -v a="$(field "$R" rtt_max_ms)" -v b="$(field "$R" rtt_min_ms)" 'BEGIN { print a - b }')
echo "ok: jitter +-20 ms on port 0: $R (spread $SPREAD ms, $STEADY ms without)"

# --- a line keeps its order under jitter unless told to reorder --------------
configure 0 delay=20 jitter=15
R=$(probe 300 2)
[ "$(field "$R" received)" = 300 ] && [ "$(field "$R" reordered)" = 0 ] ||
  fail "jitter without reorder changed the order: $R"
echo "ok: jitter without reorder keeps the order: $R"
configure 0 reorder=50
R=$(probe 300 2)
[ "$(field "$R" received)" = 300 ] && [ "$(field "$R" reordered)" -gt 10 ] ||
  fail "reorder=50 did not reorder: $R"
echo "ok: reorder 50%: $R"

# --- rate: a 1042-byte frame takes 41.68 ms at 200 kbit/s, each way ----------
configure 0 delay=0 jitter=0 reorder=0 rate=200
R=$(probe 20 100 --size 1000)
[ "$(field "$R" received)" = 20 ] || fail "rate loses datagrams: $R"
# The fastest round trip is the one the machine's load did not lengthen.
within "$(field "$R" rtt_min_ms)" 75.02 91.70 || fail "200 kbit/s is not a 83.4 ms round trip: $R"
within "$(field "$R" rtt_median_ms)" 75.02 104.2 || fail "frames wait longer than their serialisation: $R"
echo "ok: rate 200 kbit/s on port 0, 1000-byte datagrams: $R"

# --- loss: a round trip survives port 0's line twice: 1 - 0.8^2 = 36% --------
configure 0 rate=0 loss=20
BEFORE=$(counter 0 loss)
R=$(probe 4000 1 --wait-ms 1000)
within "$(field "$R" loss_percent)" 32.4 39.6 || fail "20% on port 0 is not 36% of round trips: $R"
settle
LOST=$(($(field "$R" sent) - $(field "$R" received)))
COUNTED=$(($(counter 0 loss) - BEFORE))
[ "$COUNTED" -ge $((LOST - 5)) ] && [ "$COUNTED" -le $((LOST + 5)) ] && [ "$(counter 1 loss)" = 0 ] ||
  fail "port 0 counted $COUNTED losses for $LOST lost round trips (port 1: $(counter 1 loss))"
echo "ok: loss 20% on port 0: $R (port 0 counted $COUNTED)"

# --- a partition drops everything, and lifting it heals the link -------------
configure all loss=0
configure 1 partition=1
R=$(probe 50 10 --wait-ms 500)
[ "$(field "$R" received)" = 0 ] || fail "datagrams crossed a partition: $R"
settle
[ "$(counter 1 partition)" -ge 50 ] || fail "port 1 counted $(counter 1 partition) partition drops for 50 datagrams"
echo "ok: partition of port 1: $R"
configure 1 partition=0
R=$(probe 50 10)
[ "$(field "$R" received)" = 50 ] || fail "the link did not heal after the partition: $R"
echo "ok: partition lifted: $R"

# --- broken commands are reported and change nothing -------------------------
ERRORS=$(wc -l <"$WORK/switch.err")
control "frobnicate"
control "set 7 delay=100"
control "set 0 delay=100 loss=abc"
control "set 0 delay=-1"
control "stats"
control "stats $WORK" # a directory is never replaced
control "$(head -c 10000 /dev/zero | tr '\0' x)"
timeout 2 bash -c 'printf "set 0 \001\377 delay=\0\n\n" >"$1"' _ "$CONTROL" || fail "the switch takes no bytes"
settle
ended "$SWITCH" && fail "the switch ended on broken commands"
REPORTED=$(($(wc -l <"$WORK/switch.err") - ERRORS))
[ "$REPORTED" -ge 8 ] || fail "only $REPORTED of 8 broken commands were reported"
[ -d "$WORK" ] || fail "stats replaced a directory"
R=$(probe 20 10)
[ "$(field "$R" received)" = 20 ] && within "$(field "$R" rtt_median_ms)" 0 10 ||
  fail "a broken command changed the link: $R"
echo "ok: $REPORTED broken commands reported, link unchanged: $R"

# --- quit ends the switch, and its devices go with it ------------------------
control quit
for _ in $(seq 30); do ended "$SWITCH" && break; sleep 0.1; done
ended "$SWITCH" || fail "the switch did not end on quit"
wait "$SWITCH"
STATUS=$?
forget "$SWITCH"
[ "$STATUS" = 0 ] || fail "the switch ended with $STATUS on quit"
ip -n "$A" link show dev "$TA" >/dev/null 2>&1 && fail "$TA outlived the switch"
echo "ok: quit ends the switch (exit 0) and removes its devices"

# --- and so does SIGTERM -----------------------------------------------------
ip netns exec "$SW" "$BIN/link_switch" --control "$WORK/control2" "${ID}tc" \
  </dev/null >"$WORK/switch2.out" 2>"$WORK/switch2.err" &
SECOND=$!
PIDS+=("$SECOND")
await_line "$WORK/switch2.out" ready "the second switch did not get ready"
ip -n "$SW" link show dev "${ID}tc" >/dev/null 2>&1 || fail "the second switch made no device"
kill -TERM "$SECOND"
for _ in $(seq 30); do ended "$SECOND" && break; sleep 0.1; done
ended "$SECOND" || fail "the switch did not end on SIGTERM"
wait "$SECOND"
STATUS=$?
forget "$SECOND"
[ "$STATUS" = 0 ] || fail "the switch ended with $STATUS on SIGTERM"
ip -n "$SW" link show dev "${ID}tc" >/dev/null 2>&1 && fail "${ID}tc outlived the switch"
echo "ok: SIGTERM ends the switch (exit 0) and removes its device"

echo PASS
