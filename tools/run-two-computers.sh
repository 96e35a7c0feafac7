#!/usr/bin/env bash
# The two-computer run: the switch simulator (switchsim, native) serves two
# copies of the simulated build of the program, host A and host B, each in a
# Wine prefix of its own, that is, on a computer of its own, both windows on
# one virtual X display. A driver runs on each computer
# (pivora_two_computers_driver.exe): B's answers commands about its computer;
# A's plays the scenario and asks this script for everything beyond its own
# computer, one answer line each:
#   @sim <command>     a line for switchsim's console, answered with its reply
#   @b <command>       a command for B's driver, answered with its reply
#   @start A|B         starts the program on that computer, answered "ok"
#   @xdotool <args>    real mouse and keyboard input, answered "ok STATUS"
#   @screenshot NAME   the whole screen into build-windows/screenshots/two-computers/NAME.png
# With --tour, A's driver plays only the scenario's first steps (the start, a
# claim, a release, a double tap, a busy device) and the screenshots go to
# build-windows/screenshots/tour/. With --latency [N] (N 5 unless given),
# A's driver times four moves asked for on B, N times over (a click on B's
# claim arrow and on its release arrow of port 2, a NumLock double tap that
# gives B both ports and one that gives them back), printing a line
# "latency <move> <ms>" each, and this script ends with each move's median,
# least and most; its only screenshot, the last, goes to
# build-windows/screenshots/latency/. With --responsiveness [N] (N 3 unless
# given), A's driver watches how promptly both windows answer while four
# kinds of move asked for on B go on, N times over: a claim of port 2, its
# release while its device takes 8 s to be removed, a registry load as B's
# controller comes back, and a NumLock double tap each way. A thread sends
# each window WM_NULL every 20 ms; each move prints a line "answer <move>
# <host> <longest ms> <answered> <unanswered>" for each window, and each
# click "pending <move> <ms>", from the click reaching the window to its
# pending image. This script ends with a line "longest-answer <move> <ms>
# (A <ms>, B <ms>) of <moves>" a kind of move, the longest answer of either
# window over all its moves, and "click-to-pending <median ms> of <clicks>
# (min <ms>, max <ms>)"; its only screenshot, the last, goes to
# build-windows/screenshots/responsiveness/. With --show, there is no scenario: both
# programs start on the X display in DISPLAY, their windows side by side, and
# switchsim's console is this script's standard input until "quit" or its end.
# With --dpi N after any of these, both computers run at N dpi (96 is 100 %,
# 192 200 %): each is then a copy of the prepared prefix whose display
# setting (LogPixels) says N, the virtual screen and the windows' places grow
# with it, and the screenshots go to a folder named with -<N>dpi.
# With --mixed first, B is a Linux computer instead: switchsim serves it as
# one (switchsim --linux B, under umockdev-wrapper), and the simulated build
# of the Linux program runs there natively, its window beside A's on the one
# display, on a session bus and in a home folder of its own, under umockdev's
# preload pointed at switchsim's testbed with switchsim's system bus and
# cupsd (its console's `environment B`); B's driver is the agent of
# tests/linux/linux_agent.cpp. The scenario, the tour, the latency run and
# --show play the pair so; the screenshots go to a folder named with mixed-.
# Needs the Windows build and the Wine prefix that tools/prepare-wine-prefix.sh
# prepares (tools/run-wine-tests.sh calls this script at its end, and
# tools/demo.sh with --tour or --show); builds switchsim (and with --mixed the
# Linux program and its agent) if need be.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows
prefix_a=$build/wine-prefix
switchsim=$root/build/switchsim
driver_exe=$build/pivora_two_computers_driver.exe

export WINEDEBUG=-all
# The same TMPDIR as every other wine call on these prefixes (see run-wine-tests.sh).
TMPDIR=/tmp/pivora-wine-$(id -u)
export TMPDIR
# B's computer: a copy of A's, made for each run and removed after it, kept
# outside the build so that nothing looks for the build's exes in it; named
# after the checkout, so that two checkouts' runs never share it.
prefix_b=$TMPDIR/prefix-b.${root##*/}

fail() {
  # To both outputs, each written to as it is open: `tee /dev/stderr` would
  # open a log file behind stderr afresh, and empty it.
  echo "run-two-computers: $*"
  echo "run-two-computers: $*" >&2
  exit 1
}

in_session=0
if [[ ${1:-} == --in-session ]]; then
  in_session=1
  shift
fi
arguments=("$@")
usage="usage: $0 [--mixed] [--tour|--latency [N]|--responsiveness [N]|--show] [--dpi N]"
mixed=0
if [[ ${1:-} == --mixed ]]; then
  mixed=1
  shift
fi
mode=scenario
repetitions=5
dpi=96
case ${1:-} in
  "" | --dpi) ;;
  --tour) mode=tour ;;
  --show) mode=show ;;
  --latency)
    mode=latency
    if [[ ${2:-} != --dpi ]]; then repetitions=${2:-5}; fi
    [[ $repetitions =~ ^[1-9][0-9]?$ ]] || fail "--latency takes a number of repetitions from 1 to 99"
    ;;
  --responsiveness)
    mode=responsiveness
    repetitions=3
    if [[ ${2:-} != --dpi ]]; then repetitions=${2:-3}; fi
    [[ $repetitions =~ ^[1-9][0-9]?$ ]] || fail "--responsiveness takes a number of rounds from 1 to 99"
    ;;
  *) fail "$usage" ;;
esac
while [[ $# -gt 0 && $1 != --dpi ]]; do shift; done
if [[ $# -gt 0 ]]; then
  dpi=${2:-}
  [[ $dpi =~ ^[1-9][0-9]{1,2}$ && $# -eq 2 ]] || fail "$usage (N in dpi, 96 at 100 %)"
fi
if [[ $mixed -eq 1 && ($mode == responsiveness || $dpi -ne 96) ]]; then
  fail "--mixed plays the scenario, the tour, the latency run or --show, at 96 dpi"
fi
# A length of the 96 dpi screen, at this run's resolution.
at_dpi() {
  echo $(($1 * dpi / 96))
}
shots=$build/screenshots/two-computers
if [[ $mode == tour || $mode == latency || $mode == responsiveness ]]; then
  shots=$build/screenshots/$mode
fi
if [[ $mixed -eq 1 ]]; then
  shots=$build/screenshots/mixed
  [[ $mode == scenario || $mode == show ]] || shots=$shots-$mode
fi
if [[ $dpi -ne 96 ]]; then
  shots=$shots-${dpi}dpi
  # A's computer too is a copy, so that the prepared prefix keeps 96 dpi.
  prefix_a=$TMPDIR/prefix-a.${root##*/}
fi
screen="$(at_dpi 1280)x$(at_dpi 800)x24"

if [[ $in_session -eq 0 ]]; then
  if [[ $mixed -eq 1 ]]; then
    echo "== two computers: pivora_simulated.exe on host A, the Linux program on host B, switchsim between them"
  else
    echo "== two computers: pivora_simulated.exe on hosts A and B, switchsim between them"
  fi
  # A step of the setting up that fails says which, on both outputs: the
  # run's log may keep only one of them.
  trap 'fail "setting up failed at line $LINENO: $BASH_COMMAND"' ERR

  if [[ $mode == show && -z ${DISPLAY:-} ]]; then
    fail "--show needs an X display in DISPLAY"
  fi
  for file in "$build/pivora_simulated.exe" "$driver_exe" "$build/pivora_program_probe.dll" "$build/wine-prefix/system.reg"; do
    [[ -e $file ]] || fail "missing $file: run tools/demo.sh or tools/run-wine-tests.sh"
  done
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  native_targets=(switchsim)
  [[ $mixed -eq 0 ]] || native_targets+=(pivora_simulated pivora_linux_agent)
  cmake --build build -j "$(nproc)" --target "${native_targets[@]}" >/dev/null
  mkdir -p "$TMPDIR"
  chmod 700 "$TMPDIR"

  # B's computer (and A's at another dpi) is a copy of the prepared prefix,
  # taken while no wineserver runs on it, with the settings
  # prepare-wine-prefix.sh gave it.
  WINEPREFIX=$build/wine-prefix wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$build/wine-prefix wineserver -w
  copies=("$prefix_b")
  [[ $prefix_a == "$build/wine-prefix" ]] || copies+=("$prefix_a")
  for prefix in "${copies[@]}"; do
    rm -rf "$prefix"
    cp -a "$build/wine-prefix" "$prefix"
    # Read by Wine as its server starts: every program on it sees this resolution.
    if [[ $dpi -ne 96 ]]; then
      WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
      WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
      WINEPREFIX=$prefix wineserver -w
    fi
  done
  trap - ERR

  if [[ $mode == show ]]; then
    exec "$0" --in-session "${arguments[@]}"
  fi
  limit=360
  if [[ $mode == tour ]]; then
    limit=180
  elif [[ $mode == latency ]]; then
    limit=$((120 + 60 * repetitions))
  elif [[ $mode == responsiveness ]]; then
    limit=$((120 + 90 * repetitions))
  fi
  rm -rf "$shots"
  mkdir -p "$shots"
  status=0
  started=$SECONDS
  timeout --kill-after=10 "$limit" xvfb-run -a -s "-screen 0 $screen" "$0" --in-session "${arguments[@]}" || status=$?
  if [[ $status -eq 124 ]]; then
    echo "the two-computer run did not finish in time" >&2
  fi
  echo "the two-computer run took $((SECONDS - started)) s"
  echo "screenshots: ${shots#"$root"/}/"
  ls "$shots"
  exit "$status"
fi

# Inside the X session from here on.
work=$(mktemp -d "$TMPDIR/two-computers.XXXXXX")
started_pids=()

# Whatever happened, nothing started here outlives the run.
# shellcheck disable=SC2317  # run by the EXIT trap
stop_everything() {
  local pid prefix
  # switchsim asked to quit first: only so does a Linux computer's bus,
  # mocks and cupsd go with it.
  if [[ -n ${simulator:-} ]] && kill -0 "$simulator" 2>/dev/null; then
    echo quit >&"$to_sim" || true
    for _ in $(seq 100); do
      kill -0 "$simulator" 2>/dev/null || break
      sleep 0.1
    done
  fi
  for pid in "${started_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${started_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  for prefix in "$prefix_a" "$prefix_b"; do
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
  done
  rm -rf "$work" "$prefix_b"
  [[ $prefix_a == "$build/wine-prefix" ]] || rm -rf "$prefix_a"
}
trap stop_everything EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

source "$root/tools/ended-well.sh"

# switchsim with its console on two pipes: each of our lines is answered
# with one of its own. Opened read-write here first, so no open blocks.
mkfifo "$work/sim.in" "$work/sim.out"
exec {to_sim}<>"$work/sim.in" {from_sim}<>"$work/sim.out"
if [[ $mixed -eq 1 ]]; then
  umockdev-wrapper "$switchsim" 0 --linux B <"$work/sim.in" >"$work/sim.out" 2>"$work/switchsim.log" &
else
  "$switchsim" 0 <"$work/sim.in" >"$work/sim.out" 2>"$work/switchsim.log" &
fi
simulator=$!
started_pids+=("$simulator")
# A Linux computer's services (python-dbusmock, cupsd) take a while to start.
IFS= read -r -t 60 listening <&"$from_sim" || fail "switchsim did not start: $(cat "$work/switchsim.log")"
port=${listening#listening }
[[ $port =~ ^[0-9]+$ ]] || fail "switchsim said \"$listening\""
echo "switchsim listening on 127.0.0.1:$port"

declare -A prefix_of=([A]=$prefix_a [B]=$prefix_b)

# The program on one computer, when the scenario asks for it.
declare -A program
start_program() {
  if [[ -z ${prefix_of[$1]:-} ]]; then
    reply="error no host $1"
    return
  fi
  if [[ $1 == B && $mixed -eq 1 ]]; then
    "${linux_b[@]}" umockdev-wrapper "$root/build/pivora_simulated" >>"$work/b.log" 2>&1 &
  else
    WINEPREFIX=${prefix_of[$1]} PIVORA_SWITCHSIM=$port:$1 wine "$build/pivora_simulated.exe" &
  fi
  program[$1]=$!
  started_pids+=("$!")
  reply=ok
}

# A driver as an agent on one computer, answering each command with one line
# starting with "=".
declare -A agent to_agent from_agent
start_agent() {
  local to from
  mkfifo "$work/$1.in" "$work/$1.out"
  exec {to}<>"$work/$1.in" {from}<>"$work/$1.out"
  to_agent[$1]=$to
  from_agent[$1]=$from
  if [[ $1 == B && $mixed -eq 1 ]]; then
    "${linux_b[@]}" "$root/build/pivora_linux_agent" <"$work/$1.in" >"$work/$1.out" 2>&1 &
  else
    WINEPREFIX=${prefix_of[$1]} wine "$driver_exe" --agent <"$work/$1.in" >"$work/$1.out" 2>&1 &
  fi
  agent[$1]=$!
  started_pids+=("$!")
}

stop_agent() {
  echo quit >&"${to_agent[$1]}"
  ended_well "${agent[$1]}" "$1's driver" 10
}

ask_switchsim() {
  printf '%s\n' "$1" >&"$to_sim"
  if ! IFS= read -r -t 10 reply <&"$from_sim"; then
    echo "switchsim did not answer \"$1\"" >&2
    reply="error no answer"
  fi
}

# An agent may print other lines first (Wine's own); they are passed on.
ask_agent() {
  local line
  printf '%s\n' "$2" >&"${to_agent[$1]}"
  while IFS= read -r -t 60 line <&"${from_agent[$1]}"; do
    line=${line%$'\r'}
    if [[ $line == =* ]]; then
      reply=${line#=}
      return
    fi
    echo "$1: $line"
  done
  echo "$1's driver did not answer \"$2\"" >&2
  reply="error no answer"
}

# A Linux B: its session bus and home folder, and what switchsim's console
# says its program starts with.
linux_b=()
if [[ $mixed -eq 1 ]]; then
  ask_switchsim "environment B"
  [[ $reply == "ok "* ]] || fail "switchsim has no Linux computer B: $reply $(cat "$work/switchsim.log")"
  read -r -a b_services <<<"${reply#ok }"
  mkdir -p "$work/home-b"
  {
    read -r b_bus
    read -r b_bus_pid
  } < <(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1)
  [[ -n $b_bus && $b_bus_pid =~ ^[0-9]+$ ]] || fail "no session bus for B"
  started_pids+=("$b_bus_pid")
  linux_b=(env DBUS_SESSION_BUS_ADDRESS="$b_bus" HOME="$work/home-b" XDG_CONFIG_HOME="$work/home-b/.config"
    XDG_STATE_HOME="$work/home-b/.local/state" XDG_RUNTIME_DIR="$work/home-b" NO_AT_BRIDGE=1 GDK_BACKEND=x11
    "${b_services[@]}")
  echo "host B: a Linux computer, ${b_services[*]}"
fi

# Both programs on the display, side by side, and switchsim's console to the
# person at the keyboard until "quit"; the EXIT trap stops everything then.
hand_over() {
  local host x line
  ask_switchsim "plug 3 046d c52b Logitech Receiver"
  ask_switchsim "plug 2 0781 5567 SanDisk Cruzer"
  [[ $mixed -eq 0 ]] || ask_switchsim "disk B 0781 5567 /media/user/CRUZER"
  # A first, so that it records its devices in the controller's registry
  # and B names them from there.
  for host in A B; do
    x=$(at_dpi 40)
    [[ $host == B ]] && x=$(at_dpi 660)
    start_program "$host"
    start_agent "$host"
    ask_agent "$host" attach
    [[ $reply == ok ]] || fail "no window of Pivora on $host: $reply"
    ask_agent "$host" "show $x $(at_dpi 240)"
    [[ $reply == ok ]] || fail "the window on $host was not shown: $reply"
    stop_agent "$host" || fail "$host's driver did not end"
    echo "host $host: Pivora, its window at ($x, $(at_dpi 240)) on $DISPLAY"
  done
  if [[ $mixed -eq 1 ]]; then
    cat <<'GUIDE'
Host A (Windows, under Wine) is on the left, host B (Linux) on the right; B's
stick on port 2 is a disk it mounts, and its printers are CUPS queues.
GUIDE
  else
    echo "Host A's window is on the left, host B's on the right."
  fi
  cat <<'GUIDE'
Click an arrow to move a port, or double tap NumLock in a window.
switchsim's console reads one command a line here, for example:
  busy 2 on                           the stick on port 2 refuses removal
  slow 2 8000                         the stick on port 2 takes 8 s to be removed
  plug 2 046d c077 Logitech Mouse     unplug 3     controller A unplug
  printer A HP LaserJet 03f0 2b17     job A HP LaserJet 1
  local A 0781 5567 SanDisk Cruzer    a stick of the same make, plugged straight into A
  disk B 0781 5567 /media/user/X      on a Linux B: sticks of that ID are disks it mounts
  form four                           two more ports, 1 and 0
  state                               quit (or Ctrl-C) stops everything
GUIDE
  while IFS= read -r -e -p "switchsim> " line; do
    [[ -n $line ]] || continue
    ask_switchsim "$line"
    echo "$reply"
    [[ $line != quit ]] || return 0
  done
  echo quit
  ask_switchsim quit
}

# Each move's times, in the order the moves were first timed.
moves=()
declare -A times_of
note_latency() {
  [[ -n ${times_of[$1]:-} ]] || moves+=("$1")
  times_of[$1]+="$2"$'\n'
}

# "median <move> <ms> of <count> (min <ms>, max <ms>)" a move; the median of
# an even count is the mean of the middle two.
print_medians() {
  local move sorted count
  for move in "${moves[@]}"; do
    mapfile -t sorted < <(printf '%s' "${times_of[$move]}" | sort -n)
    count=${#sorted[@]}
    echo "median $move $(((sorted[(count - 1) / 2] + sorted[count / 2]) / 2)) of $count" \
      "(min ${sorted[0]}, max ${sorted[count - 1]})"
  done
}

# Each kind of move's longest answer of each window, how often it was
# watched, and each click's time to its pending image.
answer_moves=()
declare -A longest_answer times_watched
pending_times=""
note_answer() {
  [[ -n ${times_watched[$1]:-} ]] || answer_moves+=("$1")
  [[ $2 != A ]] || times_watched[$1]=$((${times_watched[$1]:-0} + 1))
  (($3 <= ${longest_answer[$1 $2]:-0})) || longest_answer[$1 $2]=$3
}

# "longest-answer <move> <ms> (A <ms>, B <ms>) of <moves>" a kind of move,
# then "click-to-pending <median ms> of <clicks> (min <ms>, max <ms>)".
print_answers() {
  local move a b sorted count
  for move in "${answer_moves[@]}"; do
    a=${longest_answer[$move A]:-0}
    b=${longest_answer[$move B]:-0}
    echo "longest-answer $move $((a > b ? a : b)) (A $a, B $b) of ${times_watched[$move]:-0}"
  done
  [[ -n $pending_times ]] || return 0
  mapfile -t sorted < <(printf '%s' "$pending_times" | sort -n)
  count=${#sorted[@]}
  echo "click-to-pending $(((sorted[(count - 1) / 2] + sorted[count / 2]) / 2)) of $count" \
    "(min ${sorted[0]}, max ${sorted[count - 1]})"
}

# A's driver plays the scenario (or the tour, or the latency run) to its
# end, served by this script; fails when anything in it failed.
play_scenario() {
  local result status=0 driver from_driver to_driver line host
  local -a played=()
  case $mode in
    tour) played=(--tour) ;;
    latency) played=(--latency "$repetitions") ;;
    responsiveness) played=(--responsiveness "$repetitions") ;;
  esac
  [[ $mixed -eq 0 ]] || played=(--mixed "${played[@]}")
  coproc DRIVER { WINEPREFIX=$prefix_a exec wine "$driver_exe" "${played[@]}" 2>&1; }
  driver=$DRIVER_PID
  started_pids+=("$driver")
  # Copies of the pipes: bash closes the coprocess's own when it ends, which
  # could lose its last lines.
  exec {from_driver}<&"${DRIVER[0]}" {to_driver}>&"${DRIVER[1]}"
  # A's driver waits at most a minute for a panel to be read or a move to
  # end; silent for two, it is stuck.
  while IFS= read -r -t 120 line <&"$from_driver"; do
    line=${line%$'\r'}
    case $line in
      "@sim "*)
        ask_switchsim "${line#@sim }"
        ;;
      "@b "*)
        ask_agent B "${line#@b }"
        ;;
      "@start "*)
        start_program "${line#@start }"
        ;;
      "@xdotool "*)
        result=0
        # shellcheck disable=SC2086  # the arguments are separate words
        xdotool ${line#@xdotool } || result=$?
        reply="ok $result"
        ;;
      "@screenshot "*)
        result=0
        import -window root "$shots/${line#@screenshot }.png" || result=$?
        reply="ok $result"
        echo "  screenshot ${shots#"$root"/}/${line#@screenshot }.png"
        ;;
      *)
        echo "$line"
        if [[ $line =~ ^latency\ ([a-z-]+)\ ([0-9]+)$ ]]; then
          note_latency "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
        elif [[ $line =~ ^answer\ ([a-z-]+)\ ([AB])\ ([0-9]+)\ [0-9]+\ [0-9]+$ ]]; then
          note_answer "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" "${BASH_REMATCH[3]}"
        elif [[ $line =~ ^pending\ [a-z-]+\ ([0-9]+)$ ]]; then
          pending_times+="${BASH_REMATCH[1]}"$'\n'
        fi
        continue
        ;;
    esac
    printf '%s\n' "$reply" >&"$to_driver"
  done || true
  exec {from_driver}<&- {to_driver}>&-
  ended_well "$driver" "A's driver" 10 || status=1

  # The scenario closed both programs; then B's driver and switchsim go.
  stop_agent B || status=1
  for host in "${!program[@]}"; do
    ended_well "${program[$host]}" "pivora_simulated.exe on $host" 10 || status=1
  done
  echo quit >&"$to_sim"
  ended_well "$simulator" switchsim 10 || status=1
  print_medians
  print_answers
  return "$status"
}

if [[ $mode == show ]]; then
  hand_over
else
  start_agent B
  play_scenario
fi
