#!/usr/bin/env bash
# Builds the session, fleet and tool tests with ThreadSanitizer in build-tsan and runs them: the
# code that more than one thread touches (cancel tokens, cancel groups, the fleet's workers, the
# tool's signal watcher). Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build_dir=${BUILD_DIR:-build-tsan}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELMORA_TSAN=ON \
  -DPELMORA_BUILD_BENCH=OFF -DPELMORA_PYTHON=OFF -DPELMORA_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target pelmora_tests_session pelmora_tests_fleet \
  pelmora_tests_cli pelmora_cli
# A report ends the process with this status, so that a test that raced cannot pass.
export TSAN_OPTIONS=halt_on_error=1:exitcode=66:second_deadlock_stack=1
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" --timeout 300 \
  -R '^(Session|CancelToken|FleetRunner|Inventory|Shard|Fleet|Targets|Sim|Errors|Commands)\.'
