#!/usr/bin/env bash
# Runs a test command and fails when anything it started still holds its
# output once it has ended. CTest waits for the last holder of a test's output
# pipe, so one such leftover holds the whole run until the test's timeout,
# after the test itself has passed.
#
# usage: leftover_guard.sh COMMAND [ARGS...]     (the command's exit code, or 1)
set -u

dir=$(mktemp -d /tmp/leftover-guard.XXXXXX)
out=$dir/output
mkfifo "$out"
# The reader passes everything on and ends when the last writer has gone.
cat "$out" &
reader=$!
"$@" >"$out" 2>&1 </dev/null &
test=$!
wait "$test"
code=$?

for _ in $(seq 1 100); do
  kill -0 "$reader" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$reader" 2>/dev/null; then
  echo "FAIL: the test has ended, but these processes still hold its output:"
  for fd in /proc/[0-9]*/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$out" ] || continue
    pid=${fd#/proc/}; pid=${pid%%/*}
    [ "$pid" = "$reader" ] && continue
    echo "  $pid: $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    kill -9 "$pid" 2>/dev/null
  done
  kill "$reader" 2>/dev/null
  code=1
fi
wait "$reader" 2>/dev/null
rm -rf "$dir"
exit "$code"
