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
# The exporter's HTTP server; Prometheus and promtool for the monitoring tests.
packages+=(libcpp-httplib-dev prometheus)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
# Debian's prometheus package starts its own server on port 9090 where the init system lets it.
# The tests run their own servers on ports they pick, so the package's service must not start:
# a policy refuses every service start during the installation, and the service is disabled.
own_policy=""
if [ ! -e /usr/sbin/policy-rc.d ]; then
  own_policy=/usr/sbin/policy-rc.d
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$own_policy" >/dev/null
  $sudo chmod 755 "$own_policy"
  trap '$sudo rm -f "$own_policy"' EXIT
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
if command -v systemctl >/dev/null && [ -d /run/systemd/system ]; then
  $sudo systemctl disable --now prometheus.service 2>/dev/null || true
fi
