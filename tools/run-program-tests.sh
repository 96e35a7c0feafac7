#!/usr/bin/env bash
# Runs the real program under Wine on a virtual X display and drives it the
# way its user would: the driver (pivora_program_driver.exe) checks the
# program's windows from outside and asks this script for real mouse and
# keyboard input (xdotool) and screenshots (import). A second driver
# (pivora_lock_key_driver.exe) has real keys typed for the program's lock-key
# hook. Needs the Windows build and the Wine prefix that
# tools/run-wine-tests.sh prepares; it calls this script at its end.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows
shots=$build/screenshots

if [[ ${1:-} != --in-session ]]; then
  export WINEPREFIX=${WINEPREFIX:-$build/wine-prefix}
  export WINEDEBUG=-all
  # The same TMPDIR as every other wine call on the prefix (see run-wine-tests.sh).
  TMPDIR=/tmp/pivora-wine-$(id -u)
  export TMPDIR
  mkdir -p "$TMPDIR"
  chmod 700 "$TMPDIR"
  for file in "$build/pivora.exe" "$build/pivora_program_driver.exe" "$build/pivora_program_probe.dll" \
    "$build/pivora_lock_key_driver.exe" "$WINEPREFIX/system.reg"; do
    if [[ ! -e $file ]]; then
      echo "missing $file: run tools/run-wine-tests.sh" >&2
      exit 1
    fi
  done
  rm -rf "$shots"
  mkdir -p "$shots"
  echo "== pivora.exe driven by pivora_program_driver.exe"
  status=0
  timeout --kill-after=10 240 xvfb-run -a -s "-screen 0 1280x800x24" "$0" --in-session || status=$?
  if [[ $status -eq 124 ]]; then
    echo "the program test did not finish in time" >&2
  fi
  echo "screenshots: ${shots#"$root"/}/"
  ls "$shots"
  exit "$status"
fi

# Inside the X session from here on.
driver_exe=$build/pivora_program_driver.exe

source "$root/tools/ended-well.sh"

# Runs a driver exe to its end, serving its requests: "@xdotool ARGS" and
# "@screenshot NAME", each answered with "ok STATUS"; its other lines are
# printed. A driver silent for a minute is stuck and gets stopped. Fails when
# the driver did not end well.
drive() {
  local exe=$1 line result driver from_driver to_driver
  coproc DRIVER { exec wine "$exe" 2>&1; }
  driver=$DRIVER_PID
  # Copies of the pipes: bash closes the coprocess's own when it ends, which
  # could lose its last lines.
  exec {from_driver}<&"${DRIVER[0]}" {to_driver}>&"${DRIVER[1]}"
  while IFS= read -r -t 60 line <&"$from_driver"; do
    line=${line%$'\r'}
    case $line in
      "@xdotool "*)
        result=0
        # shellcheck disable=SC2086  # the arguments are separate words
        xdotool ${line#@xdotool } || result=$?
        echo "ok $result" >&"$to_driver"
        ;;
      "@screenshot "*)
        result=0
        import -window root "$shots/${line#@screenshot }.png" || result=$?
        echo "ok $result" >&"$to_driver"
        ;;
      *)
        echo "$line"
        ;;
    esac
  done || true
  exec {from_driver}<&- {to_driver}>&-
  ended_well "$driver" "${exe##*/}"
}

status=0

# The program as its user meets it, in Wine's default English locale.
wine "$build/pivora.exe" &
program=$!
drive "$driver_exe" || status=1
# The driver ended the program through its tray menu.
ended_well "$program" pivora.exe || status=1

# The program's lock-key hook, with real keys typed while the window it
# reports to sleeps.
echo "== pivora_lock_key_driver.exe"
drive "$build/pivora_lock_key_driver.exe" || status=1

# The busy notice for a user in Taiwan: its Big5 text, whatever the code page.
echo "== pivora.exe in a Traditional Chinese locale"
LC_ALL=zh_TW.UTF-8 wine "$build/pivora.exe" &
program=$!
timeout --kill-after=5 60 wine "$driver_exe" --chinese-notice || status=1
ended_well "$program" pivora.exe || status=1

wineserver -k || true
exit "$status"
