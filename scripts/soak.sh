#!/usr/bin/env bash
# The long soak: builds torva_soak (optimised, in build/soak) and runs
# OPERATIONS (default 100000) seeded random reads and writes with faults,
# SEED (default 1) choosing them, against the simulator on a pseudo-terminal.
# Prints the Markdown report and fails when any answer was not the truth:
#   scripts/soak.sh 100000 7 > docs/soak-report.md
set -euo pipefail
cd "$(dirname "$0")/.."
operations=${1:-100000}
seed=${2:-1}
build=build/soak
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target torva_soak >/dev/null
exec "$build/bin/torva_soak" "$operations" "$seed" "scripts/soak.sh $operations $seed"
