#!/usr/bin/env bash
# The Linux program's idle footprint against a floor: the CPU time and the
# peak memory of `pivora` while it waits, beside those of a bare GTK tray
# program (bench/linux/idle_floor_gtk.cpp: a window, a tray icon, a 1 s and
# a 5 s timer doing nothing) linked with the same libraries and calling into
# each once. Three runs, one after another, natively:
#   pivora on the desktop (no arguments) with no switch present (searching:
#     it lists the hidraw nodes every second, looking for the controller);
#   the simulated build of it on switchsim's Linux computer B, two devices
#     plugged, measured once its controller node is open (and, after the
#     quiet time, the controller's registry loaded);
#   their floor, pivora_idle_floor_gtk.
# Each run has an X server of its own (Xvfb, no window manager, no panel), a
# session bus of its own (dbus-run-session), fresh home and XDG folders, and
# no accessibility bus (NO_AT_BRIDGE=1). With no StatusNotifier watcher on
# that bus no tray would show an icon, so Pivora opens its window at once;
# the floor then shows a window of the panel's size, as it would beside a
# real panel show its icon instead. Each program is measured over a window
# of SECONDS (default 60), which starts once it is up (its window shown)
# and then has been left alone for as long as the Wine runs are:
#   CPU    the time the program's threads ran over the window, to the
#          nanosecond (their schedstat): an idle native program spends a few
#          tens of milliseconds a minute, which /proc/<pid>/stat counts in
#          clock ticks (10 ms), given beside it; the X server's and the
#          session bus's CPU are reported apart, not counted, and
#          switchsim's (the switch itself) too;
#   memory the process's VmHWM (peak resident set) at the end of the window.
# Besides the report, one line per figure for tools/run-benchmarks.sh:
#   ROW|<what>|<measured>|<floor>|<ratio>|<note>
#
# Usage: tools/measure-linux-idle-footprint.sh [SECONDS]
# Another native build than build/: PIVORA_NATIVE_BUILD.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD

fail() {
  echo "measure-linux-idle-footprint: $*" >&2
  exit 1
}

seconds=${1:-60}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || fail "usage: $0 [SECONDS]"
build=${PIVORA_NATIVE_BUILD:-$root/build}
program_exe=$build/pivora
simulated_exe=$build/pivora_simulated
switchsim=$build/switchsim
floor_exe=$build/bench/pivora_idle_floor_gtk

for file in "$program_exe" "$simulated_exe" "$switchsim" "$floor_exe"; do
  [[ -x $file ]] || fail "missing $file: cmake --build ${build#"$root"/} --target pivora pivora_simulated switchsim pivora_idle_floor_gtk"
done
[[ -e $build/generated/pivora_version.h ]] || fail "missing $build/generated/pivora_version.h"
for tool in Xvfb xdotool dbus-run-session ldd umockdev-wrapper; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

# shellcheck source=tools/idle-figures.sh
source "$root/tools/idle-figures.sh"

# The main window's title, "Pivora v" and the version as it shows it (src/ui/texts.h).
shown_version=$(sed -n 's/^#define PIVORA_SHOWN_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/pivora_version.h")
[[ -n $shown_version ]] || fail "no version in $build/generated/pivora_version.h"
title="Pivora v$shown_version"
floor_title="Pivora idle floor"

work=$(mktemp -d "${TMPDIR:-/tmp}/linux-idle-footprint.XXXXXX")
display_server=
runner=
pid=
simulator=

# Gives a process of ours `limit` seconds to end on its own, then stops it.
# shellcheck disable=SC2317  # run by the EXIT trap and between the runs
end_process() {
  for _ in $(seq $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# Whatever happened, nothing started here outlives the script. The program
# is asked to end first: dbus-run-session then ends, and its bus with it.
# shellcheck disable=SC2317  # run by the EXIT trap and between the runs
stop_run() {
  local each
  if [[ -n $pid ]]; then kill "$pid" 2>/dev/null || true; fi
  for each in $runner $display_server; do
    end_process "$each" 5
  done
  pid=
  runner=
  display_server=
}
# shellcheck disable=SC2317  # run by the EXIT trap
stop_everything() {
  stop_run
  stop_switchsim
  rm -rf "$work"
}

# switchsim with B a Linux computer, its console on two pipes as
# tools/run-two-computers.sh runs it, the devices of its demo plugged; what
# the program on B starts with in b_services.
start_switchsim() {
  local listening
  mkfifo "$work/sim.in" "$work/sim.out"
  exec {to_sim}<>"$work/sim.in" {from_sim}<>"$work/sim.out"
  umockdev-wrapper "$switchsim" 0 --linux B <"$work/sim.in" >"$work/sim.out" 2>"$work/switchsim.log" &
  simulator=$!
  IFS= read -r -t 60 listening <&"$from_sim" || true
  [[ ${listening:-} == "listening "* ]] || fail "switchsim did not start: $(cat "$work/switchsim.log")"
  ask_switchsim "plug 3 046d c52b Logitech Receiver"
  ask_switchsim "plug 2 0781 5567 SanDisk Cruzer"
  ask_switchsim "disk B 0781 5567 /media/user/CRUZER"
  ask_switchsim "environment B"
  read -r -a b_services <<<"${reply#ok }"
}

# shellcheck disable=SC2317  # run by the EXIT trap
stop_switchsim() {
  [[ -n $simulator ]] || return 0
  printf 'quit\n' >&"$to_sim" || true
  end_process "$simulator" 10
  exec {to_sim}>&- {from_sim}<&-
  simulator=
}


# B's program has the controller's node open.
host_b_connected() {
  ask_switchsim state
  [[ $reply == *'"B":{"connected":true'* ]]
}
trap stop_everything EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The bus daemon dbus-run-session started beside the program.
bus_daemon_of() {
  local dir stat fields
  for dir in /proc/[0-9]*; do
    [[ $(cat "$dir/comm" 2>/dev/null) == dbus-daemon ]] || continue
    stat=$(cat "$dir/stat" 2>/dev/null) || continue
    read -r -a fields <<<"${stat##*) }"
    if [[ ${fields[1]} == "$1" ]]; then
      echo "${dir#/proc/}"
      return 0
    fi
  done
  return 1
}

# "<tid> <ns>" for each thread of a process: the time it has run, to the
# nanosecond (its schedstat), where stat counts in clock ticks.
thread_run_ns() {
  local task run _
  for task in /proc/"$1"/task/[0-9]*; do
    if read -r run _ 2>/dev/null <"$task/schedstat"; then echo "${task##*/} $run"; fi
  done
}

# The windows shown on the run's display, each as "title" WIDTHxHEIGHT.
shown_windows() {
  local window name size
  for window in $(DISPLAY=$display xdotool search --onlyvisible --name . 2>/dev/null); do
    name=$(DISPLAY=$display xdotool getwindowname "$window" 2>/dev/null) || continue
    size=$(DISPLAY=$display xdotool getwindowgeometry "$window" 2>/dev/null | sed -n 's/^ *Geometry: //p')
    printf '"%s" %s; ' "$name" "$size"
  done
}

# measure NAME READY COMMAND...: COMMAND run on a display and a session bus
# of its own, measured once READY (a command; $display names the display)
# holds and the quiet time has passed. Leaves the figures in cpu_process[NAME],
# cpu_display[NAME], cpu_bus[NAME] (ticks), cpu_exact[NAME] (ns),
# peak[NAME], resident[NAME], private[NAME] (KiB) and windows[NAME].
declare -A cpu_process cpu_exact cpu_display cpu_bus peak resident private windows
measure() {
  local name=$1 ready=$2
  shift 2
  local run=$work/$name started bus
  mkdir -p "$run/home" "$run/config" "$run/state" "$run/cache" "$run/data" "$run/runtime"
  chmod 700 "$run/runtime"
  start_display
  # The shell writes its pid and becomes the program: the pid is the program's.
  # shellcheck disable=SC2016  # expanded by that shell
  env -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u DBUS_SESSION_BUS_ADDRESS DISPLAY="$display" GDK_BACKEND=x11 \
    NO_AT_BRIDGE=1 HOME="$run/home" XDG_CONFIG_HOME="$run/config" XDG_STATE_HOME="$run/state" \
    XDG_CACHE_HOME="$run/cache" XDG_DATA_HOME="$run/data" XDG_RUNTIME_DIR="$run/runtime" \
    dbus-run-session -- sh -c 'echo $$ >"$0"; exec "$@"' "$run/pid" "$@" >"$run/log" 2>&1 &
  runner=$!
  started=$SECONDS
  until [[ -s $run/pid ]] && "$ready"; do
    if ! kill -0 "$runner" 2>/dev/null; then
      local code=0
      wait "$runner" || code=$?
      runner=
      fail "${1##*/} ended at start with exit code $code: $(cat "$run/log")"
    fi
    ((SECONDS - started < start_limit)) || fail "${1##*/} did not come up within $start_limit s"
    sleep 1
  done
  pid=$(cat "$run/pid")
  bus=$(bus_daemon_of "$runner") || fail "no session bus beside ${1##*/}"
  echo "   up after $((SECONDS - started)) s ($ready); quiet for $quiet_seconds s, then $seconds s measured"
  sleep "$quiet_seconds"

  local process_start display_start bus_start thread ran exact=0
  local -A before after
  while read -r thread ran; do before[$thread]=$ran; done < <(thread_run_ns "$pid")
  process_start=$(cpu_ticks "$pid")
  display_start=$(cpu_ticks "$display_server")
  bus_start=$(cpu_ticks "$bus")
  sleep "$seconds"
  kill -0 "$pid" 2>/dev/null || fail "${1##*/} ended during the window: $(cat "$run/log")"
  cpu_process[$name]=$(($(cpu_ticks "$pid") - process_start))
  while read -r thread ran; do after[$thread]=$ran; done < <(thread_run_ns "$pid")
  # A thread that ended during the window is left out; one that started
  # counts whole.
  for thread in "${!after[@]}"; do
    exact=$((exact + after[$thread] - ${before[$thread]:-0}))
  done
  cpu_exact[$name]=$exact
  cpu_display[$name]=$(($(cpu_ticks "$display_server") - display_start))
  cpu_bus[$name]=$(($(cpu_ticks "$bus") - bus_start))
  peak[$name]=$(status_kib "$pid" VmHWM)
  resident[$name]=$(status_kib "$pid" VmRSS)
  private[$name]=$(status_kib "$pid" RssAnon)
  windows[$name]=$(shown_windows)
  stop_run
}

ms_of() { awk -v n="$1" 'BEGIN { printf "%.1f", n / 1e6 }'; }

report() {
  local name=$1
  printf '   CPU %s s, its threads on a CPU %s ms   (X server %s s, session bus %s s)\n' \
    "$(seconds_of "${cpu_process[$name]}")" "$(ms_of "${cpu_exact[$name]}")" "$(seconds_of "${cpu_display[$name]}")" \
    "$(seconds_of "${cpu_bus[$name]}")"
  printf '   memory: peak %s MiB; resident at the end %s MiB, of it private (not file-backed) %s MiB\n' \
    "$(mib_of "${peak[$name]}")" "$(mib_of "${resident[$name]}")" "$(mib_of "${private[$name]}")"
  printf '   windows shown: %s\n' "${windows[$name]%; }"
}

pivora_window_shown() { has_title "$title"; }
simulated_ready() { has_title "$title" && host_b_connected; }
floor_window_shown() { has_title "$floor_title"; }

libraries() { ldd "$1" | awk '{ print $1 }' | sort; }
if ! differing=$(diff <(libraries "$program_exe") <(libraries "$floor_exe")); then
  fail "the floor loads other libraries than pivora:"$'\n'"$differing"
fi

echo "== idle footprint on Linux, $seconds s per program, each on an X server and a session bus of its own"
echo "   both load the same $(libraries "$program_exe" | wc -l) shared libraries"
echo "== pivora, no switch present (searching)"
measure searching pivora_window_shown "$program_exe"
report searching
echo "== pivora_simulated on switchsim's Linux computer B, two devices plugged"
start_switchsim
measure simulated simulated_ready env "${b_services[@]}" umockdev-wrapper "$simulated_exe"
stop_switchsim
report simulated
echo "== pivora_idle_floor_gtk, a bare GTK tray program with pivora's libraries"
measure floor floor_window_shown "$floor_exe"
report floor

# rows PROGRAM-RUN FLOOR-RUN LABEL FLOOR-LABEL
rows() {
  local name=$1 floor=$2 label=$3 floor_label=$4
  echo "ROW|$label, CPU over $seconds s|$(ms_of "${cpu_exact[$name]}") ms|$(ms_of "${cpu_exact[$floor]}") ms ($floor_label)|$(ratio_of "${cpu_exact[$name]}" "${cpu_exact[$floor]}")|in clock ticks $(seconds_of "${cpu_process[$name]}") s, floor $(seconds_of "${cpu_process[$floor]}") s; not counted: X server $(seconds_of "${cpu_display[$name]}") s, session bus $(seconds_of "${cpu_bus[$name]}") s; floor $(seconds_of "${cpu_display[$floor]}") s, $(seconds_of "${cpu_bus[$floor]}") s"
  echo "ROW|$label, peak memory|$(mib_of "${peak[$name]}") MiB|$(mib_of "${peak[$floor]}") MiB ($floor_label)|$(ratio_of "${peak[$name]}" "${peak[$floor]}")|"
}
echo
rows searching floor "pivora searching (Linux)" "bare GTK tray program"
rows simulated floor "pivora_simulated ready on switchsim's Linux computer" "bare GTK tray program"
