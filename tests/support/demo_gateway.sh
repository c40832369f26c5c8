# Sourced by the tests that run the built programs: a scratch folder that goes
# away at the end, and the demo gateway on a free loopback port that the
# client is pointed at.
#   source demo_gateway.sh
#   start_work_folder            # sets work; kills pids and removes work at exit
#   start_demo_gateway BIN [fake_gateway options...]   # sets port, VELOTRA_URL, VELOTRA_WEBURL
#   copy_client BIN DEST [FILE...]   # a program folder of its own: the client,
#                                    # res/ and the FILEs of BIN into DEST

start_work_folder() {
  work=$(mktemp -d)
  pids=()
  trap '_stop_work_folder' EXIT
}

_stop_work_folder() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}

start_demo_gateway() {
  local bin=$1 url="" _
  shift
  # Port 0: the gateway binds whatever port is free and prints its address
  # first. A port picked here could be free to connect to and still not to
  # bind, held as the local end of another test's connection.
  "$bin/fake_gateway" --demo "$@" --port 0 >"$work/gateway.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    url=$(head -n 1 "$work/gateway.out" 2>/dev/null | grep -Eo '^http://127\.0\.0\.1:[0-9]+/' || true)
    [ -n "$url" ] && break
    sleep 0.1
  done
  [ -n "$url" ] || { echo "the demo gateway did not start:"; cat "$work/gateway.out"; exit 1; }
  port=${url##*:}
  port=${port%/}
  export VELOTRA_URL="$url" VELOTRA_WEBURL="$url"
  unset VELOTRA_DEV
}

# A copy, not a link: the program finds its folder from its own file.
copy_client() {
  local bin=$1 dest=$2 f
  shift 2
  mkdir -p "$dest"
  cp "$bin/velotra" "$dest/"
  for f in "$@"; do cp "$bin/$f" "$dest/"; done
  cp -r "$bin/res" "$dest/" 2>/dev/null || true
}
