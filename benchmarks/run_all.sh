#!/usr/bin/env bash
# Runs the benchmarks of a release build:
#   1. every Google Benchmark program (BUILD_DIR/benchmarks/*_bench);
#   2. gamelistd under wrk (benchmarks/gamelistd_bench.sh);
#   3. start-up time: zandrel from process start to the first show of its main
#      window (demo installation with 200 mods, news off) against a bare Qt
#      window, with hyperfine when installed, else a loop of RUNS runs.
# usage: benchmarks/run_all.sh BUILD_DIR      (environment: RUNS, default 20)
set -euo pipefail

build=${1:?usage: run_all.sh BUILD_DIR}
build=$(cd "$build" && pwd)
runs=${RUNS:-20}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# The embedded web engine refuses to start as root without this.
if [ "$(id -u)" -eq 0 ] && [[ "${QTWEBENGINE_CHROMIUM_FLAGS:-}" != *--no-sandbox* ]]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox ${QTWEBENGINE_CHROMIUM_FLAGS:-}"
fi
status=0

say() { printf '== %s\n' "$*"; }

# --- 1. micro-benchmarks ---------------------------------------------------
found=0
for bench in "$build"/benchmarks/*_bench; do
  [ -x "$bench" ] || continue
  found=1
  say "$(basename "$bench")"
  "$bench" || status=1
done
[ "$found" -eq 1 ] || { say "no *_bench programs in $build/benchmarks"; status=1; }

# --- 2. the game list service ------------------------------------------------
say "gamelistd under wrk"
"$(dirname "$0")/gamelistd_bench.sh" "$build" || status=1

# --- 3. start-up -------------------------------------------------------------
bare=$build/benchmarks/bare_window
zandrel=$build/bin/zandrel
generator=$build/bin/make_demo_installation
for program in "$bare" "$zandrel" "$generator"; do
  [ -x "$program" ] || { say "missing $program"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
demo=$work/demo
"$generator" "$demo" --mods 200 >/dev/null
printf '[misc]\r\nViewNews=0\r\n' >>"$demo/switcher.ini"

# Both through env, so that both pay for its start.
bare_cmd=(env "$bare")
# An instance name of its own: a switcher already running on this machine
# (a test, a user) would otherwise end each timed start at once.
zandrel_cmd=(env ZANDREL_EXIT_ON_FIRST_SHOW=1 ZANDREL_SERVICE=http://127.0.0.1:9 ZANDREL_INSTANCE=zandrel-bench-$$
  "$zandrel" --root "$demo")

# Both must end by themselves; a program that keeps running would hang the loop.
check_quits() {
  local name=$1 rc=0
  shift
  timeout 30 "$@" >/dev/null 2>&1 || rc=$?
  [ "$rc" -eq 0 ] && return 0
  say "$name did not quit cleanly after its first show within 30 s (exit code $rc)"
  say "(zandrel quits on first show when ZANDREL_EXIT_ON_FIRST_SHOW=1 is set)"
  exit 1
}
check_quits bare_window "${bare_cmd[@]}"
check_quits zandrel "${zandrel_cmd[@]}"

# One run's wall time in microseconds.
time_us() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}

# Median in milliseconds of a list of microsecond times.
median_ms() {
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f\n", m / 1000 }'
}

say "start-up: bare Qt window vs zandrel (200 mods, news off), $runs runs each"
if command -v hyperfine >/dev/null; then
  json=$work/startup.json
  hyperfine --warmup 3 --runs "$runs" --export-json "$json" \
    -n bare_window "$(printf '%q ' "${bare_cmd[@]}")" \
    -n zandrel "$(printf '%q ' "${zandrel_cmd[@]}")"
  mapfile -t medians < <(grep -o '"median": *[0-9.e+-]*' "$json" | awk -F: '{ printf "%.1f\n", $2 * 1000 }')
  bare_ms=${medians[0]}
  zandrel_ms=${medians[1]}
else
  for _ in 1 2 3; do  # warm-up
    "${bare_cmd[@]}" >/dev/null 2>&1 || true
    "${zandrel_cmd[@]}" >/dev/null 2>&1 || true
  done
  # Alternating, so that the machine's changing load hits both alike.
  bare_times=() zandrel_times=()
  for _ in $(seq "$runs"); do
    bare_times+=("$(time_us "${bare_cmd[@]}")")
    zandrel_times+=("$(time_us "${zandrel_cmd[@]}")")
  done
  bare_ms=$(median_ms "${bare_times[@]}")
  zandrel_ms=$(median_ms "${zandrel_times[@]}")
fi

ratio=$(awk -v z="$zandrel_ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", z / b }')
verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.25) ? "met" : "NOT met" }')
printf 'median bare_window: %8s ms\n' "$bare_ms"
printf 'median zandrel:     %8s ms\n' "$zandrel_ms"
printf 'ratio:              %8s    (target <= 1.25: %s)\n' "$ratio" "$verdict"

# --- 3. varnok's peak resident memory, idle beside a running game ------------
# Peak RSS (VmHWM) after 6 s idle: varnok beside one stand-in game copy
# against a bare Qt window that stays open.
peak_kib() { # command...
  "$@" >/dev/null 2>&1 &
  local pid=$! hwm
  sleep 6
  hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  echo "${hwm:-0}"
}
game=$work/varnok/sust/game/bin
mkdir -p "$game" "$work/varnok/monitor"
cp "$build/bin/stand_in_sust" "$build/bin/n2text_dll.dll" "$build/bin/game_main.dll" "$game/"
printf '[Game]\r\nPlayer0=Bench\r\n' >"$work/varnok/sust/sudtest.ini"
mkfifo "$work/varnok/game-in"
"$game/stand_in_sust" --load-game-dll <"$work/varnok/game-in" >/dev/null 2>&1 &
game_pid=$!
exec 3>"$work/varnok/game-in"
bare_kib=$(peak_kib "$bare" --stay)
empty_kib=$(peak_kib "$bare" --stay --empty)
varnok_kib=$(VARNOK_INSTANCE=varnok-bench-$$ peak_kib "$build/bin/varnok" --root "$work/varnok/monitor")
# Closing the pipe ends the game; it may be gone before the kill (set -e).
exec 3>&-
kill "$game_pid" 2>/dev/null || true
wait "$game_pid" 2>/dev/null || true
ratio_of() { awk -v v="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? v / b : 0 }'; }
verdict_of() { awk -v r="$1" 'BEGIN { print (r <= 1.3) ? "met" : "NOT met" }'; }
rss_ratio=$(ratio_of "$varnok_kib" "$bare_kib")
empty_ratio=$(ratio_of "$varnok_kib" "$empty_kib")
say "peak resident memory, idle: bare Qt window (one line of text, and empty) vs varnok beside a game"
printf 'bare_window:         %8s KiB\n' "$bare_kib"
printf 'bare_window --empty: %8s KiB\n' "$empty_kib"
printf 'varnok:              %8s KiB\n' "$varnok_kib"
printf 'ratio to the window with text: %5s    (target <= 1.3: %s)\n' "$rss_ratio" "$(verdict_of "$rss_ratio")"
printf 'ratio to the empty window:     %5s    (target <= 1.3: %s)\n' "$empty_ratio" "$(verdict_of "$empty_ratio")"
exit "$status"
