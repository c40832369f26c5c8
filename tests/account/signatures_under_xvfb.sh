#!/usr/bin/env bash
# The settings window's signature list on a virtual display with a window
# manager, as a clerk uses it in the built client after a login against the
# demo gateway:
#   - a signature pasted with Ctrl+V from the desktop's clipboard with a line
#     break in it keeps its first line in the signature dialog, and the list
#     is stored;
#   - a double click on "删除签名" removes the one signature chosen, not the
#     one after it as well.
#   signatures_under_xvfb.sh <bin folder>
set -euo pipefail
bin=${1:?bin folder}
. "$(dirname "$0")/../support/demo_gateway.sh"
. "$(dirname "$0")/../support/xsession.sh"
start_work_folder

copy_client "$bin" "$work" velotra.tb3
start_demo_gateway "$bin"
unset QT_QPA_PLATFORM
export work

session() {
  set -euo pipefail
  start_wm || return 1
  start_client || return 1
  local failed=0
  fail() { echo "FAIL: $*"; failed=1; }
  # The stored list, as UTF-8.
  stored() { grep -a '^signature=' "$work/velotra.ini" | tr -d '\r' | iconv -f GBK -t UTF-8 | sed 's/^signature=//'; }
  # A click at x y of the window WIN's client area.
  click_in() {
    local x y
    eval "$(xdotool getwindowgeometry --shell "$1")"
    x=$((X + $2)); y=$((Y + $3))
    xdotool mousemove "$x" "$y"; sleep 0.2
    xdotool click --repeat "${4:-1}" --delay 80 1
  }

  type_login "$login"
  gone "^系统登录\$" 20 || true
  sleep 1.5

  # The tool "参数设置" of the command bar, found by its picture.
  click_tool tool_setting || { echo "no tool 参数设置 on the command bar"; kill "$client"; return 1; }

  local set
  set=$(window "^参数设置\$")
  [ -n "$set" ] || { echo "the settings window did not open"; kill "$client"; return 1; }
  focus "$set" || true
  sleep 0.5
  xdotool key ctrl+Tab
  sleep 0.5

  # A paste with a line break into the signature dialog.
  printf '岚舟汇\n第二行' | xclip -selection clipboard -i
  click_in "$set" 68 295
  local dialog
  dialog=$(window "^签名\$")
  if [ -z "$dialog" ]; then
    fail "the signature dialog did not open"
  else
    focus "$dialog" || true
    sleep 0.3
    xdotool key ctrl+v; sleep 0.3
    xdotool key alt+o
    gone "^签名\$" 10 || fail "the signature dialog did not close"
    sleep 0.5
    [ "$(stored)" = "澄渊达;岚舟汇" ] || fail "after the paste the stored list reads \"$(stored)\", not \"澄渊达;岚舟汇\""
  fi

  # The first signature chosen, then a double click on 删除签名.
  focus "$set" || true
  click_in "$set" 48 80
  sleep 0.3
  click_in "$set" 191 295 2
  sleep 1
  [ "$(stored)" = "岚舟汇" ] || fail "after a double click on 删除签名 the stored list reads \"$(stored)\", not \"岚舟汇\""

  kill "$client" 2>/dev/null || true
  wait "$client" 2>/dev/null || true
  return $failed
}
in_display 100 session
echo "a pasted signature keeps its first line and is stored; a double click removes the one chosen"
