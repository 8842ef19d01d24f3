// The game is the referee: every sequence the search reports is replayed
// through the game's own press, release and completion, and must score
// exactly what the search claims.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "game/game_state.h"
#include "game/platform.h"
#include "solver/search.h"

namespace {

uint32_t CellPosition(int column, int row) {
  return static_cast<uint32_t>(3 + row * 30 + 10) << 16 | static_cast<uint32_t>(3 + column * 30 + 10);
}

// Deals into the game and returns the same position for the search.
solver::Board Deal(int columns, int rows, int colours, solver::Random& rng) {
  mq::Game = mq::GameState{};
  mq::Game.ActiveColumns = mq::Game.GameSettings.Columns = columns;
  mq::Game.ActiveRows = mq::Game.GameSettings.Rows = rows;
  uint8_t grid[solver::MaxCells] = {};
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) {
      grid[c * rows + r] = mq::BoardAt(c, r) =
          static_cast<uint8_t>(1 + rng.Below(static_cast<uint32_t>(colours)));
    }
  }
  solver::Board board;
  EXPECT_TRUE(board.Load(columns, rows, grid));
  return board;
}

TEST(SolverReplay, EverySequenceScoresInTheGameWhatTheSearchClaims) {
  solver::Random rng(7);
  mq::SetPlatform(nullptr);
  for (int trial = 0; trial < 48; ++trial) {
    const int columns = 2 + static_cast<int>(rng.Below(28)), rows = 2 + static_cast<int>(rng.Below(28));
    const int level = trial % 4;
    const auto rule = static_cast<solver::Rule>(trial / 4 % 4);
    const solver::Board board = Deal(columns, rows, level + 3, rng);
    solver::SearchOptions options;
    options.ScoringRule = rule;
    options.Seconds = 0.03;
    options.Threads = 1 + trial % 2;
    options.Seed = static_cast<uint64_t>(trial);
    const solver::SearchResult result = solver::Solve(board, options);
    const std::string where = std::to_string(columns) + "x" + std::to_string(rows) + " level " +
                              std::to_string(level) + " rule " + std::to_string(static_cast<int>(rule));

    mq::Game.GameSettings.ScoringRule = rule == solver::Rule::Standard ? 0 : static_cast<int>(rule);
    int standard = 0;
    for (const solver::Move& m : result.Moves) {
      ASSERT_FALSE(mq::Game.GameOver) << where;
      mq::PressTile(CellPosition(m.Column, m.Row));
      ASSERT_GE(mq::Game.SelectedCount, 2) << where << " move " << int(m.Column) << "," << int(m.Row);
      standard += (mq::Game.SelectedCount - 2) * (mq::Game.SelectedCount - 2);
      mq::ReleaseTile(CellPosition(m.Column, m.Row));
      mq::CompleteMove(mq::IDT_REMOVE);
    }
    EXPECT_EQ(mq::Game.GameOver, result.Moves.empty() ? 0 : 1) << where;
    if (rule == solver::Rule::Standard) {
      int left = 0;
      for (uint8_t tile : mq::Game.Board) left += tile != 0;
      EXPECT_EQ(standard + (left == 0 && !result.Moves.empty() ? 1000 : 0), result.Score) << where;
    } else {
      EXPECT_EQ(mq::Game.Score, result.Score) << where;
    }
    EXPECT_EQ(solver::ScoreOf(board, rule, result.Moves), result.Score) << where;
  }
}

}  // namespace

namespace {

// The best total from `b` by trying every sequence.
int BestByHand(const solver::Board& b, solver::Rule rule, bool moved) {
  auto finder = std::make_unique<solver::GroupFinder>();
  const int count = finder->Find(b);
  if (count == 0) return moved ? solver::EndScore(rule, b.Tiles) : 0;
  int best = 0;
  for (int k = 0; k < count; ++k) {
    solver::Board child = b;
    finder->Remove(child, finder->Groups[k]);
    best = std::max(best, solver::GroupScore(rule, finder->Groups[k].Size) + BestByHand(child, rule, true));
  }
  return best;
}

// Small boards are searched to the end well inside the budget, and then
// nothing may beat the search: merging duplicates and remembering lines
// must lose no game.
TEST(SolverReplay, SmallBoardsAreSolvedExactly) {
  solver::Random rng(3);
  for (int trial = 0; trial < 24; ++trial) {
    const int columns = 3 + trial % 3, rows = 3 + trial / 3 % 2;
    const auto rule = static_cast<solver::Rule>(trial % 4);
    const solver::Board board = Deal(columns, rows, 3, rng);
    solver::SearchOptions options;
    options.ScoringRule = rule;
    options.Seconds = 30;
    options.Threads = 1 + trial % 2;
    const solver::SearchResult result = solver::Solve(board, options);
    EXPECT_EQ(result.Score, BestByHand(board, rule, false)) << "trial " << trial;
    EXPECT_EQ(solver::ScoreOf(board, rule, result.Moves), result.Score) << "trial " << trial;
  }
}

// A stop from outside ends the search at once with a whole game.
TEST(SolverReplay, AStopEndsTheSearchWithAWholeGame) {
  solver::Random rng(5);
  const solver::Board board = Deal(29, 29, 6, rng);
  std::atomic<bool> stop{true};
  solver::SearchOptions options;
  options.Seconds = 600;
  options.Stop = &stop;
  const solver::SearchResult result = solver::Solve(board, options);
  EXPECT_GT(result.Moves.size(), 0u);
  EXPECT_EQ(solver::ScoreOf(board, solver::Rule::Standard, result.Moves), result.Score);
}

}  // namespace
