#!/usr/bin/env bash
# The job ./run.sh does: prints "window" or "cli". The window needs a
# display; without one the command-line job runs instead, and the one line
# on stderr says so, so a first run does the main job wherever it can.
#   scripts/run_mode.sh [--cli]
set -euo pipefail
if [[ "${1:-}" == "--cli" ]]; then
  echo cli
elif [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset), so running the command-line job (./run.sh --cli) instead of the window." >&2
  echo cli
else
  echo window
fi
