#!/usr/bin/env bash
# Runs the headless demonstration on the programs of this build tree and checks what it leaves:
# a screenshot, and a saved test that holds the ramp's points and the comment typed into the
# console, with its CSV and PDF.
set -euo pipefail
source_dir="$1"
build_dir="$2"
out="$build_dir/tests/demo-check"
rm -rf "$out"
# Whatever display the caller has, the demonstration must make its own.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ZEF_BUILD_DIR="$build_dir" \
    ZEF_DEMO_OUTPUT="$out" "$source_dir/scripts/demo.sh" > "$out.log" 2>&1 ||
  { cat "$out.log"; echo "demo.sh failed"; exit 1; }
cat "$out.log"

fail() { echo "FAILED: $*"; exit 1; }
for file in live-run.png demo.ZEF demo.csv demo.pdf; do
  grep -q -F "$out/$file" "$out.log" || fail "the demonstration does not name $file"
done
[ "$(head -c 8 "$out/live-run.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "live-run.png is not a PNG"
[ "$(head -c 5 "$out/demo.pdf")" = "%PDF-" ] || fail "demo.pdf is not a PDF"
[ "$(head -n 1 "$out/demo.ZEF")" = $'ZEF\r' ] || fail "demo.ZEF is not a test file"
grep -q -a "Demonstration: the emulated wing ramped to 40 mph" "$out/demo.ZEF" ||
  fail "the comment typed into the console is not in the saved test"

# Points all along the ramp: from near standstill to near the speed asked for, lift growing with
# the wind as the emulated wing gives it.
awk -F, 'NR == 1 { if ($0 != "wind,lift,drag,cd,ld") exit 1; next }
         { n++; if (n == 1) first = $1; last = $1; if ($1 >= 30 && $2 > 0.1) lifted = 1 }
         END { exit !(n >= 50 && first < 5 && last >= 35 && lifted) }' "$out/demo.csv" ||
  fail "demo.csv does not hold the ramp: $(sed -n '2p;$p' "$out/demo.csv" | tr '\n' ' ')"
# The screenshot shows the console, not an empty screen: many colours.
colours=$(convert "$out/live-run.png" -format %k info:)
[ "$colours" -gt 8 ] || fail "live-run.png has $colours colours"
echo "demo outputs checked"
