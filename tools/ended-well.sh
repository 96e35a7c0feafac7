# Sourced by the Wine run scripts: waits for a process they started to end.
# shellcheck shell=bash

# Waits up to `limit` seconds (default 5) for a process of ours to end; fails
# when it had to be stopped or ended with an error.
ended_well() {
  local pid=$1 name=$2 limit=${3:-5} result=0
  for _ in $(seq $((limit * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "$name is still running" >&2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 1
  fi
  wait "$pid" || result=$?
  if [[ $result -ne 0 ]]; then
    echo "$name ended with exit code $result" >&2
    return 1
  fi
}
