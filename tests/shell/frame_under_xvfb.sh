#!/usr/bin/env bash
# The built client on a virtual display after a login against the demo
# gateway: the frame shows its command bar, its status band, the corner
# text and the background sheet with the balance line. The screen is kept
# as <shots>/frame_under_xvfb.png and checked for the corner text's cyan and
# the balance line's red. Then the command band, closed from its menu, comes
# back from the status band's menu.
#   frame_under_xvfb.sh <bin folder> <screenshots folder>
set -euo pipefail
bin=${1:?bin folder}
shots=${2:?screenshots folder}
mkdir -p "$shots"
. "$(dirname "$0")/../support/demo_gateway.sh"
. "$(dirname "$0")/../support/xsession.sh"
start_work_folder

copy_client "$bin" "$work" velotra.tb3

start_demo_gateway "$bin"
unset QT_QPA_PLATFORM
export work shots

session() {
  set -euo pipefail
  "$work/velotra" >"$work/client.out" 2>&1 &
  local client=$!
  local win
  win=$(window "系统登录")
  [ -n "$win" ] || { echo "the login window did not open"; kill "$client"; return 1; }
  type_login "$win"
  gone "系统登录" 20 || true
  sleep 1.5
  xdotool search --name "澄渊达通讯平台" >/dev/null 2>&1 || { echo "no frame titled with the product title"; kill "$client"; return 1; }
  import -window root "$shots/frame_under_xvfb.png"
  kill -0 "$client" || { echo "the client ended"; return 1; }

  # The command band closed from its own menu comes back from the status
  # band's: the top of the frame looks as it did before.
  local frame height
  frame=$(xdotool search --onlyvisible --name "^澄渊达通讯平台$" | head -1)
  height=$(xwininfo -id "$frame" | awk '/Height/{print $NF}')
  top() { import -window "$frame" -crop 600x70+0+0 +repage "$work/$1.png"; }
  differs() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 || true)" != 0 ]; }
  top bars_before
  xdotool mousemove --window "$frame" 400 30 click 3
  sleep 0.5
  xdotool key Up Return
  sleep 0.8
  top bars_closed
  differs bars_before bars_closed || { echo "the command band's menu did not close it"; kill "$client"; return 1; }
  xdotool mousemove --window "$frame" 200 $((height - 8)) click 3
  sleep 0.5
  import -window root "$shots/frame_band_menu.png"
  xdotool key Down Return
  sleep 0.8
  top bars_again
  differs bars_before bars_again && { echo "the closed command band did not come back from the status band's menu"; kill "$client"; return 1; }
  kill "$client"
  wait "$client" 2>/dev/null || true
}
in_display 100 session

# Pixels of a colour in the picture.
count() { convert "$shots/frame_under_xvfb.png" -fuzz 20% -fill black +opaque "$1" -fill white -opaque "$1" -format "%[fx:round(mean*w*h)]" info:; }
cyan=$(count "#00FFFF")
red=$(count "#FF0000")
echo "cyan pixels (corner text): $cyan; red pixels (balance line): $red"
[ "$cyan" -gt 50 ] || { echo "no corner text on screen"; exit 1; }
[ "$red" -gt 50 ] || { echo "no balance line on screen"; exit 1; }
echo "the frame shows its bars, the corner text and the balance line"
