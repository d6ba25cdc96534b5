#!/usr/bin/env bash
# The Windows programs as players get them (the stripped files of the zip):
#   1. the size of each .exe;
#   2. the start-up of zandrel.exe under Wine, from process start to the first
#      show of its main window (demo installation with 200 mods, news off),
#      against the bare Qt window linked against the same static Qt, in
#      alternating runs with one Wine server kept running for both.
# usage: benchmarks/windows_bench.sh STAGE_DIR BARE_WINDOW_EXE DEMO_GENERATOR
#        (environment: RUNS, default 10)
set -euo pipefail
stage=${1:?usage: windows_bench.sh STAGE_DIR BARE_WINDOW_EXE DEMO_GENERATOR}
bare=${2:?}
generator=${3:?}
runs=${RUNS:-10}
say() { printf '== %s\n' "$*"; }

say "size of the Windows programs (stripped)"
for program in zandrel varnok; do
  bytes=$(stat -c %s "$stage/$program.exe")
  printf '%-12s %6.2f MB\n' "$program.exe" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')"
done

work=$(mktemp -d)
export WINEPREFIX=${WINEPREFIX:-$work/prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
game=$work/game
"$generator" "$game" --mods 200 >/dev/null
printf '[misc]\r\nViewNews=0\r\n' >>"$game/switcher.ini"
cp "$stage/zandrel.exe" "$game/"
cp "$bare" "$work/bare_window.exe"
cat >"$work/startup.sh" <<'RUNS'
set -u
wine cmd /c exit >/dev/null 2>&1  # makes the prefix
wineserver -p  # one server for every run, as on a desktop where Wine already runs
time_us() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000)); }
for _ in 1 2; do  # warm-up
  wine "$BARE" >/dev/null 2>&1; wine "$GAME/zandrel.exe" >/dev/null 2>&1
done
for _ in $(seq "$RUNS"); do
  echo "bare $(time_us wine "$BARE")"
  echo "zandrel $(time_us wine "$GAME/zandrel.exe")"
done
RUNS
say "start-up under Wine: bare Qt window vs zandrel.exe (200 mods, news off), $runs runs each"
ZANDREL_EXIT_ON_FIRST_SHOW=1 ZANDREL_SERVICE=http://127.0.0.1:9 BARE=$work/bare_window.exe GAME=$game RUNS=$runs \
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/startup.sh" >"$work/times"
median_ms() {
  awk -v n="$1" '$1 == n { print $2 }' "$work/times" | sort -n | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f\n", m / 1000 }'
}
bare_ms=$(median_ms bare)
zandrel_ms=$(median_ms zandrel)
ratio=$(awk -v z="$zandrel_ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", z / b }')
printf 'median bare_window.exe: %8s ms\n' "$bare_ms"
printf 'median zandrel.exe:     %8s ms\n' "$zandrel_ms"
printf 'ratio:                  %8s    (target <= 1.3: %s)\n' "$ratio" \
  "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.3) ? "met" : "NOT met" }')"
