#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each of them, one after the
# other, for a bounded time. Corpora and crash inputs go to fuzz-out/<target>/ (not committed);
# the small seed inputs in fuzz/seeds/<target>/ start each corpus.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]      (default: 60 seconds, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_fifo fuzz_framing fuzz_reports fuzz_reading
  fuzz_shell_error fuzz_shell_engine)
build_dir=${BUILD_DIR:-build-fuzz}
./scripts/install-deps.sh
# clang and its runtime libraries (libFuzzer, the sanitizers), when missing.
if ! dpkg-query -W -f='${Status}' clang libclang-rt-dev 2>/dev/null | grep -q "^install ok installed.*install ok installed$"; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends clang libclang-rt-dev
fi
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELMORA_FUZZ=ON -DPELMORA_BUILD_TESTS=OFF -DPELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j2 --target "${targets[@]}"
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  corpus=fuzz-out/$target
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$target" ] && seeds=("fuzz/seeds/$target")
  echo "== $target: $seconds s"
  # One job at a time: the machine's two cores are shared.
  if ! "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -artifact_prefix="$corpus/" -print_final_stats=1 "$corpus" "${seeds[@]}"; then
    echo "== $target: FAILED (crash input in $corpus/)"
    status=1
  fi
done
exit $status
