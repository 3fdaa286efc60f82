#!/usr/bin/env bash
# Builds everything, warnings as errors, and runs every test suite, the Python module's tests
# included (ctest's "python" test).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build_dir=${BUILD_DIR:-build}
# The Python module is asked for, so that a missing pybind11 fails the run instead of skipping
# its tests.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMORA_WERROR=ON \
  -DPELMORA_PYTHON=ON "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" --timeout 300
