#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/high_scores.h"

namespace mq {

namespace {

constexpr int NOTE_ON = 0x90;
constexpr int PROGRAM_CHANGE = 0xC0;
constexpr int REMOVAL_PROGRAM = 119;
constexpr int HIGH_SCORE_PROGRAM = 126;
constexpr int NO_HIGH_SCORE_PROGRAM = 104;
constexpr int FULL_VELOCITY = 127;

void EndNote(int timer) { Host().SendMidi(NOTE_ON, timer & 0xFF, 0); }

// Program change, timer, note: the note lasts until the timer expires. A
// timer that cannot start would leave the note hanging, so it ends at once.
void PlayEndSound(int program, int timer, int milliseconds) {
  Host().SendMidi(PROGRAM_CHANGE, program, 0);
  Game.CurrentTimerId = Host().StartTimer(timer, milliseconds);
  Host().SendMidi(NOTE_ON, timer, FULL_VELOCITY);
  if (Game.CurrentTimerId == 0) EndNote(timer);
}

}  // namespace

int GroupPoints() { return GroupPoints(Game); }

int GroupPoints(const GameState& g) {
  const int n = g.SelectedCount;
  switch (g.GameSettings.ScoringRule) {
    case 0:
      return n * (n - 1);
    case 1:
      return (n - 1) * (n - 1);
    case 2:
      return n * (n - 3) + 4;
    default:
      return 0;
  }
}

int CheckGameOver() {
  const int grade = EndGrade(Game);
  if (grade != 0) Game.GameOver = 1;
  return grade;
}

int EndGrade(const GameState& g) {
  int left = 0;
  for (int c = 0; c < g.ActiveColumns; ++c) {
    for (int r = 0; r < g.ActiveRows; ++r) {
      const uint8_t tile = g.Board[CellIndex(c, r)];
      if (tile == 0) continue;
      ++left;
      // The last column and row meet the empty border, never a tile.
      if (g.Board[CellIndex(c + 1, r)] == tile || g.Board[CellIndex(c, r + 1)] == tile) return 0;
    }
  }
  return left >= 6 ? -1 : left + 1;
}

int EndBonusFor(int grade) { return grade > 0 ? 20 * (6 - grade) : 0; }

void PressTile(uint32_t position) {
  if (Game.GameOver || Game.RemovalPending) return;
  Host().DrawBoard(DRAW_ERASE_OUTLINES);
  if (!HitTest(position)) {
    std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
    return;
  }
  SelectGroup(Game.HitColumn, Game.HitRow);
  Host().DrawBoard(DRAW_OUTLINES);
  std::snprintf(TextBuffer, sizeof TextBuffer, "%d -> %d pts", Game.SelectedCount, GroupPoints());
  Host().SetStatusText(0, TextBuffer);
}

void ReleaseTile(uint32_t position) {
  if (Game.GameOver || Game.RemovalPending || Game.SelectedCount < 2) return;
  if (!HitTest(position) || MarkAt(Game.HitColumn, Game.HitRow) == 0) return;
  Game.RemovalPending = 1;
  Game.CurrentTimerId = Host().StartTimer(IDT_REMOVE, 200);
  Host().SendMidi(PROGRAM_CHANGE, REMOVAL_PROGRAM, 0);
  Host().SendMidi(NOTE_ON, IDT_REMOVE, FULL_VELOCITY);
  Host().DrawBoard(DRAW_BLANK_MARKED);
  // Without a timer nothing would ever complete the move: do it now.
  if (Game.CurrentTimerId == 0) CompleteMove(IDT_REMOVE);
}

void CancelPendingRemoval() {
  if (!Game.RemovalPending) return;
  Host().StopTimer(IDT_REMOVE);
  EndNote(IDT_REMOVE);
  Game.RemovalPending = 0;
  if (Game.CurrentTimerId == IDT_REMOVE) Game.CurrentTimerId = 0;
}

void CompleteMove(int timer) {
  // Each timer is stopped at its own expiry: an end-of-game sound may still
  // be running when a removal starts, and only one of them is current.
  Host().StopTimer(timer);
  EndNote(timer);
  if (Game.CurrentTimerId == timer) Game.CurrentTimerId = 0;
  if (timer != IDT_REMOVE || !Game.RemovalPending) return;
  Game.RemovalPending = 0;

  Game.LastMovePoints = GroupPoints();
  Game.SelectedCount = 0;
  AddScore(Game.LastMovePoints);
  RemoveMarkedGroup();
  ++Game.MoveCount;
  Game.MoveTotal = Game.MoveCount;
  Game.MoveIndex[Game.MoveCount] = static_cast<uint16_t>(Game.LogCursor);

  const int grade = CheckGameOver();
  if (grade == 0) return;
  Game.EndBonus = EndBonusFor(grade);
  AddScore(Game.EndBonus);
  if (Game.HighScoreHandled) return;
  if (InsertHighScore(Game.Score)) {
    PlayEndSound(HIGH_SCORE_PROGRAM, IDT_HIGH_SCORE, 2000);
  } else {
    PlayEndSound(NO_HIGH_SCORE_PROGRAM, IDT_NO_HIGH_SCORE, 1000);
  }
  Host().RunScoresCommand();
}

}  // namespace mq
