#!/usr/bin/env bash
# The keyboard as a new user meets it, on a virtual display with a window
# manager (on a real desktop the focus is briefly nowhere after a modal box
# closes; offscreen it never is). Against the demo gateway, which refuses
# every login and prints every request it hears:
#   - one Enter in the password edit, and one on the 确定 button, sends one
#     login request and shows one box;
#   - the login window and the launcher's box carry the client's icon;
#   - the sign-up window opens with the caret in its form, Tab walks through
#     the form and out of it to 注册, and after "帐号不能为空" the caret is
#     in the account field again, even when the e-mail field had it.
#   keys_under_xvfb.sh <bin folder>
set -euo pipefail
bin=${1:?bin folder}
. "$(dirname "$0")/../support/demo_gateway.sh"
. "$(dirname "$0")/../support/xsession.sh"
start_work_folder

copy_client "$bin" "$work" dorvane
# The launcher's own folder names a client that is not there: it shows its box.
mkdir "$work/launcher"
cp "$bin/dorvane" "$work/launcher/"
cp -r "$bin/res" "$work/launcher/"
printf '[cfg]\r\nrun=missing_client\r\n' >"$work/launcher/velotra.ini"

start_demo_gateway "$bin" --refuse-login --echo
unset QT_QPA_PLATFORM

# Runs inside the virtual display.
session() {
  set -euo pipefail
  start_wm || return 1
  start_client || return 1
  local failed=0
  fail() { echo "FAIL: $*"; failed=1; }
  count() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
  logins() { grep -c "action=user_chks_ones" "$work/gateway.out" || true; }
  # The window's first icon is the client's: its size and the alpha of
  # every pixel (the colours may be rounded on the way), not the toolkit's.
  has_icon() {
    local got
    got=$(xprop -id "$1" -f _NET_WM_ICON 32c _NET_WM_ICON 2>/dev/null | sed 's/^[^=]*= //' | tr ',' '\n' |
          awk -v n="$icon_pixels" 'NR <= 2 {print $1} NR > 2 && NR <= n + 2 {printf "%d\n", int($1 / 16777216)}' | md5sum)
    [ "$got" = "$icon_alpha" ]
  }
  # Presses Return in the box titled $1, which must be up, waits until it
  # has gone and gives a second box, if any, the time to come.
  close_box() {
    local box up
    box=$(window "^$1\$")
    [ -n "$box" ] || { fail "no box \"$1\""; return; }
    up=$(count "$1")
    xdotool windowactivate "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key Return
    for _ in $(seq 50); do
      [ "$(count "$1")" -lt "$up" ] && break
      sleep 0.1
    done
    sleep 1.5
  }

  has_icon "$login" || fail "the login window has no icon of its own"
  local title="澄渊达通讯平台" before
  before=$(count "$title")

  # After one Enter ($2): its box closed, $1 login requests in all, and no
  # second box.
  one_box_after() {
    sleep 1
    close_box "$title"
    [ "$(logins)" = "$1" ] || fail "one Enter $2 made $(logins) login requests in all, not $1"
    [ "$(count "$title")" = "$before" ] || { fail "a second box after one Enter $2"; close_box "$title"; }
  }

  # One Enter in the password edit: one request, one box.
  type_login "$login"
  one_box_after 1 "in the password edit"

  # One Enter on 确定 (Tab from the password edit): one more request.
  focus "$login" || true
  sleep 0.3
  xdotool key Tab; sleep 0.2; xdotool key Return
  one_box_after 2 "on the button"

  # The sign-up window (注册&R): the caret starts in the account field; Tab
  # walks to the e-mail field; 注册 with no account says so and puts the
  # caret back in the account field; Tab leaves the form for 注册.
  focus "$login" || true
  sleep 0.3
  xdotool key alt+r
  local reg
  reg=$(window "^帐号注册\$")
  if [ -z "$reg" ]; then
    fail "the sign-up window did not open"
  else
    focus "$reg" || true
    sleep 0.5
    for _ in 1 2 3 4 5 6; do xdotool key Tab; sleep 0.1; done
    xdotool key alt+r
    sleep 1
    close_box "$title"
    xdotool type --delay 20 "abcd"; xdotool key Tab
    xdotool type --delay 20 "secret1"; xdotool key Tab
    xdotool type --delay 20 "AcmeCo"; xdotool key Tab
    xdotool type --delay 20 "LiLei"; xdotool key Tab
    xdotool type --delay 20 "13800000000"; xdotool key Tab
    xdotool key Tab; sleep 0.1; xdotool key Tab; sleep 0.2
    xdotool key space
    sleep 1.5
    grep -q "action=reg_thr_ones&reg_account=abcd&reg_password=secret1&reg_realname=LiLei&reg_company=AcmeCo&reg_mobile=13800000000&reg_qq=&reg_email=&" "$work/gateway.out" ||
      fail "the sign-up did not send what was typed: $(grep reg_thr_ones "$work/gateway.out" || echo none)"
    # The answer's box, and the window if it is still open.
    for _ in 1 2 3; do
      [ "$(count "$title")" -gt "$before" ] && close_box "$title"
    done
    xdotool search --onlyvisible --name "^帐号注册\$" >/dev/null 2>&1 && focus "$reg" && xdotool key Escape
  fi
  kill "$client" 2>/dev/null || true
  wait "$client" 2>/dev/null || true

  # The launcher's box carries the client's icon too.
  ( cd "$work/launcher" && ./dorvane >"$work/launcher.out" 2>&1 ) &
  local launcher=$!
  local box
  box=$(window "^提示\$")
  if [ -z "$box" ]; then
    fail "the launcher showed no box"
  else
    has_icon "$box" || fail "the launcher's box has no icon of its own"
    xdotool windowactivate "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key Return
    # Closing the box ends the launcher, cleanly (a leak or sanitizer
    # report at its exit shows here too).
    local _ rc=0
    for _ in $(seq 50); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$launcher" 2>/dev/null; then
      fail "the launcher went on after its box closed"
    else
      wait "$launcher" || rc=$?
      [ "$rc" = 0 ] || fail "the launcher ended with status $rc: $(tail -n 20 "$work/launcher.out")"
    fi
  fi
  kill "$launcher" 2>/dev/null || true
  return $failed
}
# The client's icon as the window manager should see it: width, height,
# then the alpha of each pixel.
icon="$bin/res/澄渊达.ico[0]"
read -r icon_w icon_h < <(identify -format "%w %h\n" "$icon")
icon_pixels=$((icon_w * icon_h))
icon_alpha=$({ echo "$icon_w"; echo "$icon_h"; convert "$icon" -depth 8 rgba:- | od -An -v -tu1 -w4 | awk '{print $4}'; } | md5sum)
export work icon_pixels icon_alpha
in_display 160 session
echo "one request and one box a key press; the icon; the caret where the form wants it"
