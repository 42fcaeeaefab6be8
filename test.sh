#!/usr/bin/env bash
# Installs what is missing, builds with ASan + UBSan, runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

BUILD=${FOLIAN_TEST_BUILD:-build/asan}
JOBS=${JOBS:-$(nproc)}
# A compiler cache, where the machine has one, makes rebuilds in several checkouts cheap.
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFOLIAN_SANITIZE=ON "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j "$JOBS"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j "$JOBS" "$@"
