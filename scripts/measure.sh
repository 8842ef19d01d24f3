#!/usr/bin/env bash
# Prints the figures kept in the record: start-up time of the game against an
# empty window, MainWndProc on an 841-tile press and a full 29 x 29 repaint,
# and the size of the program. Runs in a private virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
export MQ_ROOT=$PWD

bash scripts/deps.sh
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j2 --target marblequake empty_window ui_measure >/dev/null

# The two programs side by side in a folder of their own, away from any settings file.
stage=build/measure
rm -rf "$stage"
mkdir -p "$stage"
cp build/windows/ui/marblequake.exe build/windows/ui/empty_window.exe build/windows/ui/ui_measure.exe "$stage/"

source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start --headless

folder=$(cd "$stage" && winepath -w "$PWD" 2>/dev/null)
wine "$stage/ui_measure.exe" startup "$folder" 2>/dev/null
wine "$stage/ui_measure.exe" window 2>/dev/null
echo "marblequake.exe: $(stat -c %s build/windows/ui/marblequake.exe) bytes (stripped, static)"
