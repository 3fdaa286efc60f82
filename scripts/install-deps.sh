#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks, the Python module and
# the Debian package need, when missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libasio-dev libtelnet-dev libcli11-dev
  nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev libreadline-dev tmux telnet libtomlplusplus-dev)
# The Python module and its tests; `file` lets CPack find the libraries the Debian package needs.
packages+=(python3-dev python3-pybind11 python3-pytest file)
# The Ansible collection's tests run its modules with Debian's ansible-core.
packages+=(ansible-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
