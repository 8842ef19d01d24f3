#include <cstring>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/high_scores.h"

namespace mq {

void RestoreLastMove() {
  uint8_t* scratch = Game.MarkGrid;
  const int first = Game.MoveIndex[Game.MoveCount - 1];
  Game.SelectedCount = 0;
  while (Game.LogCursor > first) {
    const RemovedCell& cell = Game.RemovedCellLog[--Game.LogCursor];
    scratch[CellIndex(cell.Column, cell.Row)] = cell.Colour;
    ++Game.SelectedCount;
  }

  const int bottom = Game.ActiveRows - 1;
  int source = 0;
  for (int i = 0; i < Game.ActiveColumns; ++i) {
    uint8_t& last = scratch[CellIndex(i, bottom)];
    if (last & ColumnClosedBit) {
      // The move emptied this column: the log alone holds all of it.
      last &= 0x0F;
      continue;
    }
    int m = bottom;
    for (int r = bottom; r >= 0; --r) {
      uint8_t& cell = scratch[CellIndex(i, r)];
      if (cell == 0) cell = BoardAt(source, m--);
    }
    ++source;
  }

  AddScore(-GroupPoints());
  Game.SelectedCount = 0;
  std::memcpy(Game.Board, scratch, sizeof Game.Board);
  const RemovedCell& pressed = Game.RemovedCellLog[Game.LogCursor];
  SelectGroup(pressed.Column, pressed.Row);
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
  NewRecordIndex = -1;
  while (Game.MoveCount > 0) UndoMove();
  Game.MoveCount = 0;
  Game.MoveIndex[0] = 0;
  Game.LogCursor = 0;
}

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

namespace {

constexpr int FILE_MOVE_LIMIT = 224;  // the state file holds MoveIndex[0..224]
constexpr int MAX_TILES = MAX_BOARD_DIM * MAX_BOARD_DIM;

// Puts the game and the platform back however the check ends.
class SandboxedGame {
 public:
  SandboxedGame() : previous_(SetPlatform(nullptr)) { saved_ = Game; }
  ~SandboxedGame() {
    Game = saved_;
    SetPlatform(previous_);
  }
  SandboxedGame(const SandboxedGame&) = delete;
  SandboxedGame& operator=(const SandboxedGame&) = delete;

 private:
  GameState saved_;
  Platform* previous_;
};

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

int CountTiles() {
  int tiles = 0;
  for (uint8_t cell : Game.Board) tiles += cell != 0;
  return tiles;
}

// Takes back move Game.MoveCount and checks that it led from a legal board
// with exactly its logged cells in place and no other tile lost.
bool UndoChecked() {
  const int move = Game.MoveCount;
  const int first = Game.MoveIndex[move - 1];
  const int entries = Game.MoveIndex[move] - first;
  const int tilesAfter = CountTiles();
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  RestoreLastMove();
  Game.MoveCount = move - 1;
  if (Game.LogCursor != first || !IsLegalBoard(Game)) return false;
  if (CountTiles() != tilesAfter + entries) return false;
  for (int e = first; e < first + entries; ++e) {
    const RemovedCell& cell = Game.RemovedCellLog[e];
    if (BoardAt(cell.Column, cell.Row) != (cell.Colour & 0x0F)) return false;
  }
  return true;
}

// Applies move Game.MoveCount + 1 again and checks that it is a whole group
// of one colour on the board and that the removal logs it byte for byte.
bool RedoChecked(const GameState& candidate) {
  const int move = Game.MoveCount + 1;
  const int first = Game.MoveIndex[move - 1];
  const int end = Game.MoveIndex[move];
  if (end - first < 2) return false;
  const RemovedCell& pressed = Game.RemovedCellLog[first];
  if (BoardAt(pressed.Column, pressed.Row) == 0) return false;
  SelectGroup(pressed.Column, pressed.Row);
  if (Game.SelectedCount != end - first) return false;
  for (int e = first; e < end; ++e) {
    const RemovedCell& cell = Game.RemovedCellLog[e];
    if (MarkAt(cell.Column, cell.Row) == 0) return false;
  }
  RedoMove();
  if (Game.MoveCount != move || Game.LogCursor != end) return false;
  return std::memcmp(&Game.RemovedCellLog[first], &candidate.RemovedCellLog[first],
                     static_cast<size_t>(end - first) * sizeof(RemovedCell)) == 0;
}

}  // namespace

TrustedHistory CheckHistory(const GameState& source) {
  constexpr TrustedHistory empty = {0, 0};
  // The source may be the global itself, which the replay below rewrites.
  static GameState candidate;
  candidate = source;

  if (!IsLegalBoard(candidate)) return empty;
  const int applied = candidate.MoveCount;
  int recorded = candidate.MoveTotal;
  if (applied < 0 || applied > FILE_MOVE_LIMIT || recorded < applied) return empty;
  if (recorded > FILE_MOVE_LIMIT) recorded = FILE_MOVE_LIMIT;
  if (candidate.MoveIndex[0] != 0) return empty;

  // The first move that is malformed in itself; later ones cannot be reached.
  int trusted = recorded;
  for (int move = 1; move <= recorded; ++move) {
    const int end = candidate.MoveIndex[move];
    if (end <= candidate.MoveIndex[move - 1] || end > MAX_TILES || !MoveEntriesWellFormed(candidate, move)) {
      trusted = move - 1;
      break;
    }
  }
  if (trusted < applied) return empty;

  SandboxedGame sandbox;
  Game = candidate;
  Game.ActiveColumns = candidate.GameSettings.Columns;
  Game.ActiveRows = candidate.GameSettings.Rows;
  Game.CellPitch = 30;
  Game.TileSize = 28;
  Game.Score = 0;
  Game.GameOver = 0;
  Game.RemovalPending = 0;
  Game.MoveCount = applied;
  Game.MoveTotal = trusted;
  Game.LogCursor = Game.MoveIndex[applied];

  while (Game.MoveCount > 0) {
    if (!UndoChecked()) return empty;
  }
  while (Game.MoveCount < trusted) {
    const int move = Game.MoveCount + 1;
    if (!RedoChecked(candidate)) return move <= applied ? empty : TrustedHistory{applied, move - 1};
    if (move == applied && std::memcmp(Game.Board, candidate.Board, sizeof Game.Board) != 0) return empty;
  }
  return {applied, trusted};
}

}  // namespace mq
