#!/usr/bin/env bash
# Prints the figures kept in the record: start-up time and memory of the game
# against an empty window, measured in the same run, MainWndProc on an
# 841-tile press and a full 29 x 29 repaint, and the size of the program.
# Runs in a private virtual display.
#   scripts/measure.sh [--startup-only | --trace] [GAME.EXE]
# GAME.EXE, another build of marblequake.exe (an older one, say), is measured
# in place of this tree's. --trace starts each program three times under
# WINEDEBUG=+timestamp,+loaddll and prints, for each start, every library
# loaded from process start to the first paint, in ms since the start; the
# whole trace is left in build/measure/startup-trace.txt.
set -euo pipefail
startup_only=0
trace=0
if [ "${1:-}" = "--startup-only" ]; then startup_only=1; shift; fi
if [ "${1:-}" = "--trace" ]; then trace=1; shift; fi
game=${1:+$(realpath "$1")}
cd "$(dirname "$0")/.."
game=${game:-build/windows/ui/marblequake.exe}
export MQ_ROOT=$PWD

bash scripts/deps.sh
source scripts/wine-env.sh
if ! mq_kernel_runs_32bit; then
  echo "The figures are the 32-bit program's, and this kernel does not run 32-bit programs." >&2
  exit 1
fi
log=build/measure-build.log
mkdir -p build
if ! { cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release &&
  cmake --build build/windows -j2 --target marblequake empty_window ui_measure; } >"$log" 2>&1; then
  tail -n 20 "$log"
  exit 1
fi

# The two programs side by side in a folder of their own, away from any settings file.
stage=build/measure
rm -rf "$stage"
mkdir -p "$stage"
cp "$game" "$stage/marblequake.exe"
cp build/windows/ui/empty_window.exe build/windows/ui/ui_measure.exe "$stage/"

trap wine_env_stop EXIT
wine_env_start --headless

folder=$(cd "$stage" && winepath -w "$PWD" 2>/dev/null)
if [ $trace = 1 ]; then
  WINEDEBUG=+timestamp,+loaddll,+debugstr wine "$stage/ui_measure.exe" startup "$folder" 3 \
    >/dev/null 2>"$stage/startup-trace.txt"
  # Each run starts the game (fresh, sounds on), the bare window, then the game with sounds off.
  awk -F: '/OutputDebugStringA "start / { t0 = $1; match($0, /[a-z_]+\.exe/); print "--- " substr($0, RSTART, RLENGTH); next }
    t0 && /OutputDebugStringA "painted/ { printf "%6.0f  first paint\n", ($1 - t0) * 1000; t0 = 0; next }
    t0 && /loaddll:build_module Loaded/ { n = split($0, p, "\\\\"); lib = p[n]; sub(/".*/, "", lib); printf "%6.0f  %s\n", ($1 - t0) * 1000, lib }' \
    "$stage/startup-trace.txt"
  exit 0
fi
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
wine "$stage/ui_measure.exe" startup "$folder" "${MQ_RUNS:-9}" 2>/dev/null
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ $startup_only = 1 ] && exit 0
wine "$stage/ui_measure.exe" window 2>/dev/null
echo "marblequake.exe: $(stat -c %s "$game") bytes (stripped, static)"
