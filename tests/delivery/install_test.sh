#!/usr/bin/env bash
# The program folder as a user gets it: laid out by `cmake --install`,
# installed for a user under a temporary XDG data folder (with a blank in its
# path), started through the installed launcher from another folder,
# reinstalled over a used install, removed again; then the same from the
# .tar.gz that cpack makes.
#   install_test.sh <build folder>
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
bin=$build/bin
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  pkill -f "$work/" 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

. "$(dirname "$0")/../support/demo_gateway.sh"
. "$(dirname "$0")/../support/xsession.sh"
start_demo_gateway "$bin"
unset QT_QPA_PLATFORM

# Starts the launcher of a program folder from an unrelated working folder,
# on a virtual display with a window manager, and waits for the client it
# starts to open the login window; that window is closed by its close box,
# and the client ends.
start_through_launcher() {
  dest=$1
  mkdir -p "$work/elsewhere"
  rm -f "$work/launcher.out"
  export dest
  in_display 60 launch_and_close || fail "the installed client did not start and end"
  [ -f "$dest/velotra.ini" ] || fail "the client did not create velotra.ini in its program folder"
}

launch_and_close() {
  set -euo pipefail
  start_wm || return 1
  (cd "$work/elsewhere" && timeout 30 "$dest/dorvane") >"$work/launcher.out" 2>&1 ||
    { echo "dorvane failed"; return 1; }
  local login _
  login=$(window "系统登录")
  [ -n "$login" ] || { echo "the installed client did not open the login window"; return 1; }
  close_window "$login"
  for _ in $(seq 100); do
    pgrep -f "$dest/velotra" >/dev/null || return 0
    sleep 0.1
  done
  echo "the installed client did not end when its login window was closed"
  return 1
}

check_installed() {
  local data=$1 dest=$1/velotra
  local entries
  entries=$(cd "$dest" && ls -A | sort | tr '\n' ' ')
  [ "$entries" = "dorvane res uninstall.sh velotra velotra.tb3 " ] || fail "program folder holds: $entries"
  [ -x "$dest/velotra" ] && [ -x "$dest/dorvane" ] || fail "programs not executable"
  for f in login.jpg BtnDefault.jpg BtnFocus.jpg BtnDisable.jpg pfcmsg.bmp 澄渊达.ico 岚舟汇.ico velotra.png; do
    [ -f "$dest/res/$f" ] || fail "res/$f missing"
  done
  local desktop=$data/applications/velotra.desktop
  [ -f "$desktop" ] || fail "no desktop entry"
  desktop-file-validate "$desktop" || fail "desktop entry does not validate"
  grep -qx "Name=澄渊达通讯平台" "$desktop" || fail "desktop entry name"
  grep -q "^Exec=\".*/velotra/dorvane\"$" "$desktop" || fail "desktop entry Exec: $(grep ^Exec "$desktop")"
  grep -qx "Icon=$dest/res/velotra.png" "$desktop" || fail "desktop entry Icon"
}

# 1. The program folder that `cmake --install` lays out: nothing else of the build.
stage=$work/stage
cmake --install "$build" --prefix "$stage" >/dev/null
staged=$(cd "$stage" && ls -A | sort | tr '\n' ' ')
[ "$staged" = "dorvane install.sh res uninstall.sh velotra velotra.tb3 " ] || fail "staged folder holds: $staged"

# 2. Install for a user, start through the desktop entry's launcher.
export HOME=$work/home
export XDG_DATA_HOME="$work/data dir"
"$stage/install.sh" >/dev/null
check_installed "$XDG_DATA_HOME"
dest=$XDG_DATA_HOME/velotra
start_through_launcher "$dest"

# 3. A reinstall over a used install keeps what the client and the user wrote.
printf '[cfg]\r\nuserid=123\r\n' >"$dest/velotra.ini"
mkdir -p "$dest/log" "$dest/update"
printf 'entry\r\n' >"$dest/log/2017-06-01.txt"
printf 'kept' >"$dest/update/update.txt"
cp "$dest/velotra.ini" "$work/ini.before"
"$stage/install.sh" >/dev/null
cmp -s "$dest/velotra.ini" "$work/ini.before" || fail "reinstall changed velotra.ini"
[ "$(cat "$dest/log/2017-06-01.txt")" = $'entry\r' ] || fail "reinstall changed log/"
[ "$(cat "$dest/update/update.txt")" = "kept" ] || fail "reinstall changed update/"

# 4. Uninstall keeps velotra.ini and log/; --all removes everything.
"$dest/uninstall.sh" >/dev/null
[ ! -e "$XDG_DATA_HOME/applications/velotra.desktop" ] || fail "desktop entry left behind"
left=$(cd "$dest" && ls -A | sort | tr '\n' ' ')
[ "$left" = "log velotra.ini " ] || fail "uninstall left: $left"
cmp -s "$dest/velotra.ini" "$work/ini.before" || fail "uninstall changed velotra.ini"
"$stage/install.sh" >/dev/null
"$dest/uninstall.sh" --all >/dev/null
[ ! -e "$dest" ] || fail "uninstall --all left $dest"

# 5. The package: unpacked elsewhere, its install script run, the client started.
cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null
tgz=$(ls "$work"/pkg/velotra-*.tar.gz)
mkdir -p "$work/unpacked"
tar -xzf "$tgz" -C "$work/unpacked"
top=$(ls -d "$work"/unpacked/velotra-*)
export XDG_DATA_HOME=$work/data2
"$top/install.sh" >/dev/null
check_installed "$XDG_DATA_HOME"
start_through_launcher "$XDG_DATA_HOME/velotra"
echo "install test passed"
