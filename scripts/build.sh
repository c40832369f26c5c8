#!/usr/bin/env bash
# Configures and builds velotra into build/ (or $VELOTRA_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELOTRA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja ${VELOTRA_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
