#!/usr/bin/env bash
# Cross-builds the Windows targets, checks that every exe imports only system
# DLLs, builds and checks the package, and runs the Windows-side tests under
# Wine on a virtual X display.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-windows --parallel "$(nproc)"

# Only DLLs every Windows installation has: a missing one fails silently under
# Wine and on a user's machine alike.
system_dlls=(advapi32.dll cfgmgr32.dll comctl32.dll comdlg32.dll gdi32.dll hid.dll kernel32.dll msvcrt.dll
  ole32.dll oleaut32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll uxtheme.dll winmm.dll winspool.drv
  ws2_32.dll)
system_dll_list=" ${system_dlls[*]} "

# Prints the DLLs an exe imports; fails for any that is not a system DLL.
check_imports() {
  local exe="$1" dlls dll bad=0
  mapfile -t dlls < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  echo "${exe#"$root"/} imports: ${dlls[*]}"
  for dll in "${dlls[@]}"; do
    if [[ $system_dll_list != *" ${dll,,} "* ]]; then
      echo "  not a system DLL: $dll" >&2
      bad=1
    fi
  done
  return "$bad"
}

mapfile -t exes < <(find "$build" -path "$build/CMakeFiles" -prune -o -path "$build/wine-prefix" -prune \
  -o -path "$build/_CPack_Packages" -prune -o -type f -name '*.exe' -print | sort)
if [[ ${#exes[@]} -eq 0 ]]; then
  echo "no exe was built" >&2
  exit 1
fi
bad_imports=0
for exe in "${exes[@]}"; do
  check_imports "$exe" || bad_imports=1
done
if [[ $bad_imports -ne 0 ]]; then
  exit 1
fi

# The package as users get it: the stripped exe and the README in one zip,
# the symbols in another. Listed, unpacked and checked as shipped.
cmake --build build-windows --target package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
package=$build/pivora-$version-win64.zip
debug_package=$build/pivora-$version-win64-debug.zip
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
package_listing() { cmake -E tar tf "$1" | grep -v '/$' | sort | tr '\n' ' '; }
for zip in "$package" "$debug_package"; do
  echo "${zip#"$root"/}: $(package_listing "$zip")"
done
top=pivora-$version-win64
if [[ $(package_listing "$package") != "$top/README.txt $top/pivora.exe " ||
  $(package_listing "$debug_package") != "$top/pivora.exe.debug " ]]; then
  echo "the packages do not hold what they should" >&2
  exit 1
fi
(cd "$unpacked" && cmake -E tar xf "$package" && cmake -E tar xf "$debug_package")
shipped=$unpacked/$top/pivora.exe
sections=$(x86_64-w64-mingw32-objdump -h "$shipped")
if [[ $sections == *.debug_* || $sections != *.gnu_debuglink* ]]; then
  echo "the packaged pivora.exe is not stripped, or names no symbol file" >&2
  exit 1
fi
check_imports "$shipped"
rm -rf "$unpacked"
trap - EXIT

"$root/tools/prepare-wine-prefix.sh"

# The same prefix and TMPDIR as its preparation (see prepare-wine-prefix.sh).
export WINEPREFIX=$build/wine-prefix
export WINEDEBUG=-all
TMPDIR=/tmp/pivora-wine-$(id -u)
export TMPDIR

trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

mapfile -t tests < <(find "$build" -maxdepth 1 -type f -name 'pivora_wine_*.exe' | sort)
if [[ ${#tests[@]} -eq 0 ]]; then
  echo "no pivora_wine_*.exe was built" >&2
  exit 1
fi

# All tests run in one X session, each under its own time limit; every one
# runs even after a failure, and the session fails if any did. The wineserver
# goes down inside the session: Wine's desktop process would otherwise outlive
# the display and complain when it vanishes.
test_timeout=120
status=0
# shellcheck disable=SC2016  # the variables belong to the inner shell
timeout --kill-after=10 $((test_timeout * ${#tests[@]} + 30)) \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  bash -c '
    limit=$1
    shift
    status=0
    for exe in "$@"; do
      name=${exe##*/}
      echo "== $name"
      result=0
      timeout --kill-after=10 "$limit" wine "$exe" || result=$?
      if [[ $result -eq 124 || $result -eq 137 ]]; then
        echo "$name did not finish within $limit s" >&2
      elif [[ $result -ne 0 ]]; then
        echo "$name failed with exit code $result" >&2
      fi
      if [[ $result -ne 0 ]]; then status=1; fi
    done
    wineserver -k || true
    exit "$status"' \
  run "$test_timeout" "${tests[@]}" || status=$?
if [[ $status -eq 124 ]]; then
  echo "the Wine tests did not finish in time" >&2
fi

# The program itself, driven from outside as its user would, in its own X
# session on the same prefix.
"$root/tools/run-program-tests.sh" || status=1
# Two computers, hosts A and B, sharing one simulated switch; then the
# tour's first steps again with both at 200 % (192 dpi), where every window,
# font and bitmap is drawn at that scale.
"$root/tools/run-two-computers.sh" || status=1
"$root/tools/run-two-computers.sh" --tour --dpi 192 || status=1
# The same switch between A on Windows and B on Linux: the Linux program on a
# Linux computer of switchsim's, its window beside A's.
"$root/tools/run-two-computers.sh" --mixed || status=1
exit "$status"
