#!/usr/bin/env bash
# gamelistd under wrk on loopback: 1,000 games, 2 threads, 50 connections.
#   1. list requests per second;
#   2. the web page (/) and the JSON feed (/api/games.json) per second;
#   3. posts per second with the rate limit off;
#   4. its memory (VmRSS, VmHWM) once a million requests have been served.
# wrk opens all its connections from one address, so the limit of
# connections per address is off here, and the list may hold the poster's
# game beside the 1,000.
# usage: benchmarks/gamelistd_bench.sh BUILD_DIR   (environment: SECONDS_EACH, default 10)
set -euo pipefail
build=$(cd "${1:?usage: gamelistd_bench.sh BUILD_DIR}" && pwd)
seconds=${SECONDS_EACH:-10}
service=$build/bin/gamelistd
command -v wrk >/dev/null || { echo "wrk is not installed"; exit 1; }
[ -x "$service" ] || { echo "missing $service"; exit 1; }

work=$(mktemp -d)
"$service" --port 0 --port-file "$work/port" --database "$work/games.db" --example-games 1000 \
  --posts-per-minute 0 --connections-per-address 0 --max-games 2000 2>/dev/null &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")"

rate() { awk '/^Requests\/sec/ { print $2 }'; }
count() { awk '/requests in/ { print $1 }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r >= t) ? "met" : "NOT met" }'; }
total=0
# One wrk run: its rate into the variable named first, its requests added to the total.
run() {
  local name=$1
  shift
  wrk -t2 -c50 -d"${seconds}s" "$@" >"$work/wrk.out"
  total=$((total + $(count <"$work/wrk.out")))
  if grep -q 'Non-2xx' "$work/wrk.out"; then echo "error replies: $* $(grep 'Non-2xx' "$work/wrk.out")"; fi
  printf -v "$name" '%s' "$(rate <"$work/wrk.out")"
}

run list_rate "$url/vqx/?mode=list&submode=strippedV2"
run page_rate "$url/"
run json_rate "$url/api/games.json"
cat >"$work/post.lua" <<'LUA'
wrk.method = "POST"
wrk.path = "/vqx/?mode=addV2&?mode=addV2&name=Bench&map=Anymap&ip=&version=v1&class=ww2&players=4vs4&note="
LUA
run post_rate -s "$work/post.lua" "$url"
printf 'gamelistd list requests/s (1,000 games): %10.0f   (target >= 10000: %s)\n' "$list_rate" "$(verdict "$list_rate" 10000)"
printf 'gamelistd web page requests/s:           %10.0f   (target >= 5000: %s)\n' "$page_rate" "$(verdict "$page_rate" 5000)"
printf 'gamelistd JSON feed requests/s:          %10.0f   (target >= 5000: %s)\n' "$json_rate" "$(verdict "$json_rate" 5000)"
printf 'gamelistd posts/s (no rate limit):       %10.0f   (target >= 2000: %s)\n' "$post_rate" "$(verdict "$post_rate" 2000)"

# More list requests until a million have been served in all, then its memory.
while [ "$total" -lt 1000000 ]; do
  run more_rate "$url/vqx/?mode=list&submode=strippedV2"
done
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
printf 'gamelistd after %s requests: VmRSS %s kB, peak %s kB   (target < 20 MB: %s)\n' "$total" "$rss" "$hwm" \
  "$(awk -v k="$rss" 'BEGIN { print (k < 20480) ? "met" : "NOT met" }')"
