#!/usr/bin/env bash
# gamelistd under wrk on loopback: 1,000 games, 2 threads, 50 connections.
#   1. list requests per second;
#   2. posts per second with the rate limit off;
#   3. its memory (VmRSS, VmHWM) once a million list requests have been served.
# usage: benchmarks/gamelistd_bench.sh BUILD_DIR   (environment: SECONDS_EACH, default 10)
set -euo pipefail
build=$(cd "${1:?usage: gamelistd_bench.sh BUILD_DIR}" && pwd)
seconds=${SECONDS_EACH:-10}
service=$build/bin/gamelistd
command -v wrk >/dev/null || { echo "wrk is not installed"; exit 1; }
[ -x "$service" ] || { echo "missing $service"; exit 1; }

work=$(mktemp -d)
"$service" --port 0 --port-file "$work/port" --database "$work/games.db" --example-games 1000 \
  --posts-per-minute 0 2>/dev/null &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")"

rate() { awk '/^Requests\/sec/ { print $2 }'; }

list_run=$(wrk -t2 -c50 -d"${seconds}s" "$url/vqx/?mode=list&submode=strippedV2")
list_rate=$(rate <<<"$list_run")
cat >"$work/post.lua" <<'LUA'
wrk.method = "POST"
wrk.path = "/vqx/?mode=addV2&?mode=addV2&name=Bench&map=Anymap&ip=&version=v1&class=ww2&players=4vs4&note="
LUA
post_rate=$(wrk -t2 -c50 -d"${seconds}s" -s "$work/post.lua" "$url" | rate)
printf 'gamelistd list requests/s (1,000 games): %10.0f   (target >= 10000)\n' "$list_rate"
printf 'gamelistd posts/s (no rate limit):       %10.0f   (target >= 2000)\n' "$post_rate"

# More list requests until a million have been served in all, then its memory.
count() { awk '/requests in/ { print $1 }'; }
total=$(awk '/requests in/ { print $1 }' <<<"$list_run")
while [ "$total" -lt 1000000 ]; do
  served=$(wrk -t2 -c50 -d"${seconds}s" "$url/vqx/?mode=list&submode=strippedV2" | count)
  total=$((total + served))
done
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
printf 'gamelistd after %s list requests (and the posts): VmRSS %s kB, peak %s kB\n' "$total" "$rss" "$hwm"
