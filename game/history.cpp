#include <cstring>

#include "game/game_state.h"
#include "storage/high_scores.h"

namespace mq {

void RestoreLastMove() {
  PutBackLastMove(Game);
  const RemovedCell& pressed = Game.RemovedCellLog[Game.LogCursor];
  SelectGroup(pressed.Column, pressed.Row);
}

void PutBackLastMove(GameState& g) {
  // Counts in locals: the byte stores below could otherwise be taken to
  // change them.
  uint8_t* scratch = g.MarkGrid;
  const int first = g.MoveIndex[g.MoveCount - 1];
  const int restored = g.LogCursor - first;
  for (int e = g.LogCursor - 1; e >= first; --e) {
    const RemovedCell& cell = g.RemovedCellLog[e];
    scratch[CellIndex(cell.Column, cell.Row)] = cell.Colour;
  }
  g.LogCursor = first;

  const int bottom = g.ActiveRows - 1;
  const int columns = g.ActiveColumns;
  int source = 0;
  for (int i = 0; i < columns; ++i) {
    uint8_t& last = scratch[CellIndex(i, bottom)];
    if (last & ColumnClosedBit) {
      // The move emptied this column: the log alone holds all of it.
      last &= 0x0F;
      continue;
    }
    int m = bottom;
    for (int r = bottom; r >= 0; --r) {
      uint8_t& cell = scratch[CellIndex(i, r)];
      if (cell == 0) cell = g.Board[CellIndex(source, m--)];
    }
    ++source;
  }

  g.SelectedCount = restored;
  AddScore(g, -GroupPoints(g));
  g.SelectedCount = 0;
  std::memcpy(g.Board, scratch, sizeof g.Board);
}

void UndoMove() {
  if (Game.MoveCount <= 0) return;
  CancelPendingRemoval();
  if (Game.GameOver) {
    AddScore(-Game.EndBonus);
    Game.GameOver = 0;
  }
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  RestoreLastMove();
  --Game.MoveCount;
}

void RedoMove() {
  if (Game.MoveCount < 0 || Game.MoveCount >= Game.MoveTotal) return;
  CancelPendingRemoval();
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  Game.SelectedCount = 0;
  const int end = Game.MoveIndex[Game.MoveCount + 1];
  for (int e = Game.LogCursor; e < end; ++e) {
    const RemovedCell& cell = Game.RemovedCellLog[e];
    MarkAt(cell.Column, cell.Row) = MARK_NEW_GROUP;
    ++Game.SelectedCount;
  }
  const int points = GroupPoints();
  Game.LastMovePoints = points;
  Game.SelectedCount = 0;
  AddScore(points);
  RemoveMarkedGroup();
  ++Game.MoveCount;
}

void ReplayGame() {
  CancelPendingRemoval();
  Game.HighScoreHandled = 0;
  ForgetNewRecord();
  while (Game.MoveCount > 0) UndoMove();
  Game.MoveCount = 0;
  Game.MoveIndex[0] = 0;
  Game.LogCursor = 0;
}

}  // namespace mq
