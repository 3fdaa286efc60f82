#!/usr/bin/env bash
# Runs the system's telnet client against `pelmora sim` RUNS times (default 200). Each run writes
# a command and "exit" at once, as a script piping into telnet does, and checks that the client
# shows the answer and the farewell and ends within LIMIT_MS (default 2000) of that write.
# Prints one summary line; exits 1 when any run failed.
#
#   scripts/telnet-exit-check.sh [RUNS] [PELMORA]     (PELMORA: default build/cli/pelmora)
set -euo pipefail

runs=${1:-200}
tool=${2:-build/cli/pelmora}
limit_ms=${LIMIT_MS:-2000}
command -v telnet >/dev/null || { echo "telnet-exit-check: no telnet client installed" >&2; exit 2; }

work=$(mktemp -d)
sim_pid=
cleanup() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$tool" sim --listen 127.0.0.1:0 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 200); do grep -q listening "$work/sim.out" && break; sleep 0.01; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.out")
[[ -n $port ]] || { echo "telnet-exit-check: pelmora sim did not start" >&2; exit 2; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# One run; prints the milliseconds from the write to the client's end, or "hang" / "lost".
run_once() {
  local fifo="$work/in" out="$work/out" pid started ended
  rm -f "$fifo" && mkfifo "$fifo"
  telnet 127.0.0.1 "$port" <"$fifo" >"$out" 2>&1 &
  pid=$!
  exec 3>"$fifo"  # stays open: the client must end because the server ended the session
  started=$(now_ms)
  printf 'SH NW SSID\nexit\n' >&3
  while kill -0 "$pid" 2>/dev/null && (($(now_ms) - started < limit_ms)); do sleep 0.01; done
  ended=$(now_ms)
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    echo hang
  elif ! grep -q 'WiFi SSID: PrintNet' "$out" || ! grep -q 'Exit Configuration task' "$out"; then
    echo lost
  else
    echo $((ended - started))
  fi
  exec 3>&-
  wait "$pid" 2>/dev/null || true
}

ok=0 hung=0 lost=0 slowest=0
for _ in $(seq "$runs"); do
  result=$(run_once)
  case $result in
    hang) hung=$((hung + 1)) ;;
    lost) lost=$((lost + 1)) ;;
    *) ok=$((ok + 1)); ((result > slowest)) && slowest=$result ;;
  esac
done
echo "telnet-exit-check: $ok of $runs runs ended within ${limit_ms} ms of exit" \
  "(slowest ${slowest} ms); $hung did not end, $lost ended without the answer or the farewell"
((ok == runs))
