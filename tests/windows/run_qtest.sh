#!/usr/bin/env bash
# Runs one Qt Test program of the Windows build under Wine and prints its log.
# The program's log to standard output does not come through Wine, so it goes
# to a file, which is printed when the program has ended.
#   run_qtest.sh PROGRAM.exe [QTEST ARGUMENTS...]
set -u
program=${1:?usage: run_qtest.sh PROGRAM.exe [ARGUMENTS...]}
shift
log=$(mktemp /tmp/qtest-log.XXXXXX)
trap 'rm -f "$log"' EXIT
wine "$program" -o "Z:$log,txt" "$@"
code=$?
cat "$log"
exit $code
