#include "storage/game_check.h"

#include <cstring>

namespace mq {

namespace {

constexpr int FILE_MOVE_LIMIT = 224;  // the state file holds MoveIndex[0..224]
constexpr int MAX_TILES = MAX_BOARD_DIM * MAX_BOARD_DIM;

// The candidate's game, played back and forth. Too big for the stack.
GameState Replay;

// The log entries of move `move` (from 1) are well formed: inside the
// board, of a colour of the level, in ascending (Column, Row), and flagged
// closed only on the bottom row.
bool MoveEntriesWellFormed(const GameState& g, int move) {
  const int columns = g.GameSettings.Columns;
  const int rows = g.GameSettings.Rows;
  const int colours = g.GameSettings.Level + 3;
  int previous = -1;
  for (int e = g.MoveIndex[move - 1]; e < g.MoveIndex[move]; ++e) {
    const RemovedCell& cell = g.RemovedCellLog[e];
    if (cell.Column >= columns || cell.Row >= rows) return false;
    const int colour = cell.Colour & 0x0F;
    if (colour < 1 || colour > colours) return false;
    if ((cell.Colour & ~(0x0F | ColumnClosedBit)) != 0) return false;
    if ((cell.Colour & ColumnClosedBit) && cell.Row != rows - 1) return false;
    const int position = CellIndex(cell.Column, cell.Row);
    if (position <= previous) return false;
    previous = position;
  }
  return true;
}

int CountTiles(const GameState& g) {
  int tiles = 0;
  for (uint8_t cell : g.Board) tiles += cell != 0;
  return tiles;
}

// Takes back move g.MoveCount and checks that it led from a legal board
// with exactly its logged cells in place and no other tile lost.
bool UndoChecked(GameState& g) {
  const int move = g.MoveCount;
  const int first = g.MoveIndex[move - 1];
  const int entries = g.MoveIndex[move] - first;
  const int tilesAfter = CountTiles(g);
  std::memset(g.MarkGrid, 0, sizeof g.MarkGrid);
  PutBackLastMove(g);
  g.MoveCount = move - 1;
  if (g.LogCursor != first || !IsLegalBoard(g)) return false;
  if (CountTiles(g) != tilesAfter + entries) return false;
  for (int e = first; e < first + entries; ++e) {
    const RemovedCell& cell = g.RemovedCellLog[e];
    if (g.Board[CellIndex(cell.Column, cell.Row)] != (cell.Colour & 0x0F)) return false;
  }
  return true;
}

// Applies move g.MoveCount + 1 again and checks that it is a whole group of
// one colour on the board and that the removal logs it byte for byte.
bool RedoChecked(GameState& g, const GameState& candidate) {
  const int move = g.MoveCount + 1;
  const int first = g.MoveIndex[move - 1];
  const int end = g.MoveIndex[move];
  const RemovedCell& pressed = g.RemovedCellLog[first];
  if (g.Board[CellIndex(pressed.Column, pressed.Row)] == 0) return false;
  SelectGroup(g, pressed.Column, pressed.Row);
  if (g.SelectedCount != end - first) return false;
  for (int e = first; e < end; ++e) {
    const RemovedCell& cell = g.RemovedCellLog[e];
    if (g.MarkGrid[CellIndex(cell.Column, cell.Row)] == 0) return false;
  }
  AddScore(g, GroupPoints(g));
  RemoveMarkedGroup(g);
  ++g.MoveCount;
  if (g.LogCursor != end) return false;
  return std::memcmp(&g.RemovedCellLog[first], &candidate.RemovedCellLog[first],
                     static_cast<size_t>(end - first) * sizeof(RemovedCell)) == 0;
}

void Keep(GameState& c, int count, int total) {
  c.MoveCount = count;
  c.MoveTotal = total;
  if (total == 0) c.MoveIndex[0] = 0;
  c.LogCursor = c.MoveIndex[count];
}

}  // namespace

bool IsLegalBoard(const GameState& state) {
  const GameSettingsRecord& settings = state.GameSettings;
  if (settings.Level < 0 || settings.Level > 3) return false;
  const int columns = settings.Columns;
  const int rows = settings.Rows;
  if (columns < MIN_BOARD_DIM || columns > MAX_BOARD_DIM) return false;
  if (rows < MIN_BOARD_DIM || rows > MAX_BOARD_DIM) return false;
  const int colours = settings.Level + 3;
  bool emptyColumnSeen = false;
  for (int c = 0; c < GRID_STRIDE; ++c) {
    bool tileAbove = false;
    for (int r = 0; r < GRID_STRIDE; ++r) {
      const uint8_t cell = state.Board[CellIndex(c, r)];
      if (c >= columns || r >= rows) {
        if (cell != 0) return false;
        continue;
      }
      if (cell > colours) return false;
      if (cell != 0) {
        tileAbove = true;
      } else if (tileAbove) {
        return false;  // a gap under a tile
      }
    }
    if (c >= columns) continue;
    // With gravity holding, a column is empty exactly when its bottom is.
    const bool empty = state.Board[CellIndex(c, rows - 1)] == 0;
    if (!empty && emptyColumnSeen) return false;
    emptyColumnSeen = emptyColumnSeen || empty;
  }
  return true;
}

int TrimHistory(GameState& c) {
  const int applied = c.MoveCount;
  int recorded = c.MoveTotal;
  if (!IsLegalBoard(c) || applied < 0 || applied > FILE_MOVE_LIMIT || recorded < applied ||
      c.MoveIndex[0] != 0) {
    Keep(c, 0, 0);
    return 0;
  }
  if (recorded > FILE_MOVE_LIMIT) recorded = FILE_MOVE_LIMIT;

  // The first move that is malformed in itself; later ones cannot be
  // reached. The first move of fewer than two tiles: the history ends
  // before it, but the applied moves after it still have to undo soundly.
  int trusted = recorded;
  int lastWhole = recorded;
  for (int move = 1; move <= recorded; ++move) {
    const int start = c.MoveIndex[move - 1];
    const int end = c.MoveIndex[move];
    if (end < start || end > MAX_TILES || !MoveEntriesWellFormed(c, move)) {
      trusted = move - 1;
      break;
    }
    if (end - start < 2 && lastWhole == recorded) lastWhole = move - 1;
  }
  if (lastWhole > trusted) lastWhole = trusted;
  if (trusted < applied) {
    Keep(c, 0, 0);
    return 0;
  }

  Replay = c;
  Replay.ActiveColumns = c.GameSettings.Columns;
  Replay.ActiveRows = c.GameSettings.Rows;
  Replay.Score = 0;
  Replay.LogCursor = c.MoveIndex[applied];
  while (Replay.MoveCount > 0) {
    if (!UndoChecked(Replay)) {
      Keep(c, 0, 0);
      return 0;
    }
  }
  while (Replay.MoveCount < lastWhole) {
    const int move = Replay.MoveCount + 1;
    if (!RedoChecked(Replay, c)) {
      if (move <= applied) {
        Keep(c, 0, 0);
      } else {
        Keep(c, applied, move - 1);
      }
      return 0;
    }
    if (move == applied && std::memcmp(Replay.Board, c.Board, sizeof c.Board) != 0) {
      Keep(c, 0, 0);
      return 0;
    }
  }
  if (lastWhole >= applied) {
    Keep(c, applied, lastWhole);
    return 0;
  }
  // Replay.Score is minus the points of the moves taken back.
  std::memcpy(c.Board, Replay.Board, sizeof c.Board);
  AddScore(c, Replay.Score);
  Keep(c, lastWhole, lastWhole);
  return applied - lastWhole;
}

TrustedHistory CheckHistory(const GameState& candidate) {
  static GameState copy;
  copy = candidate;
  TrimHistory(copy);
  return {copy.MoveCount, copy.MoveTotal};
}

}  // namespace mq
