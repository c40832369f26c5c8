#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless; then the
# whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer
# (its own build folder, any finding fails; the virtual-display tests, whose
# timing the sanitizers' slowness decides, run in the first build only), and a
# short run of every fuzz
# target (scripts/fuzz.sh; VELOTRA_FUZZ_SECONDS each, 15 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
build=${VELOTRA_BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"

asan=${VELOTRA_SANITIZE_BUILD_DIR:-build-asan}
VELOTRA_BUILD_DIR=$asan VELOTRA_CMAKE_ARGS="${VELOTRA_CMAKE_ARGS:-} -DVELOTRA_SANITIZE=ON" ./scripts/build.sh
ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir "$asan" --output-on-failure -j "$(nproc)" -E "_under_xvfb$" "$@"

./scripts/fuzz.sh -t "${VELOTRA_FUZZ_SECONDS:-15}"
