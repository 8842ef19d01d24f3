#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine on this display (or in
# a private virtual display when there is none). Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
export MQ_ROOT=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/deps.sh
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j"$jobs" --target marblequake

if [ -z "${DISPLAY:-}" ]; then
  echo "Built build/windows/ui/marblequake.exe, but there is no display to show it on (DISPLAY is unset)." >&2
  exit 1
fi
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
# The settings file is written beside the exe, so the game resumes at the next start.
wine build/windows/ui/marblequake.exe
