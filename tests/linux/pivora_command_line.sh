#!/usr/bin/env bash
# The Linux program as a user runs it, on a session bus of its own (run under
# dbus-run-session): `pivora run` in the background, the command line's
# answers and exit statuses against it, a second `run` turned away, and
# SIGTERM ending the first. On a build machine no switch is connected.
set -uo pipefail
pivora=$1
failures=0
expect() {  # expect <what> <expected status> <status> <expected output> <output>
  if [[ $3 -ne $2 || "$5" != "$4" ]]; then
    echo "FAIL $1: status $3 (expected $2), output [$5] (expected [$4])"
    failures=$((failures + 1))
  fi
}

out=$("$pivora" status 2>&1); expect "status with none running" 3 $? "Pivora is not running." "$out"

"$pivora" run >"${TMPDIR:-/tmp}/pivora-run.$$" 2>&1 &
running=$!
for _ in $(seq 100); do
  "$pivora" status >/dev/null 2>&1 && break
  sleep 0.1
done
out=$("$pivora" status 2>&1); expect "status" 0 $? "No switch connected." "$out"
out=$("$pivora" status --json 2>&1); expect "status --json" 0 $? '{"connected":false,"ports":[]}' "$out"
out=$("$pivora" claim 1 2>&1); expect "claim with no switch" 4 $? "No switch connected." "$out"
out=$("$pivora" toggle 2>&1); expect "toggle with no switch" 4 $? "No switch connected." "$out"
out=$("$pivora" claim 5 2>&1); status=$?
expect "a port no switch has" 2 $status "usage: pivora [run] [--log]" "$(head -1 <<<"$out")"
# What it says of the system's bus, if it cannot reach one, goes to stderr.
out=$("$pivora" run 2>/dev/null); status=$?
expect "a second run" 1 $status "Pivora is already running in this session." "$out"

kill -TERM "$running"
wait "$running"; status=$?
expect "run ended by SIGTERM" 0 $status "" ""
rm -f "${TMPDIR:-/tmp}/pivora-run.$$"
[[ $failures -eq 0 ]] && echo "pivora's command line: all answers as expected"
exit $((failures != 0))
