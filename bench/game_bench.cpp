// How long the game's own work takes on the largest board: marking the
// biggest possible group, one whole move, and a whole game played, taken
// back and played again from the history.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "game/game_state.h"
#include "game/platform.h"

namespace {

using namespace mq;

uint32_t CellPosition(int column, int row) {
  return static_cast<uint32_t>(3 + row * 30 + 10) << 16 | static_cast<uint32_t>(3 + column * 30 + 10);
}

// A tick count that changes like a clock read many times a millisecond.
class SteadyClock : public Platform {
 public:
  uint32_t Ticks = 50000;
  uint32_t TickCount() override { return Ticks += 3; }
};

void DealBigBoard(SteadyClock& clock, int level) {
  Game = GameState{};
  Game.ActiveColumns = Game.GameSettings.Columns = 29;
  Game.ActiveRows = Game.GameSettings.Rows = 29;
  Game.GameSettings.Level = level;
  RandomState = 1;
  clock.Ticks = 50000;
  NewGame();
}

void Move(uint32_t position) {
  PressTile(position);
  ReleaseTile(position);
  CompleteMove(IDT_REMOVE);
}

void BM_SelectWholeBoard(benchmark::State& state) {
  Game = GameState{};
  Game.ActiveColumns = Game.ActiveRows = 29;
  for (int c = 0; c < 29; ++c)
    for (int r = 0; r < 29; ++r) BoardAt(c, r) = 1;
  for (auto _ : state) {
    SelectGroup(14, 14);
    benchmark::DoNotOptimize(Game.SelectedCount);
  }
  state.counters["tiles"] = Game.SelectedCount;
}
BENCHMARK(BM_SelectWholeBoard);

void BM_OneMove(benchmark::State& state) {
  SteadyClock clock;
  SetPlatform(&clock);
  DealBigBoard(clock, 0);
  // The largest group on the dealt board, for a move that does real work.
  int bestColumn = 0, bestRow = 0, best = 0;
  for (int c = 0; c < 29; ++c) {
    for (int r = 0; r < 29; ++r) {
      SelectGroup(c, r);
      if (Game.SelectedCount > best) best = Game.SelectedCount, bestColumn = c, bestRow = r;
    }
  }
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  const GameState dealt = Game;
  for (auto _ : state) {
    Move(CellPosition(bestColumn, bestRow));
    benchmark::DoNotOptimize(Game.Score);
    state.PauseTiming();
    Game = dealt;
    state.ResumeTiming();
  }
  state.counters["group"] = best;
  SetPlatform(nullptr);
}
BENCHMARK(BM_OneMove);

// The moves of one game: always the first group of two or more, scanning
// column by column.
std::vector<uint32_t> PlayOnce(SteadyClock& clock) {
  DealBigBoard(clock, 1);
  std::vector<uint32_t> moves;
  while (!Game.GameOver) {
    bool found = false;
    for (int c = 0; c < Game.ActiveColumns && !found; ++c) {
      for (int r = 0; r < Game.ActiveRows && !found; ++r) {
        if (BoardAt(c, r) == 0) continue;
        SelectGroup(c, r);
        if (Game.SelectedCount < 2) continue;
        moves.push_back(CellPosition(c, r));
        Move(moves.back());
        found = true;
      }
    }
    if (!found) break;
  }
  return moves;
}

void BM_WholeGameUndoneAndRedone(benchmark::State& state) {
  SteadyClock clock;
  SetPlatform(&clock);
  const std::vector<uint32_t> moves = PlayOnce(clock);
  for (auto _ : state) {
    DealBigBoard(clock, 1);
    for (uint32_t position : moves) Move(position);
    ReplayGame();
    while (Game.MoveCount < Game.MoveTotal) RedoMove();
    benchmark::DoNotOptimize(Game.Board);
  }
  state.counters["moves"] = static_cast<double>(moves.size());
  SetPlatform(nullptr);
}
BENCHMARK(BM_WholeGameUndoneAndRedone);

}  // namespace

BENCHMARK_MAIN();
