#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine (as root);
# packages already present are left alone.
set -euo pipefail
packages=(
  cmake ninja-build g++ googletest libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-i686
  wine64 socat libmodbus-dev clang libclang-rt-14-dev gnuplot-nox valgrind
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
