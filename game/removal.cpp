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

namespace {

// The board writes of a removal. The rectangle they touch stays in a local
// until the end: byte stores through a state could otherwise change it, as
// far as the compiler knows, and force it back to memory after every cell.
struct TrackedBoard {
  GameState& g;
  PixelRect d;

  void Set(int column, int row, int value) {
    g.Board[CellIndex(column, row)] = static_cast<uint8_t>(value);
    d.left = std::min(d.left, column);
    d.top = std::min(d.top, row);
    d.right = std::max(d.right, column);
    d.bottom = std::max(d.bottom, row);
  }

  void ShiftLeft(int fromColumn) {
    const int columns = g.ActiveColumns, rows = g.ActiveRows;
    for (int a = fromColumn; a < columns; ++a) {
      for (int r = 0; r < rows; ++r) {
        g.MarkGrid[CellIndex(a, r)] = g.MarkGrid[CellIndex(a + 1, r)];
        Set(a, r, g.Board[CellIndex(a + 1, r)]);
      }
    }
  }
};

}  // namespace

void SetCellTracked(int column, int row, int value) {
  TrackedBoard board{Game, Game.DirtyRect};
  board.Set(column, row, value);
  Game.DirtyRect = board.d;
}

void ShiftColumnsLeft(int fromColumn) {
  TrackedBoard board{Game, Game.DirtyRect};
  board.ShiftLeft(fromColumn);
  Game.DirtyRect = board.d;
}

void RemoveMarkedGroup() {
  RemoveMarkedGroup(Game);
  DirtyRectToPixels();
  Host().UpdateStatusBar();
  const PixelRect& d = Game.DirtyRect;
  Host().RequestRepaint(d.left, d.top, d.right, d.bottom);
}

void RemoveMarkedGroup(GameState& g) {
  TrackedBoard tracked{g, {65535, 65535, 0, 0}};
  const auto board = [&g](int column, int row) { return g.Board[CellIndex(column, row)]; };
  const int columns = g.ActiveColumns, rows = g.ActiveRows;
  // `counter` is the index each column had when the move began: it keeps
  // counting while `i` steps back over every column closed on the way.
  for (int i = 0, counter = 0; i < columns; ++i, ++counter) {
    int removed = 0;
    int lowest = 0;
    for (int k = 0; k < rows; ++k) {
      if (g.MarkGrid[CellIndex(i, k)] == 0) continue;
      g.RemovedCellLog[g.LogCursor++] = {static_cast<uint8_t>(counter), static_cast<uint8_t>(k), board(i, k)};
      tracked.Set(i, k, 0);
      lowest = k;
      ++removed;
    }
    if (removed == 0) continue;
    int dest = lowest;
    for (int k = lowest; k >= 0; --k) {
      if (board(i, k) == 0) continue;
      tracked.Set(i, dest, board(i, k));
      tracked.Set(i, k, 0);
      --dest;
    }
    // Tiles always rest on the bottom row, so the column is empty exactly
    // when nothing fell into the lowest gap and that gap was the bottom row.
    if (dest == rows - 1) {
      g.RemovedCellLog[g.LogCursor - 1].Colour |= ColumnClosedBit;
      tracked.ShiftLeft(i);
      --i;
    }
  }
  g.DirtyRect = tracked.d;
  g.SelectedCount = 0;
  std::memset(g.MarkGrid, 0, sizeof g.MarkGrid);
}

}  // namespace mq
