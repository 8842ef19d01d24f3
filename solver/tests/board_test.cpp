// Playouts judge a move by the tiles it strands, counted on a patch of
// columns around the move; the count must agree with one made on the whole
// board before and after. They keep the colours they are told to keep.
#include "solver/board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Tiles not of `tabu` without a neighbour of their colour, from height
// floor[c] up in each column.
int CountSingles(const solver::Board& b, int tabu, const int* floor) {
  const auto at = [&](int c, int h) {
    return c >= 0 && c < b.Columns && h >= 0 && h < b.Height[c] ? b.Cell[c][h] : 0;
  };
  int count = 0;
  for (int c = 0; c < b.Columns; ++c) {
    for (int h = floor[c]; h < b.Height[c]; ++h) {
      const int colour = at(c, h);
      count += colour != tabu && at(c, h + 1) != colour && at(c, h - 1) != colour && at(c + 1, h) != colour &&
               at(c - 1, h) != colour;
    }
  }
  return count;
}

// A full board of 2 to 29 columns and rows in 2 to 6 colours.
solver::Board Deal(solver::Random& rng, int& colours) {
  const int columns = 2 + static_cast<int>(rng.Below(28)), rows = 2 + static_cast<int>(rng.Below(28));
  colours = 2 + static_cast<int>(rng.Below(5));
  uint8_t grid[solver::MaxCells];
  for (int i = 0; i < columns * rows; ++i)
    grid[i] = static_cast<uint8_t>(1 + rng.Below(static_cast<uint32_t>(colours)));
  solver::Board b;
  EXPECT_TRUE(b.Load(columns, rows, grid));
  return b;
}

TEST(SolverBoard, StrandedTilesCountedAroundAMoveMatchTheWholeBoard) {
  solver::Random rng(11), probe(12);
  auto finder = std::make_unique<solver::GroupFinder>();
  int checked = 0, closing = 0, lones = 0;
  for (int deal = 0; deal < 200; ++deal) {
    int colours = 0;
    solver::Board b = Deal(rng, colours);
    // Played on at random, so that columns are ragged and some have closed.
    for (int count = finder->Find(b); count > 0; count = finder->Find(b)) {
      // A tile outside every group is no move and leaves the board as it is.
      const int c = static_cast<int>(probe.Below(b.Columns)), h = static_cast<int>(probe.Below(b.Height[c]));
      if (finder->Label[c][h] == solver::GroupFinder::Lone) {
        solver::Board same = b;
        const solver::Move lone{static_cast<uint8_t>(c), static_cast<uint8_t>(b.Rows - 1 - h)};
        ASSERT_EQ(solver::ApplyMove(same, lone, *finder), 0);
        ASSERT_EQ(std::memcmp(&same, &b, sizeof b), 0);
        ++lones;
        count = finder->Find(b);
      }
      const int tabu = static_cast<int>(rng.Below(static_cast<uint32_t>(colours + 1)));
      const solver::Group& listed = finder->Groups[rng.Below(static_cast<uint32_t>(count))];
      // Lowest tile of the group in each column, from the labels.
      int low[solver::MaxDim + 2];
      std::fill(low, low + solver::MaxDim + 2, solver::ColumnRoom);
      for (int c = listed.First; c <= listed.Last; ++c) {
        int h = 0;
        while (finder->Label[c][h] != listed.Label) ++h;
        low[c + 1] = h;
      }
      int floor[solver::MaxDim] = {};
      for (int c = 0; c < b.Columns; ++c) floor[c] = std::min({low[c], low[c + 1], low[c + 2]});
      solver::Board after = b;
      finder->Remove(after, listed);
      if (after.Columns < b.Columns) {
        std::fill(floor, floor + solver::MaxDim, 0);
        ++closing;
      }
      solver::Group g;
      finder->Flood(b, listed.Column, listed.Height, g);
      ASSERT_EQ(finder->SinglesMade(b, g, tabu),
                CountSingles(after, tabu, floor) - CountSingles(b, tabu, floor));
      // Removed by the flood's bits, the same board as by the labels.
      solver::Board dropped = b;
      solver::GroupFinder::RemoveCells(dropped, g, finder->FloodBits());
      ASSERT_EQ(std::memcmp(&dropped, &after, sizeof after), 0);
      ++checked;
      b = after;
    }
  }
  EXPECT_GT(checked, 5000);
  EXPECT_GT(closing, 100);
  EXPECT_GT(lones, 1000);
}

// Replays playouts that keep a colour and hold groups of another: a held
// group goes only when every group left is kept or held, a kept one only
// when every group left is kept, and the points are those of the moves.
TEST(SolverBoard, PlayoutsRemoveKeptAndHeldGroupsLast) {
  solver::Random rng(5);
  auto finder = std::make_unique<solver::GroupFinder>();
  auto replay = std::make_unique<solver::GroupFinder>();
  int held = 0;
  for (int deal = 0; deal < 300; ++deal) {
    int colours = 0;
    solver::Board b = Deal(rng, colours);
    const int tabu = static_cast<int>(rng.Below(static_cast<uint32_t>(colours + 1)));
    const solver::Hold hold{1 + static_cast<int>(rng.Below(static_cast<uint32_t>(colours))),
                            2 + static_cast<int>(rng.Below(6))};
    solver::Board played = b;
    std::vector<solver::Move> moves(solver::MaxCells / 2);
    int n = 0;
    const int score =
        solver::Playout(played, solver::Rule::Standard, tabu, rng, *finder, moves.data(), &n, hold);
    int replayed = 0;
    for (int i = 0; i < n; ++i) {
      const int count = replay->Find(b);
      const solver::Move m = moves[static_cast<size_t>(i)];
      ASSERT_TRUE(m.Column < b.Columns && m.Row < b.Rows);
      const int label = replay->Label[m.Column][b.Rows - 1 - m.Row];
      ASSERT_TRUE(label >= 1 && label <= count);
      const solver::Group& g = replay->Groups[label - 1];
      const bool isHeld = g.Colour != tabu && hold.Holds(g);
      for (int k = 0; k < count; ++k) {
        const solver::Group& other = replay->Groups[k];
        ASSERT_TRUE(g.Colour != tabu || other.Colour == tabu);
        ASSERT_TRUE(!isHeld || other.Colour == tabu || hold.Holds(other));
      }
      held += isHeld;
      replayed += solver::GroupScore(solver::Rule::Standard, solver::ApplyMove(b, m, *replay));
    }
    EXPECT_FALSE(solver::HasMove(b));
    EXPECT_EQ(std::memcmp(&played, &b, sizeof b), 0);
    EXPECT_EQ(score, replayed + solver::EndScore(solver::Rule::Standard, b.Tiles));
  }
  EXPECT_GT(held, 100);
}

}  // namespace
