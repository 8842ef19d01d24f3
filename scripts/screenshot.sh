#!/usr/bin/env bash
# Starts the real game in a private virtual display on a fresh board, holds
# the mouse button down on a tile so an outlined group and its preview show,
# and writes the window's picture: docs/screenshot.png with the standard tiles,
# then docs/screenshot-symbols.png and docs/screenshot-large.png with the two
# tile sets of sprites/, chosen as a player would (Options > Shape > Custom).
set -euo pipefail
cd "$(dirname "$0")/.."
export MQ_ROOT=$PWD

bash scripts/deps.sh --screenshot
source scripts/wine-env.sh
cmake -S . -B "$MQ_WINDOWS_BUILD" -DCMAKE_TOOLCHAIN_FILE="$MQ_WINDOWS_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$MQ_WINDOWS_BUILD" -j2 --target marblequake >/dev/null

stage=build/screenshot
game_pid=""
finish() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  wine_env_stop
}
trap finish EXIT
wine_env_start --headless

# Wine draws its own frame (no window manager): find the top-level X window
# that carries the title and print its width, height, x and y.
window_geometry() {
  local geometry=""
  for _ in $(seq 100); do
    geometry=$(xwininfo -root -tree 2>/dev/null | awk '/"Marblequake"/ && / [0-9]+x[0-9]+\+/ {print $0; exit}' || true)
    [ -n "$geometry" ] && break
    sleep 0.2
  done
  [ -n "$geometry" ] || { echo "the game window did not appear" >&2; return 1; }
  sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/' <<<"$geometry"
}

# shoot OUTPUT CELL_PITCH [TILE_SET]
shoot() {
  local out=$1 pitch=$2 set=${3:-} w h x y
  # A copy in a folder of its own, which it also starts in: no settings file
  # beside it, so a new game is dealt, and the set's Ball*.bmp at hand.
  rm -rf "$stage"
  mkdir -p "$stage" docs
  cp "$MQ_WINDOWS_BUILD/ui/marblequake.exe" "$stage/"
  [ -z "$set" ] || cp sprites/"$set"/Ball*.bmp "$stage/"
  (cd "$stage" && exec wine marblequake.exe) >/dev/null 2>&1 &
  game_pid=$!
  read -r w h x y < <(window_geometry)
  sleep 1
  if [ -n "$set" ]; then
    # Keys go to the window under the pointer when there is no window manager.
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
    xdotool key alt+o Down Down Right c
    sleep 1
    read -r w h x y < <(window_geometry)
  fi
  # Press (no release) in the bottom row, which a fresh board always fills:
  # below it lie the 3-pixel margin, the status bar and the frame.
  xdotool mousemove $((x + w / 8)) $((y + h - 30 - pitch / 2)) mousedown 1
  sleep 0.5
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
  xdotool mouseup 1 >/dev/null 2>&1 || true
  echo "wrote $out (${w}x${h})"
  wineserver -k
  wait "$game_pid" 2>/dev/null || true
  game_pid=""
}

shoot docs/screenshot.png 34
shoot docs/screenshot-symbols.png 34 symbols
shoot docs/screenshot-large.png 50 large
