#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each one, from its seed corpus, for
# a bounded time or number of inputs; prints one line per target.
#   tools/run-fuzz.sh [seconds per target] [runs per target] [target...]
# Runs of -1 (the default) means no bound on inputs. What libFuzzer finds is kept in
# build-fuzz/found/<target>; an input that failed is left in
# build-fuzz/crashes/<target>/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
runs="${2:--1}"
shift $(( $# > 2 ? 2 : $# ))

tools/install-deps.sh fuzz

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for source in tests/fuzz/*_fuzz.cpp; do
    name="$(basename "$source" _fuzz.cpp)"
    targets+=("$name")
  done
fi

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIVORA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

failed=0
summary=()
for name in "${targets[@]}"; do
  found="build-fuzz/found/$name"
  crashes="build-fuzz/crashes/$name"
  mkdir -p "$found" "$crashes"
  log="build-fuzz/$name.log"
  status=ok
  # New inputs go to the first folder; the committed seeds are only read.
  if ! "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -runs="$runs" -print_final_stats=1 \
      -artifact_prefix="$crashes/" -rss_limit_mb=2048 -timeout=10 \
      "$found" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
    status=FAILED
    failed=1
    tail -n 60 "$log"
  fi
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
  summary+=("$(printf '%-16s %12s executions %8s/s  %5s inputs kept  %s' "$name" "${executions:-?}" "${rate:-?}" \
    "$(find "$found" -type f | wc -l)" "$status")")
done

printf '%s\n' "${summary[@]}"
exit "$failed"
