#!/usr/bin/env bash
# Installs what is missing, builds the pelmora tool and the Python module, and shows both at work
# against the embedded simulated print server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMORA_PYTHON=ON >/dev/null
cmake --build build --target pelmora_cli pelmora_python -j"$(nproc)"
set -x
./build/cli/pelmora --version
./build/cli/pelmora show wireless
./build/cli/pelmora get ssid
./build/cli/pelmora set ssid OfficeNet
./build/cli/pelmora --json get all
PYTHONPATH=build/python /usr/bin/python3 -c "import pelmora; print(pelmora.connect().get('ssid'))"
