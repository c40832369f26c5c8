#!/usr/bin/env bash
# The built client, started on a virtual display in a fresh folder (from an
# unrelated working folder) against the demo gateway: it creates an empty
# velotra.ini, opens the frame and the login window, and ends with exit code
# 0 when the login window is closed by its close box, without an answer.
#   executable_under_xvfb.sh <bin folder>
set -euo pipefail
bin=${1:?bin folder}
. "$(dirname "$0")/../support/demo_gateway.sh"
. "$(dirname "$0")/../support/xsession.sh"
start_work_folder

copy_client "$bin" "$work/prog"
mkdir -p "$work/elsewhere"

start_demo_gateway "$bin"
unset QT_QPA_PLATFORM

session() {
  set -euo pipefail
  start_wm || return 1
  local rc=0
  cd "$work/elsewhere"
  start_client "$work/prog" || return 1
  [ -n "$(window "^澄渊达通讯平台\$" 5)" ] || { echo "no frame titled with the product title"; kill "$client"; return 1; }
  close_window "$login"
  ended "$client" 20 || { echo "the client did not end when the login window was closed"; kill "$client"; return 1; }
  wait "$client" || rc=$?
  [ "$rc" = 0 ] || { echo "the client ended with exit code $rc"; return 1; }
}
in_display 100 session

[ -f "$work/prog/velotra.ini" ] || { echo "no velotra.ini in the program folder"; report; exit 1; }
[ ! -s "$work/prog/velotra.ini" ] || { echo "velotra.ini is not empty:"; cat "$work/prog/velotra.ini"; exit 1; }
[ ! -e "$work/elsewhere/velotra.ini" ] || { echo "velotra.ini written into the working folder"; exit 1; }
echo "started, opened the frame and the login window, ended when the login was closed"
