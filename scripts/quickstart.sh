#!/usr/bin/env bash
# Installs what is missing, builds the pelmora tool, and shows it at work against the embedded
# simulated print server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target pelmora_cli -j"$(nproc)"
set -x
./build/cli/pelmora show wireless
./build/cli/pelmora get ssid
./build/cli/pelmora set ssid OfficeNet
./build/cli/pelmora --json get all
