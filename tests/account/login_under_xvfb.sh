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
. "$(dirname "$0")/../support/xsession.sh"
start_work_folder

# A program folder of its own, so that velotra.ini starts empty.
copy_client "$bin" "$work"

start_demo_gateway "$bin"
unset QT_QPA_PLATFORM

session() {
  set -euo pipefail
  # A window manager hands the keyboard focus to the window that opens, as a
  # desktop does; without one the focus may stay with the frame behind it.
  start_wm || return 1
  start_client || return 1
  # Typing goes wherever the keyboard focus is (on a loaded machine the
  # frame behind may still hold it for a moment).
  type_login "$login"
  # The login window closes and the frame stays.
  if ! gone "系统登录" 20; then
    echo "the login window is still open"
    kill "$client"; return 1
  fi
  sleep 1
  kill -0 "$client" || { echo "the client ended"; return 1; }
  kill "$client"
  wait "$client" 2>/dev/null || true
}
in_display 100 session

ini="$work/velotra.ini"
for key in userid account password; do
  grep -Eq "^$key=[0-9]+" "$ini" || { echo "[cfg] $key not stored"; cat "$ini"; report; exit 1; }
done
grep -q "returncode" "$work"/log/*.txt || { echo "no login entry in the daily log"; report; exit 1; }
echo "logged in; velotra.ini holds the scrambled credentials"
