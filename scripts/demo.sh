#!/usr/bin/env bash
# Opens the console on the tunnel emulator: installs what is missing, builds, starts zefsim on a
# pseudo-terminal, and runs zef with a private demo profile whose COM1 is that terminal. The
# operator's own profile (~/.config/zef.ini) is never touched. Extra arguments go to zef.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEF_TESTS=OFF > /dev/null
cmake --build build/release --target zef zefsim

demo="$(mktemp -d "${TMPDIR:-/tmp}/zef-demo.XXXXXX")"
link="$demo/zefron"
# The emulator's standard input stays open, so it can still be told "lock", "mute" and so on
# by writing to $demo/zefsim.in (e.g. echo lock > $demo/zefsim.in).
mkfifo "$demo/zefsim.in"
exec 3<> "$demo/zefsim.in"   # held open read-write, so the emulator never sees its end
build/release/tools/zefsim/zefsim --link "$link" --log "$demo/commands.log" \
    <&3 > "$demo/zefsim.out" &
sim=$!
cleanup() {
  kill "$sim" 2> /dev/null || true
  wait "$sim" 2> /dev/null || true
  rm -rf "$demo"
}
trap cleanup EXIT

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

echo "Tunnel emulator on $(head -n 1 "$demo/zefsim.out") as COM1; press W in the console to set a wind speed."
echo "To make a fault: echo lock > $demo/zefsim.in  (also unlock, unplug, plug, mute, unmute, garble-w)"
export ZEF_PROFILE="$demo/zef.ini"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No desktop display here: running the console on a virtual screen instead." >&2
  exec_cmd=(xvfb-run -a -s "-screen 0 1280x800x24" build/release/src/zef "$@")
else
  exec_cmd=(build/release/src/zef "$@")
fi
"${exec_cmd[@]}"
