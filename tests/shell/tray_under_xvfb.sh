#!/usr/bin/env bash
# The built client on a virtual display with a window manager and a
# notification area: after a login its icon sits in the tray, minimising
# hides the frame into it, a double click on the icon brings the frame back;
# once the notification area has gone, minimising leaves the frame iconified
# instead; the icon comes back with the area; while a modal box is open a
# double click still brings the frame back with the box in front, and the
# menu does not end the program under it; then the menu ends the program. Screenshots go to <build>/screenshots.
#   tray_under_xvfb.sh <bin folder>
set -euo pipefail
bin=${1:?bin folder}
shots="$(cd "$bin/.." && pwd)/screenshots"
mkdir -p "$shots"
. "$(dirname "$0")/../support/demo_gateway.sh"
. "$(dirname "$0")/../support/xsession.sh"
start_work_folder

cp "$bin/velotra" "$work/"
cp -r "$bin/res" "$work/" 2>/dev/null || true

start_demo_gateway "$bin"
unset QT_QPA_PLATFORM

# Runs inside the virtual display.
session() {
  set -euo pipefail
  fail() { echo "$1"; import -window root "$shots/tray_under_xvfb_failed.png" 2>/dev/null || true; return 1; }
  # Waits until `$@` succeeds (up to 10 s).
  until_ok() { for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
  frame_shown() { xdotool search --onlyvisible --name "^澄渊达通讯平台$" 2>/dev/null | grep -qx "$frame"; }
  frame_hidden() { ! frame_shown; }

  # Starts the notification area; sets panel and tray_pid.
  local panel="" tray_pid=""
  start_tray() {
    trayer --edge bottom --align right --widthtype request --height 32 >>"$work/trayer.out" 2>&1 &
    tray_pid=$!
    panel=""
    for _ in $(seq 50); do
      panel=$(xdotool search --classname "^panel$" 2>/dev/null | head -1 || true)
      [ -n "$panel" ] && return 0
      sleep 0.1
    done
    return 1
  }
  # The icon's middle on screen, once it is embedded in the panel; sets ix and iy.
  local ix="" iy=""
  icon_place() {
    [ "$(xwininfo -children -id "$panel" | grep -c '^ *0x' || true)" -ge 1 ] || return 1
    read -r ix iy < <(xwininfo -id "$panel" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x+int(w/2), y+int(h/2)}')
  }
  iconic() { xprop -id "$frame" WM_STATE | grep -q "Iconic"; }

  start_wm || fail "openbox did not start"
  start_tray || fail "no notification area"

  export QT_QPA_PLATFORM=xcb
  (cd "$work" && ./velotra >"$work/client.out" 2>&1) &
  local client=$!
  local login
  login=$(window "系统登录")
  [ -n "$login" ] || fail "the login window did not open"
  type_login "$login"
  gone "系统登录" 20 || fail "the login window is still open"

  local frame
  frame=$(xdotool search --name "^澄渊达通讯平台$" | head -1)
  until_ok frame_shown || fail "the frame is not shown after the login"

  # The icon is embedded in the notification area.
  until_ok icon_place || fail "no icon in the notification area"
  sleep 1
  import -window root "$shots/tray_frame_with_poster.png"

  local size
  size=$(xwininfo -id "$frame" | grep -E "Width|Height" | tr -d ' ')

  # Minimise: the frame leaves the screen, the program goes on.
  xdotool windowminimize "$frame"
  until_ok frame_hidden || fail "minimising left the frame on screen"
  sleep 0.5
  frame_hidden || fail "the frame came back by itself"
  kill -0 "$client" || fail "the client ended"
  xprop -id "$frame" WM_STATE | grep -q "Iconic" && fail "the frame was iconified, not hidden"
  import -window root "$shots/tray_minimised.png"

  # A double click on the icon brings the frame back.
  xdotool mousemove "$ix" "$iy"
  sleep 0.2
  xdotool click --repeat 2 --delay 80 1
  until_ok frame_shown || fail "a double click on the icon did not show the frame"
  sleep 0.5
  [ "$(xwininfo -id "$frame" | grep -E "Width|Height" | tr -d ' ')" = "$size" ] || fail "the frame came back in another size"

  # The notification area goes away: a minimise must not hide the frame,
  # which would then have no icon to come back by. It is minimised as usual.
  kill "$tray_pid"
  wait "$tray_pid" 2>/dev/null || true
  until_ok sh -c '! xdotool search --classname "^panel$"' || fail "the notification area did not go"
  sleep 0.5
  xdotool windowminimize "$frame"
  until_ok iconic || fail "with no notification area, minimising did not leave the frame iconified"
  sleep 0.5
  iconic || fail "with no notification area, the frame left the desktop after its minimise"
  kill -0 "$client" || fail "the client ended"
  import -window root "$shots/tray_gone_minimised.png"
  xdotool windowactivate "$frame" 2>/dev/null || xdotool windowmap "$frame"
  until_ok frame_shown || fail "the minimised frame could not be brought back"

  # The notification area is back: the icon with it, and minimising hides again.
  start_tray || fail "the notification area did not come back"
  until_ok icon_place || fail "the icon did not come back to the notification area"
  sleep 0.5
  xdotool windowminimize "$frame"
  until_ok frame_hidden || fail "with the notification area back, minimising left the frame on screen"
  iconic && fail "with the notification area back, the frame was iconified, not hidden"
  xdotool mousemove "$ix" "$iy"
  sleep 0.2
  xdotool click --repeat 2 --delay 80 1
  until_ok frame_shown || fail "a double click on the icon did not show the frame again"

  # A modal window over the frame (the about box): the minimised frame
  # still comes back by a double click on the icon, with the box in front
  # of it, and the menu's 退出程序 does not end the program under the box.
  click_tool tool_about || fail "no tool 关于 on the command bar"
  local about
  about=$(window "^About ")
  [ -n "$about" ] || fail "the about box did not open"
  xdotool windowminimize "$frame"
  until_ok frame_hidden || fail "with the about box open, minimising left the frame on screen"
  xdotool mousemove "$ix" "$iy"
  sleep 0.2
  xdotool click --repeat 2 --delay 80 1
  until_ok frame_shown || fail "with the about box open, a double click on the icon did not show the frame"
  about_in_front() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$about" ]; }
  until_ok about_in_front || fail "the about box is not in front of the frame brought back"
  import -window root "$shots/tray_modal_restored.png"
  xdotool mousemove "$ix" "$iy"
  sleep 0.2
  xdotool click 3
  sleep 0.5
  xdotool key Up Return
  until_ok about_in_front || fail "after 退出程序 with the about box open, the box is not in front"
  kill -0 "$client" || fail "退出程序 ended the program under the about box"
  close_window "$about"
  gone "^About " || fail "the about box did not close"
  until_ok frame_shown || fail "the frame is not shown after the about box closed"

  # The icon's menu: its last item ends the program.
  xdotool mousemove "$ix" "$iy"
  sleep 0.2
  xdotool click 3
  sleep 0.5
  import -window root "$shots/tray_menu.png"
  xdotool key Up Return
  for _ in $(seq 100); do kill -0 "$client" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$client" 2>/dev/null; then kill "$client"; fail "退出程序 did not end the program"; fi
  echo "tray icon shown; minimise hid the frame; double click showed it; without a notification area the frame was minimised, not hidden; the menu ended the program"
}
export work shots
in_display 100 session
# The poster went with the frame.
if ls "$work"/*.jpg >/dev/null 2>&1; then echo "a poster file was left behind"; ls "$work"; exit 1; fi
