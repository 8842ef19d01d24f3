#!/usr/bin/env bash
# Starts the real game in a private virtual display on a fresh board, holds
# the mouse button down on a tile so an outlined group and its preview show,
# and writes the window's picture to docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
export MQ_ROOT=$PWD

bash scripts/deps.sh --screenshot
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j2 --target marblequake >/dev/null

# A copy in a folder of its own: no settings file beside it, so a new game is dealt.
stage=build/screenshot
rm -rf "$stage"
mkdir -p "$stage" docs
cp build/windows/ui/marblequake.exe "$stage/"

source scripts/wine-env.sh
game_pid=""
finish() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  wine_env_stop
}
trap finish EXIT
wine_env_start --headless

wine "$stage/marblequake.exe" >/dev/null 2>&1 &
game_pid=$!

# Wine draws its own frame (no window manager): find the top-level X window
# that carries the title and read its geometry.
geometry=""
for _ in $(seq 100); do
  geometry=$(xwininfo -root -tree 2>/dev/null | awk '/"Marblequake"/ && / [0-9]+x[0-9]+\+/ {print $0; exit}' || true)
  [ -n "$geometry" ] && break
  sleep 0.2
done
[ -n "$geometry" ] || { echo "the game window did not appear" >&2; exit 1; }
read -r w h x y < <(sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/' <<<"$geometry")
sleep 1

# Client origin: below the caption and the menu bar, inside the frame.
# Press (no release) in the bottom-left tile, which a fresh board always fills.
xdotool mousemove $((x + w / 8)) $((y + h - 60)) mousedown 1
sleep 0.5
import -window root -crop "${w}x${h}+${x}+${y}" +repage docs/screenshot.png
xdotool mouseup 1 >/dev/null 2>&1 || true
echo "wrote docs/screenshot.png (${w}x${h})"
