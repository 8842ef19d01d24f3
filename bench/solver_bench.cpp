// The search engine's raw speed on a 15x15 board of 5 colours, the size of
// the standard positions: moves generated (every group of a position
// found), positions expanded (every child made and hashed) and whole
// playouts.
#include <benchmark/benchmark.h>

#include <memory>

#include "solver/board.h"

namespace {

using namespace solver;

Board Dealt(int columns, int rows, int colours) {
  Random rng(2024);
  uint8_t grid[MaxCells];
  for (int i = 0; i < columns * rows; ++i) grid[i] = static_cast<uint8_t>(1 + rng.Below(colours));
  Board b;
  b.Load(columns, rows, grid);
  return b;
}

void BM_SolverGenerateMoves(benchmark::State& state) {
  const Board b = Dealt(15, 15, 5);
  auto f = std::make_unique<GroupFinder>();
  int64_t moves = 0;
  for (auto _ : state) moves += f->Find(b);
  state.counters["moves/s"] = benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SolverGenerateMoves);

void BM_SolverExpandPosition(benchmark::State& state) {
  const Board b = Dealt(15, 15, 5);
  auto f = std::make_unique<GroupFinder>();
  uint64_t hashes = 0;
  for (auto _ : state) {
    const int count = f->Find(b);
    for (int k = 0; k < count; ++k) {
      Board child = b;
      f->Remove(child, f->Groups[k]);
      hashes += child.Hash();
    }
  }
  benchmark::DoNotOptimize(hashes);
  state.counters["positions/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SolverExpandPosition);

void BM_SolverPlayout(benchmark::State& state) {
  const Board b = Dealt(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)), 5);
  auto f = std::make_unique<GroupFinder>();
  Random rng(7);
  int64_t moves = 0;
  for (auto _ : state) {
    Board trial = b;
    int n = 0;
    benchmark::DoNotOptimize(Playout(trial, Rule::Standard, 1, rng, *f, nullptr, &n));
    moves += n;
  }
  state.counters["playouts/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["moves/s"] = benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SolverPlayout)->Arg(15)->Arg(29);

}  // namespace
