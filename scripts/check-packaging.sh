#!/usr/bin/env bash
# Builds the library and the tool once in Release (warnings as errors), installs them into a
# temporary prefix, builds and runs the consumer example against that tree with find_package and
# with pkg-config, then builds the Debian package, unpacks it into a temporary root and runs the
# tool from there.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELMORA_WERROR=ON \
  -DPELMORA_BUILD_TESTS=OFF -DPELMORA_BUILD_BENCH=OFF -DPELMORA_PYTHON=OFF "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"

echo "== install tree"
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/share/man/man1/pelmora.1"
"$work/prefix/bin/pelmora" --version

echo "== consumer with find_package"
cmake -S examples/consumer -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
  >/dev/null
cmake --build "$work/consumer"
"$work/consumer/consumer"

echo "== consumer with pkg-config"
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name pelmora.pc)")
# shellcheck disable=SC2046  # the flags are meant to split into words
c++ -std=c++20 $(pkg-config --cflags pelmora) examples/consumer/main.cpp -o "$work/consumer-pc" \
  $(pkg-config --libs pelmora)
# A shared libpelmora in a prefix of its own is found through the loader's path.
LD_LIBRARY_PATH=$(pkg-config --variable=libdir pelmora) "$work/consumer-pc"

echo "== Debian package"
cpack --config "$build_dir/CPackConfig.cmake" -B "$work/deb" >/dev/null
deb=$(find "$work/deb" -maxdepth 1 -name '*.deb')
dpkg-deb --field "$deb" Package Version Depends
dpkg -x "$deb" "$work/root"
"$work/root/usr/bin/pelmora" --version
"$work/root/usr/bin/pelmora" get ssid
