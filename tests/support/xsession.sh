# Sourced by the tests that drive the built programs on a virtual display,
# after demo_gateway.sh (which sets work). Every wait here is bounded, and
# every step is written to $work/steps.log with the time of day,
# so a session that fails or overruns says where it stood.
#   in_display SECONDS FUNCTION   runs FUNCTION on a new virtual display, with
#                                 these helpers and Qt programs shown there
#                                 (QT_QPA_PLATFORM=xcb); ends it after SECONDS
#   step TEXT                     notes a step in the step log
#   start_wm                      openbox, returned once it manages windows;
#                                 false, saying so, when it does not come up
#   window TITLE [SECONDS]        id of the first visible window whose title
#                                 matches TITLE (a regular expression), or ""
#   gone TITLE [SECONDS]          true once no window's title matches TITLE
#   focus WIN                     true once WIN holds the keyboard focus
#   start_client [FOLDER]         starts FOLDER/velotra (default: $work),
#                                 its output into $work/client.out; sets
#                                 client (its pid) and login (the login
#                                 window's id), or kills it and is false when
#                                 no login window opens
#   close_window WIN              closes WIN as its close box would, through
#                                 the window manager (needs start_wm)
#   ended PID [SECONDS]           true once process PID has ended
#   type_login WIN                types the demo gateway's credentials into
#                                 the login window WIN, Enter after each
#   click_tool NAME               clicks the frame's command-bar tool whose
#                                 picture is res/NAME.png (needs ImageMagick);
#                                 false when no tool shows it
#   report                        what the programs and the gateway printed

xsession_lib=${BASH_SOURCE[0]}

step() { echo "$(date +%T.%2N) $*" >>"$work/steps.log"; }

in_display() {
  local limit=$1 fn=$2 rc=0
  export work xsession_lib
  step "display for $fn, at most $limit s"
  # timeout ends the whole group, the display server included.
  timeout -k 5 "$limit" xvfb-run -a -s "-screen 0 1280x800x24" \
    bash -c "export QT_QPA_PLATFORM=xcb; . \"\$xsession_lib\"; $(declare -f "$fn"); $fn" || rc=$?
  if [ "$rc" != 0 ]; then
    [ "$rc" = 124 ] && echo "the session on the virtual display did not end within $limit s"
    report
  fi
  return "$rc"
}

start_wm() {
  step "window manager"
  openbox >"$work/openbox.out" 2>&1 &
  local _
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && { step "window manager up"; return 0; }
    sleep 0.1
  done
  step "the window manager did not come up"
  echo "openbox did not start"
  return 1
}

window() {
  local title=$1 tries=$((${2:-20} * 10)) id="" _
  for _ in $(seq "$tries"); do
    id=$(timeout 5 xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  step "window \"$title\": ${id:-none}"
  echo "$id"
}

gone() {
  local title=$1 tries=$((${2:-10} * 10)) _
  for _ in $(seq "$tries"); do
    timeout 5 xdotool search --name "$title" >/dev/null 2>&1 || { step "\"$title\" gone"; return 0; }
    sleep 0.1
  done
  step "\"$title\" still there"
  return 1
}

# xdotool's --sync waits up to 15 s for a window manager that may never
# answer, so each call gets its own short bound and the whole a deadline.
focus() {
  local win=$1 start=$SECONDS now
  while [ "$SECONDS" -lt $((start + 15)) ]; do
    timeout 3 xdotool windowactivate --sync "$win" >/dev/null 2>&1 ||
      timeout 3 xdotool windowfocus --sync "$win" >/dev/null 2>&1 || true
    # Past a few seconds, as a user would: a click on the window's margin.
    if [ "$SECONDS" -ge $((start + 5)) ]; then timeout 3 xdotool mousemove --window "$win" 4 4 click 1 >/dev/null 2>&1 || true; fi
    now=$(timeout 3 xdotool getwindowfocus 2>/dev/null || true)
    [ "$now" = "$win" ] && { step "focus on $win"; return 0; }
    sleep 0.2
  done
  step "focus never reached $win; it is on ${now:-nothing}"
  return 1
}

start_client() {
  "${1:-$work}/velotra" >"$work/client.out" 2>&1 &
  client=$!
  login=$(window "^系统登录\$")
  [ -n "$login" ] && return 0
  echo "the login window did not open"
  kill "$client"
  return 1
}

# The window manager asks the window to close (WM_DELETE_WINDOW), as a
# click on its close box does; xdotool's windowclose would destroy it.
close_window() {
  step "close box of $1"
  timeout 5 wmctrl -i -c "$1"
}

ended() {
  local pid=$1 tries=$((${2:-10} * 10)) _
  for _ in $(seq "$tries"); do
    # A child of this shell that has ended stays a zombie until it is waited for.
    case $(ps -o stat= -p "$pid" 2>/dev/null | tr -d " ") in
      "" | Z*) step "process $pid ended"; return 0 ;;
    esac
    sleep 0.1
  done
  step "process $pid still running"
  return 1
}

type_login() {
  focus "$1" || echo "the login window did not take the focus; typing all the same"
  sleep 0.5
  step "typing the login"
  xdotool type --delay 20 "80001001"; xdotool key Return
  xdotool type --delay 20 "demo"; xdotool key Return
  xdotool type --delay 20 "secret"; xdotool key Return
}

click_tool() {
  local best="" size at d
  step "tool $1"
  import -window root -crop 800x120+0+0 "$work/band.png"
  for size in 24 32 20 16; do
    convert "$work/res/$1.png" -background "#ECE9D8" -flatten -resize "${size}x${size}" "$work/icon.png"
    at=$(compare -metric RMSE -subimage-search "$work/band.png" "$work/icon.png" null: 2>&1 | tail -1 || true)
    # "982.5 (0.0149) @ 324,26": the normalised distance and the corner.
    d=${at#*(}; d=${d%%)*}
    if awk -v d="$d" 'BEGIN { exit !(d < 0.1) }'; then best="$size ${at##*@ }"; break; fi
  done
  [ -n "$best" ] || { step "no tool $1 on the command bar"; return 1; }
  read -r size at <<<"$best"
  xdotool mousemove $((${at%,*} + size / 2)) $((${at#*,} + size / 2)) click 1
}

report() {
  local f
  for f in steps.log client.out gateway.out openbox.out launcher.out trayer.out; do
    [ -s "$work/$f" ] || continue
    echo "--- $f"
    tail -n 40 "$work/$f"
  done
}
