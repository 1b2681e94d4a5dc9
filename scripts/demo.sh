#!/usr/bin/env bash
# Opens the console on the tunnel emulator: installs what is missing, builds, starts zefsim on a
# pseudo-terminal, and runs zef with a private demo profile whose COM1 is that terminal. The
# operator's own profile (~/.config/zef.ini) is never touched. Extra arguments go to zef.
#
# Without a display (no DISPLAY and no WAYLAND_DISPLAY), or with --headless, it runs a short test
# by itself instead: the console on a virtual screen, worked through its own keys (a wind speed,
# the ramp, a comment, a stop, a save), and leaves a screenshot of the live run, the test file,
# its CSV and its PDF in demo-output/.
#
# ZEF_BUILD_DIR=DIR uses the programs already built in the build tree DIR: nothing is installed
# or built then. ZEF_DEMO_OUTPUT=DIR puts the demonstration's results in DIR instead.
set -euo pipefail
cd "$(dirname "$0")/.."

headless=0
zef_args=()
for arg in "$@"; do
  if [ "$arg" = --headless ]; then
    headless=1
  else
    zef_args+=("$arg")
  fi
done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  headless=1
fi

if [ -n "${ZEF_BUILD_DIR:-}" ]; then
  build="$ZEF_BUILD_DIR"
else
  ./scripts/setup.sh
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEF_TESTS=OFF > /dev/null
  cmake --build build/release --target zef zefsim zeftool
  build=build/release
fi
zef="$build/src/zef"
zefsim="$build/tools/zefsim/zefsim"
zeftool="$build/tools/zeftool/zeftool"
for program in "$zef" "$zefsim" "$zeftool"; do
  [ -x "$program" ] || { echo "demo: $program is not built" >&2; exit 1; }
done

demo="$(mktemp -d "${TMPDIR:-/tmp}/zef-demo.XXXXXX")"
link="$demo/zefron"
pids=()
cleanup() {
  # The console first, so that it never sees its tunnel or its screen go away under it.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2> /dev/null || true
    wait "${pids[i]}" 2> /dev/null || true
  done
  rm -rf "$demo"
}
trap cleanup EXIT

# The emulator's standard input stays open, so it can still be told "lock", "mute" and so on
# by writing to $demo/zefsim.in (e.g. echo lock > $demo/zefsim.in).
mkfifo "$demo/zefsim.in"
exec 3<> "$demo/zefsim.in"   # held open read-write, so the emulator never sees its end
"$zefsim" --link "$link" --log "$demo/commands.log" <&3 > "$demo/zefsim.out" &
pids+=($!)

for _ in $(seq 50); do
  [ -e "$link" ] && break
  sleep 0.1
done
[ -e "$link" ] || { echo "zefsim did not start" >&2; exit 1; }

cat > "$demo/zef.ini" <<INI
; Demo profile: the console talks to the tunnel emulator on COM1.
[System]
COM Port=1
[Ports]
COM1=$link
INI
export ZEF_PROFILE="$demo/zef.ini"

if [ "$headless" = 0 ]; then
  echo "Tunnel emulator on $(head -n 1 "$demo/zefsim.out") as COM1; press W in the console to set a wind speed."
  echo "To make a fault: echo lock > $demo/zefsim.in  (also unlock, unplug, plug, mute, unmute, garble-w)"
  "$zef" "${zef_args[@]}"
  exit
fi

# --- The demonstration without a display ---------------------------------------------------------

speed=40
comment="Demonstration: the emulated wing ramped to $speed mph"
out="$(realpath -m "${ZEF_DEMO_OUTPUT:-demo-output}")"
for tool in Xvfb xdotool import; do
  command -v "$tool" > /dev/null || { echo "demo: $tool is missing (./scripts/setup.sh)" >&2; exit 1; }
done
deadline=$((SECONDS + 100))
fail() {
  echo "demo: $*" >&2
  if [ -s "$demo/zef.log" ]; then
    echo "--- the console said:" >&2
    cat "$demo/zef.log" >&2
  fi
  exit 1
}
# Waits until the command succeeds, for at most the time left to the whole demonstration.
wait_for() {
  local what="$1"
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "timed out waiting for $what"
    sleep 0.1
  done
}
visible() { xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1; }
logged() { grep -q -a -x -- "$1" "$demo/commands.log" 2> /dev/null; }
# Without a window manager focus falls to the root window whenever a dialog closes: each key goes
# to a window focused on purpose.
press() {
  local window
  window="$(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -n 1 || true)"
  [ -n "$window" ] || fail "no window \"$1\""
  shift
  xdotool windowfocus --sync "$window"
  xdotool "$@"
}

# A virtual screen that picks its own free display number and says which.
Xvfb -displayfd 4 -screen 0 1280x800x24 -nolisten tcp 4> "$demo/display" 2> "$demo/xvfb.log" &
pids+=($!)
wait_for "the virtual screen" test -s "$demo/display"
export DISPLAY=":$(head -n 1 "$demo/display")"
echo "Virtual screen $DISPLAY, tunnel emulator on $(head -n 1 "$demo/zefsim.out") as COM1."

XDG_STATE_HOME="$demo/state" QT_QPA_PLATFORM=xcb "$zef" "${zef_args[@]}" > "$demo/zef.log" 2>&1 &
pids+=($!)
wait_for "the console's window" visible Zefron
# The splash takes the first key away, and the controller's start-up comes after it.
wait_for "the controller's start-up" logged "C"

echo "W: a wind speed of $speed mph; the fan ramps up..."
press Zefron key w
wait_for "the Wind Speed dialog" visible "Wind Speed"
press "Wind Speed" type "$speed"
press "Wind Speed" key Return
wait_for "the ramp to $speed mph" logged "W$((speed * 10))<CR>"
sleep 4  # the fan follows the command with a lag of a few seconds

echo "E: a comment on the graph"
press Zefron key e
wait_for "the Comments dialog" visible Comments
press Comments type "$comment"
press Comments key Return
sleep 1
mkdir -p "$out"
import -window root "$out/live-run.png"

echo "S: stop"
lines=$(wc -l < "$demo/commands.log")
press Zefron key s
wait_for "the stop" sh -c "tail -n +$((lines + 1)) '$demo/commands.log' | grep -q -x O"
sleep 2

echo "Ctrl+S: save"
press Zefron key ctrl+s
wait_for "the Save dialog" visible "Save As"
press "Save As" type "$demo/demo.ZEF"
press "Save As" key Return
wait_for "the saved test" test -s "$demo/demo.ZEF"  # written whole, under a temporary name

cp "$demo/demo.ZEF" "$out/demo.ZEF"
"$zeftool" csv "$out/demo.ZEF" > "$out/demo.csv"
QT_QPA_PLATFORM=offscreen "$zeftool" render "$out/demo.ZEF" -o "$out/demo.pdf"
points=$(($(wc -l < "$out/demo.csv") - 1))
[ "$points" -gt 0 ] || fail "the saved test holds no points"

echo "The demonstration recorded $points points up to $speed mph:"
for file in live-run.png demo.ZEF demo.csv demo.pdf; do
  echo "  $out/$file"
done
