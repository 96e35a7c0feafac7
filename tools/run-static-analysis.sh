#!/usr/bin/env bash
# Static analysis of src/: clang-tidy with the checks in .clang-tidy over every
# source file, then cppcheck. The portable code is analysed as the native build
# compiles it, the Windows-only code as the mingw-w64 build does (clang told
# the target and given that compiler's C++ headers). Prints one line per
# analyser and fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh analysis

native=build-analysis-native
mingw=build-analysis-mingw
results="$(mktemp -d)"
trap 'rm -rf "$results"' EXIT

# Only the compile databases are wanted, so the trees are configured, not built.
cmake -S . -B "$native" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --no-warn-unused-cli -S . -B "$mingw" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES=OFF >/dev/null

# Each source is analysed as the native build compiles it or, failing that, as
# the mingw build does; cppcheck reads the sources of each build for its
# platform. A source neither build compiles is a finding of its own.
in_database() { grep -qF "\"file\": \"$PWD/$2\"" "$1/compile_commands.json"; }
native_sources=()
windows_only_sources=()
windows_sources=()
unbuilt=0
while IFS= read -r source; do
  if in_database "$mingw" "$source"; then windows_sources+=("$source"); fi
  if in_database "$native" "$source"; then
    native_sources+=("$source")
  elif in_database "$mingw" "$source"; then
    windows_only_sources+=("$source")
  else
    echo "$source: compiled by no build, so not analysed"
    unbuilt=$((unbuilt + 1))
  fi
done < <(find src -name '*.cpp' | sort)

# clang targeting mingw finds the C headers through the sysroot, but not the
# C++ library of the posix-threads compiler the build uses: ask that compiler.
windows_args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++)
while IFS= read -r dir; do
  case "$dir" in
    */include/c++*) windows_args+=("--extra-arg=-isystem$dir") ;;
    */x86_64-w64-mingw32/include) windows_args+=("--extra-arg=--sysroot=$(realpath "$dir/..")") ;;
  esac
done < <(x86_64-w64-mingw32-g++-posix -std=c++17 -xc++ -E -v - </dev/null 2>&1 |
  sed -n '/#include <...>/,/End of search/s/^ //p')

# One source from one database; each writes a log of its own, so the parallel
# runs do not interleave. A run that fails without a diagnostic still counts.
diagnostic='^[^ ]+:[0-9]+:[0-9]+: (warning|error): '
tidy_one() {
  local database="$1" source="$2"
  shift 2
  local log="$results/${source//\//_}.log" status=0
  clang-tidy --quiet --warnings-as-errors='*' -p "$database" "$@" "$source" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ] && ! grep -qE "$diagnostic" "$log"; then
    echo "$source:1:1: error: clang-tidy exited with status $status [clang-tidy]" >>"$log"
  fi
}
export -f tidy_one
export results diagnostic

start=$SECONDS
{
  for source in "${native_sources[@]}"; do echo "$native $source"; done
  for source in "${windows_only_sources[@]}"; do echo "$mingw $source ${windows_args[*]}"; done
} | xargs -P "$(nproc)" -L 1 bash -c 'tidy_one "$@"' tidy_one
tidy_findings="$(cat "$results"/*.log | grep -E "$diagnostic" | sort -u || true)"
tidy_count=$(printf '%s' "$tidy_findings" | grep -c . || true)
[ -z "$tidy_findings" ] || echo "$tidy_findings"
tidy_result="clang-tidy: $((${#native_sources[@]} + ${#windows_only_sources[@]})) files, $tidy_count findings, $((SECONDS - start)) s"

# cppcheck reads each build's sources for that build's platform: the portable
# code is compiled for both, and a long is 32 bits wide on one only. Its style
# class is left out: here it offers preferences (a standard algorithm for a
# loop, a local named like a member function), not faults.
start=$SECONDS
cppcheck_status=0
cppcheck_pass() {
  cppcheck --quiet --error-exitcode=1 --std=c++17 --language=c++ -I src -j "$(nproc)" \
    --enable=warning,portability,performance --inconclusive --inline-suppr \
    --suppressions-list=tools/cppcheck-suppressions.txt \
    --template='{file}:{line}:{column}: {severity}: {message} [{id}]' "$@" >>"$results/cppcheck.txt" 2>&1 || cppcheck_status=1
}
# Each build's generated headers (the version) beside src/.
cppcheck_pass --platform=unix64 --library=posix -I "$native/generated" "${native_sources[@]}"
cppcheck_pass --platform=win64 --library=windows -I "$mingw/generated" "${windows_sources[@]}"
cppcheck_findings="$(sort -u "$results/cppcheck.txt")"
cppcheck_count=$(printf '%s' "$cppcheck_findings" | grep -c . || true)
[ -z "$cppcheck_findings" ] || echo "$cppcheck_findings"
cppcheck_result="cppcheck: ${#native_sources[@]} native and ${#windows_sources[@]} Windows sources, $cppcheck_count findings, $((SECONDS - start)) s"

echo "$tidy_result"
echo "$cppcheck_result"
[ "$tidy_count" -eq 0 ] && [ "$cppcheck_count" -eq 0 ] && [ "$cppcheck_status" -eq 0 ] && [ "$unbuilt" -eq 0 ]
