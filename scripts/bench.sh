#!/usr/bin/env bash
# Builds the benchmarks in a Release build and runs them all. Extra arguments go to each
# benchmark program (for example --benchmark_repetitions=5 --benchmark_report_aggregates_only).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEF_BENCH=ON -DZEF_TESTS=OFF > /dev/null
cmake --build build/bench
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for bench in build/bench/bench/bench_*; do
  # Only the programs: the build's *_autogen folders match the pattern too.
  [[ -f "$bench" && -x "$bench" ]] || continue
  echo "== ${bench##*/}"
  "$bench" "$@"
done
