#!/usr/bin/env bash
# Renders the window with a document open into OUT.png: the Release build of
# `folian` on a temporary copy of examples/, under Xvfb when it is there,
# else on Qt's offscreen platform.
set -euo pipefail
if [[ $# -ne 1 ]]; then
  echo "usage: scripts/screenshot.sh OUT.png" >&2
  exit 2
fi
out=$(realpath -m "$1")
mkdir -p "$(dirname "$out")"
cd "$(dirname "$0")/.."
BUILD=${FOLIAN_RUN_BUILD:-build/release}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFOLIAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target folian >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/folian-shot.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -r examples "$work/"
export FOLIAN_CONFIG_HOME="$work/config"
cmd=("$BUILD/gui/folian" "--screenshot=$out" "$work/examples")
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x900x24" "${cmd[@]}"
else
  QT_QPA_PLATFORM=offscreen "${cmd[@]}"
fi
echo "screenshot: $out"
