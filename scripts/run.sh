#!/usr/bin/env bash
# Installs what is missing, builds, starts the local demo gateway on a free
# loopback port and starts the client against it. Without a display the
# client runs on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
build=${VELOTRA_BUILD_DIR:-build}
bin="$PWD/$build/bin"

port=18080
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

"$bin/fake_gateway" --demo --port "$port" &
gateway=$!
trap 'kill "$gateway" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

export VELOTRA_URL="http://127.0.0.1:$port/"
export VELOTRA_WEBURL="http://127.0.0.1:$port/"
echo "demo gateway at $VELOTRA_URL (any enterprise ID, account and password log in)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  xvfb-run -a "$bin/velotra"
else
  "$bin/velotra"
fi
