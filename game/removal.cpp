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

void SetCellTracked(int column, int row, int value) {
  BoardAt(column, row) = static_cast<uint8_t>(value);
  PixelRect& d = Game.DirtyRect;
  d.left = std::min(d.left, column);
  d.top = std::min(d.top, row);
  d.right = std::max(d.right, column);
  d.bottom = std::max(d.bottom, row);
}

void ShiftColumnsLeft(int fromColumn) {
  for (int a = fromColumn; a < Game.ActiveColumns; ++a) {
    for (int r = 0; r < Game.ActiveRows; ++r) {
      MarkAt(a, r) = MarkAt(a + 1, r);
      SetCellTracked(a, r, BoardAt(a + 1, r));
    }
  }
}

void RemoveMarkedGroup() {
  ResetDirtyRect();
  // `counter` is the index each column had when the move began: it keeps
  // counting while `i` steps back over every column closed on the way.
  for (int i = 0, counter = 0; i < Game.ActiveColumns; ++i, ++counter) {
    int removed = 0;
    int lowest = 0;
    for (int k = 0; k < Game.ActiveRows; ++k) {
      if (MarkAt(i, k) == 0) continue;
      Game.RemovedCellLog[Game.LogCursor++] = {static_cast<uint8_t>(counter), static_cast<uint8_t>(k),
                                               BoardAt(i, k)};
      SetCellTracked(i, k, 0);
      lowest = k;
      ++removed;
    }
    if (removed == 0) continue;
    int dest = lowest;
    for (int k = lowest; k >= 0; --k) {
      if (BoardAt(i, k) == 0) continue;
      SetCellTracked(i, dest, BoardAt(i, k));
      SetCellTracked(i, k, 0);
      --dest;
    }
    // Tiles always rest on the bottom row, so the column is empty exactly
    // when nothing fell into the lowest gap and that gap was the bottom row.
    if (dest == Game.ActiveRows - 1) {
      Game.RemovedCellLog[Game.LogCursor - 1].Colour |= ColumnClosedBit;
      ShiftColumnsLeft(i);
      --i;
    }
  }
  Game.SelectedCount = 0;
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  DirtyRectToPixels();
  Host().UpdateStatusBar();
  const PixelRect& d = Game.DirtyRect;
  Host().RequestRepaint(d.left, d.top, d.right, d.bottom);
}

}  // namespace mq
