#!/usr/bin/env bash
# Every measurement of Pivora's speed and footprint, each beside its floor,
# printed as one table (and kept in build/benchmarks.md):
#   - a port's move in virtual time, both computers running Pivora on the
#     simulated switch, against the least the protocol's own waits allow;
#   - what one control tick costs natively (Google Benchmark), against the
#     platform calls it makes, made alone;
#   - pivora.exe idle under Wine for a minute, searching for a switch, and the
#     simulated build ready on one, against a bare tray utility run the same
#     way, and the size of the exe as shipped; the Linux program idle
#     natively, searching, against a bare GTK tray program;
#   - a port's move in real time, medians of the two-computer run under Wine;
#   - in the same run, how long each window took at the most to answer while
#     a kind of move went on, and a click's time to its pending image, against
#     the 50 ms within which a window should answer.
# Usage: tools/run-benchmarks.sh [idle seconds, default 60] [moves of each kind in real time, default 5]
#        [rounds of the windows' answers, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
idle_seconds=${1:-60}
real_runs=${2:-5}
answer_rounds=${3:-3}
# Within this a window answers as if at once, and a click shows at once.
answer_goal_ms=50

tools/install-deps.sh

echo "== building"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target pivora_switch_latency pivora_tick_cost switchsim pivora pivora_simulated pivora_linux_agent \
  pivora_idle_floor_gtk >/dev/null
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j "$(nproc)" >/dev/null
tools/prepare-wine-prefix.sh

outputs=$(mktemp -d)
trap 'rm -rf "$outputs"' EXIT

echo "== switch latency in virtual time"
build/bench/pivora_switch_latency | tee "$outputs/latency"
echo "== control tick cost"
build/bench/pivora_tick_cost --benchmark_repetitions=5 | tee "$outputs/tick"
echo "== idle footprint under Wine and on Linux, $idle_seconds s each"
tools/measure-idle-footprint.sh "$idle_seconds" | tee "$outputs/idle"
echo "== switch latency in real time, $real_runs of each move"
tools/run-two-computers.sh --latency "$real_runs" | tee "$outputs/real"
echo "== switch latency in real time with B on Linux, $real_runs of each move"
tools/run-two-computers.sh --mixed --latency "$real_runs" | tee "$outputs/real-mixed"
echo "== the windows' answers under Wine, $answer_rounds rounds"
tools/run-two-computers.sh --responsiveness "$answer_rounds" | tee "$outputs/answers"

# Real-time medians against the virtual-time minimum of the same move: the
# clicks fall at random moments of the tick, as the minimum's mean assumes.
# real_rows RUN [LABEL]: the moves of that run's output, LABEL after each.
real_rows() {
  local move ms runs low high minimum least most action
  while read -r move ms runs low high; do
    IFS='|' read -r _ _ minimum least most action < <(grep "^MINIMUM|$move|" "$outputs/latency") || continue
    printf 'ROW|%s%s (real time, median of %s)|%s ms (%s-%s)|%s ms (%s-%s, the protocol'"'"'s waits at any tick phase)|%s|\n' \
      "$action" "${2:-}" "$runs" "$ms" "$low" "$high" "$minimum" "$least" "$most" \
      "$(awk -v a="$ms" -v b="$minimum" 'BEGIN { printf "%.2f", a / b }')"
  done < <(sed -n 's/^median \([a-z-]*\) \([0-9]*\) of \([0-9]*\) (min \([0-9]*\), max \([0-9]*\)).*/\1 \2 \3 \4 \5/p' "$outputs/$1")
}

ratio_to_goal() { awk -v a="$1" -v b="$answer_goal_ms" 'BEGIN { printf "%.2f", a / b }'; }

# Each kind of move's longest answer of either window, then the median click
# to pending image, against the goal.
answer_rows() {
  local move ms a b moves what low high
  while read -r move ms a b moves; do
    case $move in
      claim) what="a claim of port 2, clicked on B" ;;
      slow-release) what="a release of port 2, clicked on B, its device 8 s to remove" ;;
      registry-load) what="a registry load, B's controller plugged back" ;;
      double-tap) what="a double tap on B" ;;
      *) what=$move ;;
    esac
    printf 'ROW|Window answer, longest, during %s (real time, %s moves)|%s ms|%s ms (goal)|%s|A %s ms, B %s ms\n' \
      "$what" "$moves" "$ms" "$answer_goal_ms" "$(ratio_to_goal "$ms")" "$a" "$b"
  done < <(sed -n 's/^longest-answer \([a-z-]*\) \([0-9]*\) (A \([0-9]*\), B \([0-9]*\)) of \([0-9]*\)$/\1 \2 \3 \4 \5/p' \
    "$outputs/answers")
  read -r ms moves low high < <(sed -n 's/^click-to-pending \([0-9]*\) of \([0-9]*\) (min \([0-9]*\), max \([0-9]*\))$/\1 \2 \3 \4/p' \
    "$outputs/answers") || return 0
  printf 'ROW|Click to pending image, on B (real time, median of %s)|%s ms (%s-%s)|%s ms (goal)|%s|from the click reaching the window\n' \
    "$moves" "$ms" "$low" "$high" "$answer_goal_ms" "$(ratio_to_goal "$ms")"
}

machine() {
  local cpu cores os wine
  cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
  cores=$(nproc)
  os=$(. /etc/os-release && echo "$PRETTY_NAME")
  wine=$(wine --version 2>/dev/null || echo "no wine")
  echo "$cores cores of $cpu, $os, $(g++ --version | head -n 1), $wine"
}

{
  echo "Measured on $(date -u +%Y-%m-%d): $(machine)"
  echo
  echo "| Measure | Measured | Floor | Ratio | Note |"
  echo "|---|---|---|---|---|"
  cat "$outputs/latency" "$outputs/tick" "$outputs/idle" <(real_rows real) <(real_rows real-mixed ", B on Linux") <(answer_rows) |
    awk -F'|' '$1 == "ROW" { printf "| %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6 }'
} >"$outputs/table"

mkdir -p build
cp "$outputs/table" build/benchmarks.md
echo
cat build/benchmarks.md
