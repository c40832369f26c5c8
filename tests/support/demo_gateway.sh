# Sourced by the tests that run the built programs: a scratch folder that goes
# away at the end, and the demo gateway on a free loopback port that the
# client is pointed at.
#   source demo_gateway.sh
#   start_work_folder            # sets work; kills pids and removes work at exit
#   start_demo_gateway BIN [fake_gateway options...]   # sets port, VELOTRA_URL, VELOTRA_WEBURL

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
  local bin=$1
  shift
  port=$((20000 + RANDOM % 20000))
  while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
  "$bin/fake_gateway" --demo "$@" --port "$port" >"$work/gateway.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
  done
  export VELOTRA_URL="http://127.0.0.1:$port/" VELOTRA_WEBURL="http://127.0.0.1:$port/"
  unset VELOTRA_DEV
}
