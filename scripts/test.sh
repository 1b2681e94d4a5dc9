#!/usr/bin/env bash
# Installs what is missing, builds the console, its tools, tests and benchmarks with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
./scripts/check-layers.sh

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZEF_SANITIZE=ON -DZEF_WERROR=ON -DZEF_BENCH=ON
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j2

if [ -d fuzz ] && [ -f fuzz/CMakeLists.txt ]; then
  ./scripts/fuzz.sh "${ZEF_FUZZ_SECONDS:-30}"
fi
echo "All tests passed."
