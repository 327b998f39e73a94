#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer with AddressSanitizer and UBSan)
# and runs each in turn for SECONDS (default 60: the short run of the test
# command; `scripts/fuzz.sh 600` is the long run). Name targets after the
# seconds to run only those. Each target starts from its seeds in
# fuzz/corpus/<target> and keeps what it finds in build/fuzz/corpus/<target>;
# a failing input is written to build/fuzz/artifacts/ and ends the script with
# an error.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(address link records)
build=build/fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" >/dev/null
mkdir -p "$build/artifacts" "$build/logs"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  log="$build/logs/$target.log"
  echo "fuzz_$target: running for $seconds s (log in $log)"
  status=0
  "$build/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" \
    "$build/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$status" -ne 0 ]; then
    grep -E "invariant broken|ERROR|runtime error|SUMMARY" "$log" | head -5 >&2
    echo "fuzz_$target FAILED after ${runs:-?} runs; input in $build/artifacts/, log in $log" >&2
    exit 1
  fi
  echo "fuzz_$target: $runs runs in $seconds s, no failure"
done
