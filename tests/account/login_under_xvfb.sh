#!/usr/bin/env bash
# The built client on a virtual display, used as a new user would: in an
# empty program folder it opens the login window, the user types an
# enterprise ID, an account and a password, pressing Enter after each, and
# the client logs in against the demo gateway, stores the credentials and
# goes on to the balance query.
#   login_under_xvfb.sh <bin folder>
set -euo pipefail
bin=${1:?bin folder}
. "$(dirname "$0")/../support/demo_gateway.sh"
start_work_folder

# A program folder of its own, so that velotra.ini starts empty.
cp "$bin/velotra" "$work/"
cp -r "$bin/res" "$work/" 2>/dev/null || true

start_demo_gateway "$bin"
unset QT_QPA_PLATFORM

# Runs inside the virtual display.
session() {
  set -euo pipefail
  export QT_QPA_PLATFORM=xcb
  # A window manager hands the keyboard focus to the window that opens, as a
  # desktop does; without one the focus may stay with the frame behind it.
  openbox >"$work/openbox.out" 2>&1 &
  local wm=$!
  sleep 1
  "$work/velotra" >"$work/client.out" 2>&1 &
  local client=$!
  local win=""
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name "系统登录" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "the login window did not open"; kill "$client" "$wm"; return 1; }
  # Typing goes wherever the keyboard focus is: wait until it is the login
  # window's (on a loaded machine the frame behind it may still hold it).
  for _ in $(seq 50); do
    xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win" 2>/dev/null || true
    [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$win" ] && break
    sleep 0.1
  done
  sleep 0.5
  xdotool type --delay 20 "80001001"
  xdotool key Return
  xdotool type --delay 20 "demo"
  xdotool key Return
  xdotool type --delay 20 "secret"
  xdotool key Return
  # The login window closes and the frame stays.
  for _ in $(seq 100); do
    xdotool search --name "系统登录" >/dev/null 2>&1 || break
    sleep 0.1
  done
  sleep 1
  if xdotool search --name "系统登录" >/dev/null 2>&1; then
    echo "the login window is still open; the gateway heard:"; cat "$work/gateway.out"; cat "$work/client.out"
    kill "$client" "$wm"; return 1
  fi
  kill -0 "$client" || { echo "the client ended"; kill "$wm"; return 1; }
  kill "$client"
  wait "$client" 2>/dev/null || true
  kill "$wm" 2>/dev/null || true
}
export work
# xvfb-run is a POSIX shell script, which passes no exported functions on.
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "$(declare -f session); session"

ini="$work/velotra.ini"
for key in userid account password; do
  grep -Eq "^$key=[0-9]+" "$ini" || { echo "[cfg] $key not stored"; cat "$ini"; exit 1; }
done
grep -q "returncode" "$work"/log/*.txt || { echo "no login entry in the daily log"; exit 1; }
echo "logged in; velotra.ini holds the scrambled credentials"
