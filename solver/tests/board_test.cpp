// Playouts judge a move by the tiles it strands, counted on a patch of
// columns around the move; the count must agree with one made on the whole
// board before and after.
#include "solver/board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

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

TEST(SolverBoard, StrandedTilesCountedAroundAMoveMatchTheWholeBoard) {
  solver::Random rng(11);
  auto finder = std::make_unique<solver::GroupFinder>();
  int checked = 0, closing = 0;
  for (int deal = 0; deal < 200; ++deal) {
    const int columns = 2 + static_cast<int>(rng.Below(28)), rows = 2 + static_cast<int>(rng.Below(28));
    const int colours = 2 + static_cast<int>(rng.Below(5));
    uint8_t grid[solver::MaxCells];
    for (int i = 0; i < columns * rows; ++i)
      grid[i] = static_cast<uint8_t>(1 + rng.Below(static_cast<uint32_t>(colours)));
    solver::Board b;
    ASSERT_TRUE(b.Load(columns, rows, grid));
    // Played on at random, so that columns are ragged and some have closed.
    for (int count = finder->Find(b); count > 0; count = finder->Find(b)) {
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
      ++checked;
      b = after;
    }
  }
  EXPECT_GT(checked, 5000);
  EXPECT_GT(closing, 100);
}

}  // namespace
