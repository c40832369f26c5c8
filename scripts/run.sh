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

# Port 0: the gateway binds a free port and prints its address first.
out=$(mktemp)
"$bin/fake_gateway" --demo --port 0 >"$out" &
gateway=$!
trap 'kill "$gateway" 2>/dev/null || true; rm -f "$out"' EXIT
url=""
for _ in $(seq 100); do
  url=$(head -n 1 "$out" | grep -Eo '^http://127\.0\.0\.1:[0-9]+/' || true)
  [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { echo "the demo gateway did not start" >&2; exit 1; }

export VELOTRA_URL="$url"
export VELOTRA_WEBURL="$url"
echo "demo gateway at $VELOTRA_URL (any enterprise ID, account and password log in)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  xvfb-run -a "$bin/velotra"
else
  "$bin/velotra"
fi
