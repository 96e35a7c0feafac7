#!/usr/bin/env bash
# Pivora's idle footprint under Wine against a floor: the CPU time and the
# peak memory of the program while it waits, beside those of a bare tray
# utility (a hidden window, a tray icon, a 1 s and a 5 s timer doing nothing)
# that loads the same system DLLs. Four runs, one after another:
#   pivora.exe with no switch present (searching: it lists the HID devices
#     every second, looking for the controller);
#   its floor, pivora_idle_floor.exe;
#   pivora_simulated.exe with switchsim serving host A, two devices plugged,
#     measured once the program is Ready;
#   its floor, pivora_idle_floor_simulated.exe, with the simulated build's
#     DLLs (winsock instead of SetupAPI, HID, the spooler and advapi32, whose
#     Wine libraries alone differ by megabytes).
# Each run has a fresh copy of one Wine prefix and an X server of its own,
# so the wineserver serves that program and Wine's own services alone (the
# desktop, the device host, ...): the same idle services in every run, whose
# share of the wineserver the floor's figure holds too. Each program is
# measured over a window of SECONDS (default 60), which starts once it shows
# its window title (and, simulated, is Ready) and then has been left alone
# for a while:
#   CPU    user + system time of the program's process (/proc/<pid>/stat) and
#          of the wineserver over the window; Wine's services are reported
#          apart, not counted; switchsim (the switch itself) likewise;
#   memory the process's VmHWM (peak resident set) at the end of the window.
# Also the size of pivora.exe as shipped (stripped) and of its symbols file,
# and the Linux program's idle footprint against its own floor, measured
# natively by tools/measure-linux-idle-footprint.sh (which runs alone too).
# Besides the report, one line per figure for tools/run-benchmarks.sh:
#   ROW|<what>|<measured>|<floor>|<ratio>|<note>
#
# Usage: tools/measure-idle-footprint.sh [SECONDS]
# Other locations than the standard ones, for a build of one's own:
#   PIVORA_WINDOWS_BUILD  the Windows build with the four exes (build-windows)
#   PIVORA_SWITCHSIM_EXE  the native switch simulator (build/switchsim)
#   PIVORA_WINE_TEMPLATE  the Wine prefix copied for each run, which
#                         tools/prepare-wine-prefix.sh prepares
#                         (<Windows build>/wine-prefix); never written
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD

fail() {
  echo "measure-idle-footprint: $*" >&2
  exit 1
}

seconds=${1:-60}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || fail "usage: $0 [SECONDS]"
build=${PIVORA_WINDOWS_BUILD:-$root/build-windows}
switchsim=${PIVORA_SWITCHSIM_EXE:-$root/build/switchsim}
template=${PIVORA_WINE_TEMPLATE:-$build/wine-prefix}
template=${template%/}
# shellcheck source=tools/idle-figures.sh
source "$root/tools/idle-figures.sh"

for file in "$build/pivora.exe" "$build/pivora.exe.debug" "$build/pivora_simulated.exe" \
  "$build/pivora_idle_floor.exe" "$build/pivora_idle_floor_simulated.exe" "$build/generated/pivora_version.h" \
  "$template/system.reg"; do
  [[ -e $file ]] || fail "missing $file: build the Windows targets and run tools/prepare-wine-prefix.sh"
done
[[ -x $switchsim ]] || fail "missing $switchsim: cmake --build build --target switchsim"
for tool in Xvfb xdotool wine wineserver x86_64-w64-mingw32-objcopy; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
# The main window's title, "Pivora v" and the version as it shows it (src/ui/texts.h).
shown_version=$(sed -n 's/^#define PIVORA_SHOWN_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/pivora_version.h")
[[ -n $shown_version ]] || fail "no version in $build/generated/pivora_version.h"
title="Pivora v$shown_version"
floor_title="Pivora idle floor"

export WINEDEBUG=-all
# The same TMPDIR as every other wine call of the project (see run-wine-tests.sh).
TMPDIR=/tmp/pivora-wine-$(id -u)
export TMPDIR
mkdir -p "$TMPDIR"
chmod 700 "$TMPDIR"

# The pids of the processes running on a Wine prefix: every one of them,
# the wineserver included, was started with that WINEPREFIX. This script
# never exports WINEPREFIX, so none of its own processes carry it.
prefix_pids() {
  local dir
  for dir in /proc/[0-9]*; do
    if tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$1"; then
      echo "${dir#/proc/}"
    fi
  done
}

is_wineserver() {
  local name
  name=$(cat "/proc/$1/comm" 2>/dev/null) || return 1
  [[ $name == wineserver* ]]
}

# The template is copied only while no wineserver runs on it: a running one
# may be writing its registry files.
template_busy() {
  local pid
  for pid in $(prefix_pids "$template"); do
    is_wineserver "$pid" && return 0
  done
  return 1
}
for _ in $(seq 30); do
  template_busy || break
  sleep 1
done
template_busy && fail "a wineserver keeps running on $template"

work=$(mktemp -d "$TMPDIR/idle-footprint.XXXXXX")
prefix=
display_server=
simulator=
program=

# Whatever happened, nothing started here outlives the script.
# shellcheck disable=SC2317  # run by the EXIT trap and between the runs
stop_run() {
  if [[ -n $prefix ]]; then
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix timeout 20 wineserver -w >/dev/null 2>&1 || true
  fi
  local pid
  for pid in $program $simulator $display_server; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [[ -n $simulator ]]; then
    exec {to_sim}>&- {from_sim}<&-
  fi
  program=
  simulator=
  display_server=
  if [[ -n $prefix ]]; then
    rm -rf "$prefix"
    prefix=
  fi
}
# shellcheck disable=SC2317  # run by the EXIT trap
stop_everything() {
  stop_run
  rm -rf "$work"
}
trap stop_everything EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The base every run copies: the template with the settings of a run with no
# window manager, and whatever a first start on this Wine does to a prefix
# done once here, so that no run pays for it.
base=$work/base
cp -a "$template" "$base"
prefix=$base
WINEPREFIX=$base wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
WINEPREFIX=$base wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
WINEPREFIX=$base wineserver -k >/dev/null 2>&1 || true
WINEPREFIX=$base timeout 20 wineserver -w
prefix=

# switchsim with its console on two pipes, as tools/run-two-computers.sh
# runs it, and the devices of its demo plugged.
start_switchsim() {
  local listening
  rm -f "$work/sim.in" "$work/sim.out"
  mkfifo "$work/sim.in" "$work/sim.out"
  exec {to_sim}<>"$work/sim.in" {from_sim}<>"$work/sim.out"
  "$switchsim" 0 <"$work/sim.in" >"$work/sim.out" 2>"$work/switchsim.log" &
  simulator=$!
  IFS= read -r -t 10 listening <&"$from_sim" || fail "switchsim did not start: $(cat "$work/switchsim.log")"
  port=${listening#listening }
  [[ $port =~ ^[0-9]+$ ]] || fail "switchsim said \"$listening\""
  ask_switchsim "plug 3 046d c52b Logitech Receiver"
  ask_switchsim "plug 2 0781 5567 SanDisk Cruzer"
}


# Ready, as the switch sees it: host A connected, and both plugged devices
# written into the controller's registry slots, which the program does once
# it has read the controller's info and the ports' status.
host_a_ready() {
  local slots
  ask_switchsim state
  slots=${reply#*'"slots":'}
  [[ $reply == *'"A":{"connected":true'* && $slots != "$reply" && $slots == *'"vid":"0781","pid":"5567"'* &&
    $slots == *'"vid":"046D","pid":"C52B"'* ]]
}

# "<pid> <CPU ticks>" for every process on the prefix but the program (pid)
# and the wineserver (server): Wine's own services.
services_ticks() {
  local each ticks
  for each in $(prefix_pids "$prefix"); do
    [[ $each == "$pid" || $each == "$server" ]] && continue
    if ticks=$(cpu_ticks "$each"); then echo "$each $ticks"; fi
  done
}

# measure NAME EXE [ready]: one run, with switchsim and until Ready when
# asked; leaves its figures in cpu_process[NAME], cpu_server[NAME],
# cpu_services[NAME], cpu_switchsim[NAME] (ticks), and peak[NAME],
# resident[NAME], private[NAME] (KiB).
declare -A cpu_process cpu_server cpu_services cpu_switchsim peak resident private
measure() {
  local name=$1 exe=$2 wait_ready=0 want=$title environment pid server started now command_line
  if [[ ${3:-} == ready ]]; then wait_ready=1; fi
  if [[ ${exe##*/} == pivora_idle_floor* ]]; then want=$floor_title; fi

  prefix=$work/prefix
  cp -a "$base" "$prefix"
  start_display
  environment=(DISPLAY="$display" WINEPREFIX="$prefix")
  if [[ $wait_ready -eq 1 ]]; then
    start_switchsim
    environment+=("PIVORA_SWITCHSIM=$port:A")
  fi
  env "${environment[@]}" wine "$exe" >"$work/$name.log" 2>&1 &
  program=$!
  started=$SECONDS
  until has_title "$want" && { [[ $wait_ready -eq 0 ]] || host_a_ready; }; do
    if ! kill -0 "$program" 2>/dev/null; then
      local code=0
      wait "$program" || code=$?
      program=
      fail "${exe##*/} ended at start with exit code $code: $(cat "$work/$name.log")"
    fi
    ((SECONDS - started < start_limit)) || fail "${exe##*/} did not come up within $start_limit s"
    sleep 1
  done
  echo "   up after $((SECONDS - started)) s (window \"$want\"$([[ $wait_ready -eq 1 ]] && echo ", Ready")); quiet for $quiet_seconds s, then $seconds s measured"
  sleep "$quiet_seconds"

  # Under Wine the exe runs in a Linux process of its own whose command line
  # names it; the wineserver and Wine's services run on the same prefix.
  pid=
  server=
  local -A before after
  for now in $(prefix_pids "$prefix"); do
    if is_wineserver "$now"; then
      server=$now
    else
      command_line=$(tr '\0' '\n' <"/proc/$now/cmdline" 2>/dev/null | head -n 1) || continue
      command_line=${command_line##*[/\\]}
      [[ ${command_line,,} == "${exe##*/}" ]] && pid=$now
    fi
  done
  [[ -n $pid ]] || fail "no process runs ${exe##*/}"
  [[ -n $server ]] || fail "no wineserver runs on the prefix"

  local process_start server_start simulator_start=0 services=0 each ticks
  while read -r each ticks; do before[$each]=$ticks; done < <(services_ticks)
  process_start=$(cpu_ticks "$pid")
  server_start=$(cpu_ticks "$server")
  [[ -n $simulator ]] && simulator_start=$(cpu_ticks "$simulator")
  sleep "$seconds"
  kill -0 "$pid" 2>/dev/null || fail "${exe##*/} ended during the window: $(cat "$work/$name.log")"
  kill -0 "$server" 2>/dev/null || fail "the wineserver ended during the window"
  cpu_process[$name]=$(($(cpu_ticks "$pid") - process_start))
  cpu_server[$name]=$(($(cpu_ticks "$server") - server_start))
  cpu_switchsim[$name]=0
  [[ -n $simulator ]] && cpu_switchsim[$name]=$(($(cpu_ticks "$simulator") - simulator_start))
  while read -r each ticks; do after[$each]=$ticks; done < <(services_ticks)
  # A service that ended during the window is left out; one that started
  # counts whole.
  for each in "${!after[@]}"; do
    services=$((services + after[$each] - ${before[$each]:-0}))
  done
  cpu_services[$name]=$services
  peak[$name]=$(status_kib "$pid" VmHWM)
  resident[$name]=$(status_kib "$pid" VmRSS)
  private[$name]=$(status_kib "$pid" RssAnon)
  if [[ $wait_ready -eq 1 ]]; then
    host_a_ready || fail "${exe##*/} was no longer Ready at the end of the window"
  fi
  stop_run
}

report() {
  local name=$1
  local total=$((cpu_process[$name] + cpu_server[$name]))
  printf '   CPU %s s = process %s s + wineserver %s s   (Wine'"'"'s services %s s%s)\n' \
    "$(seconds_of "$total")" "$(seconds_of "${cpu_process[$name]}")" "$(seconds_of "${cpu_server[$name]}")" \
    "$(seconds_of "${cpu_services[$name]}")" \
    "$([[ ${cpu_switchsim[$name]} -ne 0 ]] && echo ", switchsim $(seconds_of "${cpu_switchsim[$name]}") s")"
  printf '   memory: peak %s MiB; resident at the end %s MiB, of it private (not file-backed) %s MiB\n' \
    "$(mib_of "${peak[$name]}")" "$(mib_of "${resident[$name]}")" "$(mib_of "${private[$name]}")"
}

echo "== idle footprint under Wine, $seconds s per program, each in a fresh copy of ${template#"$root"/}"
echo "== pivora.exe, no switch present (searching)"
measure searching "$build/pivora.exe"
report searching
echo "== pivora_idle_floor.exe, a bare tray utility with pivora.exe's DLLs"
measure floor "$build/pivora_idle_floor.exe"
report floor
echo "== pivora_simulated.exe, switchsim serving host A, two devices plugged (Ready)"
measure ready "$build/pivora_simulated.exe" ready
report ready
echo "== pivora_idle_floor_simulated.exe, a bare tray utility with pivora_simulated.exe's DLLs"
measure floor_simulated "$build/pivora_idle_floor_simulated.exe"
report floor_simulated

size_kib() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.0f", b / 1024 }'; }
shipped=$(size_kib "$build/pivora.exe")
floor_shipped=$(size_kib "$build/pivora_idle_floor.exe")
symbols=$(size_kib "$build/pivora.exe.debug")
# The debug link: the symbols file's name, then padding and its checksum.
x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink="$work/debuglink" "$build/pivora.exe" "$work/scratch.exe" ||
  fail "pivora.exe has no debug link"
debuglink=$(tr '\0' '\n' <"$work/debuglink" | head -n 1)
echo "== as shipped"
echo "   pivora.exe $shipped KiB stripped, its symbols in pivora.exe.debug ($symbols KiB), debug link \"$debuglink\""
echo "   pivora_idle_floor.exe $floor_shipped KiB stripped"

signed_seconds_of() { awk -v t="$1" -v hz="$clock_ticks" 'BEGIN { printf "%+.2f", t / hz }'; }
signed_mib_of() { awk -v k="$1" 'BEGIN { printf "%+.1f", k / 1024 }'; }

# What a program costs beyond its floor: its own work. Most of a floor's CPU
# is Wine's, spent by every Wine program alike (the wineserver wakes about 60
# times a second to update the clock it shares with its processes).
beyond() {
  local name=$1 floor=$2 label=$3
  printf '   %s: CPU %s s (process %s s, wineserver %s s), peak memory %s MiB\n' "$label" \
    "$(signed_seconds_of $((cpu_process[$name] + cpu_server[$name] - cpu_process[$floor] - cpu_server[$floor])))" \
    "$(signed_seconds_of $((cpu_process[$name] - cpu_process[$floor])))" \
    "$(signed_seconds_of $((cpu_server[$name] - cpu_server[$floor])))" \
    "$(signed_mib_of $((peak[$name] - peak[$floor])))"
}
echo "== beyond the floor over $seconds s"
beyond searching floor "pivora.exe searching"
beyond ready floor_simulated "pivora_simulated.exe ready"

# rows PROGRAM-RUN FLOOR-RUN LABEL FLOOR-LABEL
rows() {
  local name=$1 floor=$2 label=$3 floor_label=$4
  local total=$((cpu_process[$name] + cpu_server[$name])) floor_total=$((cpu_process[$floor] + cpu_server[$floor]))
  echo "ROW|$label, CPU over $seconds s|$(seconds_of "$total") s|$(seconds_of "$floor_total") s ($floor_label)|$(ratio_of "$total" "$floor_total")|process $(seconds_of "${cpu_process[$name]}") s + wineserver $(seconds_of "${cpu_server[$name]}") s; floor $(seconds_of "${cpu_process[$floor]}") s + $(seconds_of "${cpu_server[$floor]}") s"
  echo "ROW|$label, peak memory|$(mib_of "${peak[$name]}") MiB|$(mib_of "${peak[$floor]}") MiB ($floor_label)|$(ratio_of "${peak[$name]}" "${peak[$floor]}")|"
}
linux_figures=$("$root/tools/measure-linux-idle-footprint.sh" "$seconds")
grep -v -e '^ROW|' -e '^$' <<<"$linux_figures"

echo
rows searching floor "pivora.exe searching" "bare tray utility"
rows ready floor_simulated "pivora_simulated.exe ready" "bare tray utility, same DLLs"
grep '^ROW|' <<<"$linux_figures"
echo "ROW|pivora.exe as shipped (stripped)|$shipped KiB|$floor_shipped KiB|$(ratio_of "$shipped" "$floor_shipped")|"
echo "ROW|pivora.exe symbols (pivora.exe.debug)|$symbols KiB|||kept for crash analysis"
