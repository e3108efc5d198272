#!/usr/bin/env bash
# Builds the toolkit as a shared library, installs it into a scratch prefix
# and builds a tiny consumer against the installed tree twice: through
# find_package(Kavrin) and through pkg-config. Both consumers must run.
set -euo pipefail
source_dir=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix

cmake -S "$source_dir" -B "$work/lib" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_SHARED_LIBS=ON -DKAVRIN_BUILD_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work/lib" >/dev/null
cmake --install "$work/lib" >/dev/null

consumer=$source_dir/tests/package/consumer
cmake -S "$consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
LD_LIBRARY_PATH=$prefix/lib "$work/consumer/kavrin-consumer"

libdir=$(ls -d "$prefix"/lib*/pkgconfig | head -n 1)
export PKG_CONFIG_PATH=$libdir
# shellcheck disable=SC2046
c++ -o "$work/pkgconfig-consumer" "$consumer/main.cpp" $(pkg-config --cflags --libs kavrin)
LD_LIBRARY_PATH=$(dirname "$libdir") "$work/pkgconfig-consumer"
echo "package consumed through CMake and pkg-config"
