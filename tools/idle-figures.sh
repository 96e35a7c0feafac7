# Sourced by the idle footprint scripts: an X server of a run's own, and a
# process's CPU time and memory as /proc tells them.
# shellcheck shell=bash

# shellcheck disable=SC2034  # what this sets, the scripts that source it read

# Left alone this long after it is up before the window starts: start-up's
# work is over (under Wine, its services settle too), and the first device
# listing has been made.
quiet_seconds=5
# How long a program may take to come up (or to reach Ready).
start_limit=60
clock_ticks=$(getconf CLK_TCK)

# An Xvfb on a free display, its pid in display_server and its name in
# display; uses the caller's $work and fail.
# shellcheck disable=SC2154  # work is the caller's
start_display() {
  local number
  mkfifo "$work/display"
  exec {display_fd}<>"$work/display"
  Xvfb -displayfd "$display_fd" -screen 0 1280x800x24 -nolisten tcp 2>"$work/xvfb.log" &
  display_server=$!
  IFS= read -r -t 10 number <&"$display_fd" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  exec {display_fd}<&-
  rm -f "$work/display"
  display=:$number
}

# A line for switchsim's console (on the caller's to_sim and from_sim),
# answered in reply; anything but "ok ..." fails the script.
# shellcheck disable=SC2154  # to_sim and from_sim are the caller's
ask_switchsim() {
  printf '%s\n' "$1" >&"$to_sim"
  IFS= read -r -t 10 reply <&"$from_sim" || fail "switchsim did not answer \"$1\""
  [[ $reply == ok* ]] || fail "switchsim answered \"$1\" with \"$reply\""
}

has_title() {
  DISPLAY=$display xdotool search --name "^$1\$" >/dev/null 2>&1
}

# utime + stime of a process in clock ticks: fields 14 and 15 of its stat,
# counted after the command name in parentheses (which may hold spaces).
cpu_ticks() {
  local stat fields
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  read -r -a fields <<<"${stat##*) }"
  echo $((fields[11] + fields[12]))
}

status_kib() {
  sed -n "s/^$2:[[:space:]]*\([0-9]*\) kB$/\1/p" "/proc/$1/status"
}

seconds_of() { awk -v t="$1" -v hz="$clock_ticks" 'BEGIN { printf "%.2f", t / hz }'; }
mib_of() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio_of() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "n/a" }'; }
