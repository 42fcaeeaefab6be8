#!/usr/bin/env bash
# Runs every fuzz target (fuzz/*_fuzz.cc) for SECONDS each under libFuzzer
# with ASan+UBSan, starting from its seed corpus (and dictionary, when there
# is one), and prints one line per target: executions, coverage, crashes.
#
#   fuzz/run_all.sh SECONDS [TARGET...]
#
# Builds build/fuzz (clang) when needed. New inputs go to build/fuzz/work/NAME
# (the seeds in fuzz/corpus stay as they are); crashing inputs are saved as
# build/fuzz/findings/NAME/crash-* and leak-*/timeout-*/oom-* beside them:
# copy each one, once fixed, into fuzz/regressions/NAME/ with a telling name.
# Exit status: 0 when no target found anything, 1 otherwise, 2 on a usage or
# build error.
set -uo pipefail
cd "$(dirname "$0")/.."

if [[ $# -lt 1 || ! "$1" =~ ^[0-9]+$ || "$1" -lt 1 ]]; then
  echo "usage: fuzz/run_all.sh SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
build=${FOLIAN_FUZZ_BUILD:-build/fuzz}
jobs=${FOLIAN_FUZZ_BUILD_JOBS:-2}

if [[ $# -gt 0 ]]; then
  targets=("$@")
else
  targets=()
  for f in fuzz/*_fuzz.cc; do targets+=("$(basename "$f" .cc)"); done
fi

if [[ ! -f "$build/build.ninja" ]]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFOLIAN_BUILD_FUZZ=ON -DFOLIAN_BUILD_TESTS=OFF -DFOLIAN_BUILD_BENCH=OFF \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null || exit 2
fi
build_args=()
for t in "${targets[@]}"; do build_args+=(--target "$t"); done
if ! cmake --build "$build" -j"$jobs" "${build_args[@]}" >"$build/run_all_build.log" 2>&1; then
  echo "fuzz build failed; see $build/run_all_build.log" >&2
  exit 2
fi

# The tidy target fires rules only with their find strings as a dictionary.
dicts="$build/dicts"
mkdir -p "$dicts"
[[ -x tools/tidy_fuzz_dict.sh ]] && tools/tidy_fuzz_dict.sh >"$dicts/tidy_fuzz.dict" 2>/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
printf '%-20s %12s %8s %8s %18s %s\n' target executions cov ft oom/timeout/crash findings
found=0
for t in "${targets[@]}"; do
  exe="$build/fuzz/$t"
  if [[ ! -x "$exe" ]]; then
    printf '%-20s not built\n' "$t"
    found=1
    continue
  fi
  work="$build/work/$t"
  findings="$build/findings/$t"
  mkdir -p "$work" "$findings"
  corpora=("$work")
  [[ -d "fuzz/corpus/$t" ]] && corpora+=("fuzz/corpus/$t")
  [[ -d "fuzz/regressions/$t" ]] && corpora+=("fuzz/regressions/$t")
  opts=(-max_total_time="$seconds" -print_final_stats=1 -timeout=25 -rss_limit_mb=2560
        -artifact_prefix="$findings/" -close_fd_mask=1)
  for d in "fuzz/$t.dict" "$dicts/$t.dict"; do
    [[ -s "$d" ]] && opts+=(-dict="$d")
  done
  before=$(find "$findings" -type f | wc -l)
  log="$build/work/$t.log"
  # -fork keeps going past a finding, so one crash does not end the run early.
  "$exe" "${opts[@]}" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    "${corpora[@]}" >"$log" 2>&1
  after=$(find "$findings" -type f | wc -l)
  new=$((after - before))
  execs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' | \
          awk '{s+=$1} END {print s+0}')
  if [[ "$execs" == 0 ]]; then
    execs=$(grep -Eo '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  fi
  cov=$(grep -Eo 'cov: [0-9]+' "$log" | tail -1 | grep -Eo '[0-9]+')
  ft=$(grep -Eo 'ft: [0-9]+' "$log" | tail -1 | grep -Eo '[0-9]+')
  otc=$(grep -Eo 'oom/timeout/crash: [0-9]+/[0-9]+/[0-9]+' "$log" | tail -1 | awk '{print $2}')
  [[ -z "$otc" ]] && otc="?/?/$new"
  printf '%-20s %12s %8s %8s %18s %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$otc" \
    "$( ((new > 0)) && echo "$findings" )"
  if ((new > 0)) || [[ "$otc" != "0/0/0" ]]; then found=1; fi
done
exit $found
