#!/usr/bin/env bash
# Runs the tests that only a user without root can prove (a node whose mode
# refuses them) as `nobody` when started as root, as CI is. The test program
# is copied where that user may run it; a skip counts as a failure here.
set -euo pipefail
tests=$1
filter=$2
if [[ $(id -u) -ne 0 ]]; then
  run=("$tests")
else
  place=$(mktemp -d)
  trap 'rm -rf "$place"' EXIT
  chmod 755 "$place"
  cp "$tests" "$place/"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups "$place/$(basename "$tests")")
fi
out=$(TMPDIR=/tmp "${run[@]}" --gtest_filter="$filter" 2>&1) || { echo "$out"; exit 1; }
echo "$out"
if grep -q '\[  SKIPPED \]' <<<"$out"; then echo "FAIL: skipped"; exit 1; fi
grep -q '\[  PASSED  \] [1-9]' <<<"$out"
