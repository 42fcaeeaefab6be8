#!/usr/bin/env bash
# ./run.sh's choice of job: the window with a display, the command-line job
# without one (announced in exactly one line) or when asked for.
set -uo pipefail
mode_script="$1/scripts/run_mode.sh"
failures=0
check() {  # NAME EXPECTED_MODE NOTICE_LINES ARGUMENT ENV_SETTINGS...
  local name=$1 want=$2 want_lines=$3 arg=$4
  shift 4
  local err out lines
  err=$(mktemp)
  out=$(env "$@" "$mode_script" $arg 2>"$err")
  lines=$(wc -l <"$err")
  if [[ "$out" != "$want" || "$lines" -ne "$want_lines" ]]; then
    echo "FAIL $name: mode '$out' (want '$want'), $lines notice lines (want $want_lines): $(cat "$err")"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
  rm -f "$err"
}
check "no display"        cli    1 ""    -u DISPLAY -u WAYLAND_DISPLAY
check "no display, --cli" cli    0 --cli -u DISPLAY -u WAYLAND_DISPLAY
check "X display"         window 0 ""    -u WAYLAND_DISPLAY DISPLAY=:7
check "Wayland display"   window 0 ""    -u DISPLAY WAYLAND_DISPLAY=wayland-0
check "display, --cli"    cli    0 --cli DISPLAY=:7
exit $((failures > 0))
