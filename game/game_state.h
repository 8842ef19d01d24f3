// The one process-wide record of the game: plain fixed-size data, no
// allocation. Every operation reads and writes the global `Game` directly.
#pragma once

#include <cstdint>

namespace mq {

constexpr int GRID_STRIDE = 30;
constexpr int GRID_CELLS = GRID_STRIDE * GRID_STRIDE;
constexpr int MAX_BOARD_DIM = 29;
constexpr int MIN_BOARD_DIM = 6;
constexpr int LOG_CAPACITY = 900;
constexpr int MOVE_INDEX_CAPACITY = 450;
constexpr int MAX_COLOURS = 6;

// MarkGrid bits: the outline edges of a selected cell and its membership.
constexpr uint8_t MARK_EDGE_RIGHT = 0x01;
constexpr uint8_t MARK_EDGE_LEFT = 0x02;
constexpr uint8_t MARK_EDGE_BOTTOM = 0x04;
constexpr uint8_t MARK_EDGE_TOP = 0x08;
constexpr uint8_t MARK_MEMBER = 0x10;
constexpr uint8_t MARK_NEW_GROUP = 0x1F;

// Lives in the Colour byte: the Column byte needs bit 0x10 for columns 16..28.
constexpr uint8_t ColumnClosedBit = 0x10;

// Timers; each identifier is also the MIDI note that sounds while it runs.
constexpr int IDT_REMOVE = 72;
constexpr int IDT_HIGH_SCORE = 60;
constexpr int IDT_NO_HIGH_SCORE = 30;

// DrawBoard flags.
constexpr int DRAW_TILES = 0x001;
constexpr int DRAW_ERASE_OUTLINES = 0x010;
constexpr int DRAW_OUTLINES = 0x020;
constexpr int DRAW_BLANK_MARKED = 0x100;

constexpr int CellIndex(int column, int row) { return column * GRID_STRIDE + row; }

struct RemovedCell {
  uint8_t Column;
  uint8_t Row;
  uint8_t Colour;
};
static_assert(sizeof(RemovedCell) == 3);

// Written to and read from the state file as one 64-byte little-endian block.
struct GameSettingsRecord {
  int32_t Shape = 0;
  int32_t Level = 2;
  int32_t Columns = 11;
  int32_t Rows = 12;
  int32_t SavedScore = 0;
  int32_t SavedGameOver = 0;
  int32_t ScoringRule = 0;
  int32_t BoardSize = 0;
  int32_t SoundOff = 0;
  int32_t Reserved[7] = {};
};
static_assert(sizeof(GameSettingsRecord) == 64);

struct PixelRect {
  int32_t left, top, right, bottom;
};

struct GameState {
  uint8_t Board[GRID_CELLS] = {};
  uint8_t MarkGrid[GRID_CELLS] = {};
  RemovedCell RemovedCellLog[LOG_CAPACITY] = {};
  uint16_t MoveIndex[MOVE_INDEX_CAPACITY] = {};
  int32_t MoveCount = 0;
  int32_t MoveTotal = 0;
  int32_t LogCursor = 0;
  int32_t Score = 0;
  int32_t EndBonus = 0;
  int32_t LastMovePoints = 0;
  int32_t GameOver = 0;
  int32_t HighScoreHandled = 0;
  int32_t SelectedCount = 0;
  int32_t HitColumn = 0;
  int32_t HitRow = 0;
  int32_t ActiveColumns = 0;
  int32_t ActiveRows = 0;
  PixelRect DirtyRect = {};
  int32_t CellPitch = 30;
  int32_t TileSize = 28;
  // 1 from the release that starts a removal until its timer completes it;
  // board input in between is ignored so the released group is what goes.
  int32_t RemovalPending = 0;
  int32_t CurrentTimerId = 0;
  GameSettingsRecord GameSettings;
};
static_assert(sizeof(GameState::Board) == 900);
static_assert(sizeof(GameState::MarkGrid) == 900);
static_assert(sizeof(GameState::RemovedCellLog) == 2700);
static_assert(sizeof(GameState::MoveIndex) == 900);

extern GameState Game;

// The shared 300-byte scratch buffer every text is formatted into before it
// is handed to a window.
constexpr int TEXT_BUFFER_SIZE = 300;
extern char TextBuffer[TEXT_BUFFER_SIZE];

inline uint8_t& BoardAt(int column, int row) { return Game.Board[CellIndex(column, row)]; }
inline uint8_t& MarkAt(int column, int row) { return Game.MarkGrid[CellIndex(column, row)]; }

// Score arithmetic wraps like the 32-bit register it models: a score read
// from a file can be anything, and overflowing it must not be undefined.
inline void AddScore(GameState& g, int32_t points) {
  g.Score = static_cast<int32_t>(static_cast<uint32_t>(g.Score) + static_cast<uint32_t>(points));
}
inline void AddScore(int32_t points) { AddScore(Game, points); }

// The operations below act on the global `Game` and reach the window through
// the platform. Their overloads that take a state act on that state alone and
// call nothing of the platform: the file reader replays a candidate with them.

// Group selection.
bool HitTest(uint32_t position);
void SelectGroup(int column, int row);
void SelectGroup(GameState& g, int column, int row);
void MarkNeighbours(int column, int row, int colour);
void MarkNeighbours(GameState& g, int column, int row, int colour);

// Removal and column collapse.
void RemoveMarkedGroup();
// Removes, logs and collapses as RemoveMarkedGroup does, leaving DirtyRect
// in cells.
void RemoveMarkedGroup(GameState& g);
void SetCellTracked(int column, int row, int value);
void ShiftColumnsLeft(int fromColumn);
void ResetDirtyRect();
void DirtyRectToPixels();

// The move cycle.
int GroupPoints();
int GroupPoints(const GameState& g);
int CheckGameOver();
// The grade CheckGameOver gives the board in play, without ending the game:
// 0 while a group of two is left.
int EndGrade(const GameState& g);
int EndBonusFor(int grade);
void PressTile(uint32_t position);
void ReleaseTile(uint32_t position);
void CompleteMove(int timer);
// Drops a removal that was released but not yet completed (its timer is
// stopped and its note ended), for commands that replace the board.
void CancelPendingRemoval();

// History. UndoMove and RedoMove check their own preconditions: a call
// outside them changes nothing. ReplayGame has none.
void UndoMove();
void RestoreLastMove();
// RestoreLastMove without the selection of the restored group.
void PutBackLastMove(GameState& g);
void RedoMove();
void ReplayGame();

// New games.
uint32_t NextRandom();
void NewGame();
extern uint64_t RandomState;

}  // namespace mq
