#include <cstring>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/high_scores.h"

namespace mq {

uint64_t RandomState = 1;

uint32_t NextRandom() {
  constexpr uint64_t Multiplier = (uint64_t{346} << 32) + 20021;
  RandomState = RandomState * Multiplier + 1;
  return static_cast<uint32_t>(RandomState >> 32) & 0x7FFFFFFFu;
}

void NewGame() {
  CancelPendingRemoval();
  Game.GameOver = 0;
  Game.HighScoreHandled = 0;
  ForgetNewRecord();
  Game.Score = 0;
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  std::memset(Game.Board, 0, sizeof Game.Board);
  // A level outside 0..3 could only come from a damaged file; keep the
  // colour count a divisor the board can hold.
  int level = Game.GameSettings.Level;
  level = level < 0 ? 0 : level > 3 ? 3 : level;
  const int colours = level + 3;
  for (int c = 0; c < Game.ActiveColumns; ++c) {
    for (int r = 0; r < Game.ActiveRows; ++r) {
      const int32_t tick = static_cast<int32_t>(Host().TickCount());
      // The draw is non-negative, so the remainder is too, whatever the
      // sign of the divisor.
      const int32_t value = tick == 0 ? 0 : static_cast<int32_t>(NextRandom()) % tick;
      BoardAt(c, r) = static_cast<uint8_t>(value % colours + 1);
    }
  }
  Game.MoveTotal = 0;
  Game.MoveCount = 0;
  Game.MoveIndex[0] = 0;
  Game.LogCursor = 0;
  Host().UpdateStatusBar();
}

}  // namespace mq
