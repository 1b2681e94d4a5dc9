#!/usr/bin/env bash
# Builds the test file reader's fuzz target with clang and runs it for a bounded time
# (seconds, default 30) from the corpus of hand-made test files and the seeds of extreme numbers,
# with a dictionary of the file's tokens and number forms.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZEF_FUZZ=ON -DZEF_TESTS=OFF > /dev/null
cmake --build build/fuzz --target fuzz_reader

corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
cp tests/data/zef/* fuzz/seeds/* "$corpus/"
log="$corpus.log"
if ! build/fuzz/fuzz/fuzz_reader -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
     -dict=fuzz/reader.dict "$corpus" > "$log" 2>&1; then
  tail -n 80 "$log"
  echo "The fuzzer found a failing input (see above)."
  exit 1
fi
tail -n 5 "$log"
rm -f "$log"
echo "Fuzzing the test file reader for ${seconds} s found nothing."
