#!/usr/bin/env bash
# Installs what is missing, builds (Release) and runs the main job: folian-cli
# detecting and tidying a temporary copy of examples/ (the samples stay pristine).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

BUILD=${FOLIAN_RUN_BUILD:-build/release}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFOLIAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target folian-cli

work=$(mktemp -d "${TMPDIR:-/tmp}/folian-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -r examples "$work/"
cli="$BUILD/folian-cli"
echo "== Working on a copy of examples/ in $work/examples"
echo "== Encodings detected"
"$cli" detect "$work"/examples/*.txt
