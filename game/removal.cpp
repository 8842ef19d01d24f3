#include <algorithm>
#include <cstring>

#include "game/game_state.h"
#include "game/platform.h"

namespace mq {

void ResetDirtyRect() { Game.DirtyRect = {65535, 65535, 0, 0}; }

void DirtyRectToPixels() {
  PixelRect& d = Game.DirtyRect;
  const int pitch = Game.CellPitch;
  const int reach = Game.TileSize + 6;
  d = {d.left * pitch, d.top * pitch, d.right * pitch + reach, d.bottom * pitch + reach};
}

void SetCellTracked(int column, int row, int value) { SetCellTracked(Game, column, row, value); }

void SetCellTracked(GameState& g, int column, int row, int value) {
  g.Board[CellIndex(column, row)] = static_cast<uint8_t>(value);
  PixelRect& d = g.DirtyRect;
  d.left = std::min(d.left, column);
  d.top = std::min(d.top, row);
  d.right = std::max(d.right, column);
  d.bottom = std::max(d.bottom, row);
}

void ShiftColumnsLeft(int fromColumn) { ShiftColumnsLeft(Game, fromColumn); }

void ShiftColumnsLeft(GameState& g, int fromColumn) {
  for (int a = fromColumn; a < g.ActiveColumns; ++a) {
    for (int r = 0; r < g.ActiveRows; ++r) {
      g.MarkGrid[CellIndex(a, r)] = g.MarkGrid[CellIndex(a + 1, r)];
      SetCellTracked(g, a, r, g.Board[CellIndex(a + 1, r)]);
    }
  }
}

void RemoveMarkedGroup() {
  RemoveMarkedGroup(Game);
  DirtyRectToPixels();
  Host().UpdateStatusBar();
  const PixelRect& d = Game.DirtyRect;
  Host().RequestRepaint(d.left, d.top, d.right, d.bottom);
}

void RemoveMarkedGroup(GameState& g) {
  g.DirtyRect = {65535, 65535, 0, 0};
  const auto board = [&g](int column, int row) { return g.Board[CellIndex(column, row)]; };
  // `counter` is the index each column had when the move began: it keeps
  // counting while `i` steps back over every column closed on the way.
  for (int i = 0, counter = 0; i < g.ActiveColumns; ++i, ++counter) {
    int removed = 0;
    int lowest = 0;
    for (int k = 0; k < g.ActiveRows; ++k) {
      if (g.MarkGrid[CellIndex(i, k)] == 0) continue;
      g.RemovedCellLog[g.LogCursor++] = {static_cast<uint8_t>(counter), static_cast<uint8_t>(k), board(i, k)};
      SetCellTracked(g, i, k, 0);
      lowest = k;
      ++removed;
    }
    if (removed == 0) continue;
    int dest = lowest;
    for (int k = lowest; k >= 0; --k) {
      if (board(i, k) == 0) continue;
      SetCellTracked(g, i, dest, board(i, k));
      SetCellTracked(g, i, k, 0);
      --dest;
    }
    // Tiles always rest on the bottom row, so the column is empty exactly
    // when nothing fell into the lowest gap and that gap was the bottom row.
    if (dest == g.ActiveRows - 1) {
      g.RemovedCellLog[g.LogCursor - 1].Colour |= ColumnClosedBit;
      ShiftColumnsLeft(g, i);
      --i;
    }
  }
  g.SelectedCount = 0;
  std::memset(g.MarkGrid, 0, sizeof g.MarkGrid);
}

}  // namespace mq
