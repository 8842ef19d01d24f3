#!/usr/bin/env bash
# Runs mqz solve on the ten standard 15x15 positions and prints each score,
# the total and its share of the best-known records.
# usage: scripts/solve-bench.sh [SECONDS] [THREADS] [BOARDS_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
threads=${2:-2}
boards=${3:-../shared/benchmark-boards}
[ -d "$boards" ] || boards=/work/shared/benchmark-boards
records=(3413 4023 4019 4215 4379 4869 3435 4771 5041 3937)

build=build/native-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target mqz >/dev/null

total=0
best=0
for i in $(seq 1 10); do
  board=$(printf '%s/position%02d.txt' "$boards" "$i")
  start=$(date +%s.%N)
  score=$("$build/mqz" solve --board "$board" --rule standard --seconds "$seconds" --threads "$threads" 2>/dev/null |
    sed -n 's/^score: //p')
  took=$(echo "$(date +%s.%N) - $start" | bc)
  record=${records[$((i - 1))]}
  printf 'position%02d  %5d  of %5d  %5.1f%%  %5.1f s\n' "$i" "$score" "$record" \
    "$(echo "100 * $score / $record" | bc -l)" "$took"
  total=$((total + score))
  best=$((best + record))
done
printf 'total       %5d  of %5d  %5.1f%%  (%s s a board, %s threads)\n' "$total" "$best" \
  "$(echo "100 * $total / $best" | bc -l)" "$seconds" "$threads"
