#!/usr/bin/env bash
# The send window's accelerators while a send in batches goes out, with real
# keys on a virtual display with a window manager, in the built client after
# a login against the demo gateway. The gateway keeps the answer to the
# second batch back while a clerk clicks into the message and presses
# Alt+S, Alt+S and Alt+C: 发送 and 关闭 are disabled then, so the keys do
# nothing, and the next send carries the message as it was typed, without
# the letters.
#   send_keys_under_xvfb.sh <bin folder>
set -euo pipefail
bin=${1:?bin folder}
. "$(dirname "$0")/../support/demo_gateway.sh"
. "$(dirname "$0")/../support/xsession.sh"
start_work_folder

copy_client "$bin" "$work" velotra.tb3
# Without automatic signatures the content is the message alone.
printf '[cfg]\r\nauto_signature=0\r\n' >"$work/velotra.ini"
start_demo_gateway "$bin" --echo --balance 100000 --hold-send 2 "$work/release"
unset QT_QPA_PLATFORM
export work

session() {
  set -euo pipefail
  start_wm || return 1
  start_client || return 1
  local failed=0 title="澄渊达通讯平台" frame send="" _
  fail() { echo "FAIL: $*"; failed=1; }
  # A click at X Y of the window WIN's client area.
  click_in() {
    xdotool mousemove --window "$1" "$2" "$3"; sleep 0.2
    xdotool click 1
  }
  sends() { grep -ac "action=send" "$work/gateway.out" || true; }
  wait_sends() {
    local _
    for _ in $(seq 300); do
      [ "$(sends)" -ge "$1" ] && return 0
      sleep 0.1
    done
    step "$(sends) send requests, not $1"
    return 1
  }
  # The message box; it carries the program's title, as the frame does.
  box() {
    local _ id
    for _ in $(seq 200); do
      id=$(timeout 5 xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | grep -vx "$frame" | head -1 || true)
      [ -n "$id" ] && { echo "$id"; return 0; }
      sleep 0.1
    done
    return 1
  }
  # Return in the box ($1 names it), which must come; true once it has gone.
  answer_box() {
    local b _
    b=$(box) || { fail "no box \"$1\""; return 1; }
    step "box \"$1\": $b"
    focus "$b" || true
    xdotool key Return
    for _ in $(seq 100); do
      timeout 5 xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | grep -qx "$b" || return 0
      sleep 0.1
    done
    fail "the box \"$1\" did not close"
    return 1
  }

  type_login "$login"
  gone "^系统登录\$" 20 || true
  frame=$(window "^$title\$" 20)
  [ -n "$frame" ] || { echo "the frame did not open"; kill "$client"; return 1; }
  # The tool 消息发送 of the command bar, once the bar shows it.
  for _ in $(seq 20); do
    click_tool tool_msg || { sleep 0.5; continue; }
    send=$(window "^消息发送\$" 5)
    [ -n "$send" ] && break
  done
  [ -n "$send" ] || { echo "the send window did not open"; kill "$client"; return 1; }
  focus "$send" || true

  # 12001 numbers through 引入复制 (four batches), then the message typed
  # and sent with Alt+S.
  seq -f %.0f 13800000000 13800012000 | xclip -selection clipboard -i
  click_in "$send" 135 24
  click_in "$send" 216 131
  xdotool type --delay 20 hello
  xdotool key alt+s
  answer_box "确定要执行发送操作吗？" || true
  wait_sends 2 || fail "the second batch never went out"

  # The client waits for the second answer: what is pressed now is handled
  # between two batches, with 发送 and 关闭 disabled.
  click_in "$send" 216 131
  xdotool key alt+s alt+s alt+c
  # A round trip to the server, which has then handed the keys on.
  timeout 5 xdotool getwindowfocus >/dev/null || true
  touch "$work/release"
  wait_sends 4 || fail "the send did not go on after the second batch"
  answer_box "短信发送完成,请核实!" || true
  xdotool search --onlyvisible --name "^消息发送\$" >/dev/null 2>&1 || fail "the send window closed during the send"

  # The next send carries the message as it stands.
  focus "$send" || true
  xdotool key alt+s
  answer_box "确定要执行发送操作吗？" || true
  wait_sends 8 || fail "the second send did not go out"
  answer_box "短信发送完成,请核实!" || true
  local first second
  first=$(grep -a "action=send" "$work/gateway.out" | sed -n 1p | grep -ao 'content=[^&]*' || true)
  second=$(grep -a "action=send" "$work/gateway.out" | sed -n 5p | grep -ao 'content=[^&]*' || true)
  [ "$first" = "content=hello" ] || fail "the first send carried \"$first\", not content=hello"
  [ "$second" = "content=hello" ] || fail "after Alt+S, Alt+S and Alt+C during the send, the next one carried \"$second\", not content=hello"

  kill "$client" 2>/dev/null || true
  wait "$client" 2>/dev/null || true
  return $failed
}
in_display 130 session
echo "the accelerators of disabled buttons do nothing while a send goes out"
