#!/usr/bin/env bash
# The main job: builds the release preset and runs the host tool against a
# simulated line of machines on a pseudo-terminal (no hardware needed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec build/release/bin/torva demo "$@"
