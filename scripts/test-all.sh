#!/usr/bin/env bash
# Builds the three targets and runs every test: natively under AddressSanitizer
# and UBSan, the 64-bit Windows build under Wine, and the checks of the 32-bit
# product DLL; then a minute of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
for preset in native win64 win32; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
for preset in native win64 win32; do
  echo "=== $preset: tests"
  ctest --preset "$preset"
done
echo "=== fuzz: a minute of each target"
scripts/fuzz.sh 60
echo "=== all tests passed"
