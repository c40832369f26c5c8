#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/, clang, into build-fuzz/ or
# $VELOTRA_FUZZ_BUILD_DIR) and runs each one, starting from its committed
# seed corpus (fuzz/corpus/<target>/). New inputs go to <build>/corpus/,
# crashes to <build>/artifacts/; any finding fails the script.
#
#   scripts/fuzz.sh [-t seconds] [-r runs] [-j parallel] [target...]
#
# -t: time per target (default 15 s); -r: stop a target after this many
# executions as well (whichever comes first); -j: targets run at once
# (default 2). Without targets, every fuzz/*_fuzz.cpp is run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=15
runs=-1
jobs=2
while getopts "t:r:j:" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    r) runs=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

build=${VELOTRA_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DVELOTRA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  ${VELOTRA_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1}
# Leaks that a library keeps on its own (tests/lsan.supp) are not findings.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
mkdir -p "$build/artifacts" "$build/logs"

# The scratch folders of the targets, in memory where there is /dev/shm.
scratch=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/velotra-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export VELOTRA_FUZZ_SCRATCH=$scratch

run_one() {
  local t=$1 seeds="fuzz/corpus/${1%_fuzz}" found="fuzz/regressions/${1%_fuzz}"
  mkdir -p "$build/corpus/$t"
  # Every input that once found a fault runs first.
  if [ -d "$found" ] && [ -n "$(ls -A "$found")" ]; then
    if ! "$build/fuzz/$t" "$found"/* >"$build/logs/$t.regressions.log" 2>&1; then
      echo "fuzz: $t fails on a regression input (log $build/logs/$t.regressions.log)"
      return 1
    fi
  fi
  if "$build/fuzz/$t" "$build/corpus/$t" "$seeds" -max_total_time="$seconds" -runs="$runs" \
      -max_len=65536 -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$t-" >"$build/logs/$t.log" 2>&1; then
    local execs
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log")
    echo "fuzz: $t: ${execs:-?} executions, no finding"
  else
    echo "fuzz: $t FOUND A FAULT (log $build/logs/$t.log):"
    grep -E "ERROR|SUMMARY|Test unit written|runtime error" "$build/logs/$t.log" | head -20
    return 1
  fi
}

failed=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
exit $failed
