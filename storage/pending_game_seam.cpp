// Stand-ins for three game operations until the game rules are merged in;
// weak, so the real ones replace them. Delete this file after that merge.
#include "game/game_state.h"

namespace mq {

[[gnu::weak]] void CancelPendingRemoval() { Game.RemovalPending = 0; }

[[gnu::weak]] TrustedHistory CheckHistory(const GameState& candidate) {
  return {candidate.MoveCount, candidate.MoveTotal};
}

[[gnu::weak]] bool IsLegalBoard(const GameState& s) {
  const int colours = s.GameSettings.Level + 3;
  int filledColumns = 0;
  for (int c = 0; c < GRID_STRIDE; ++c) {
    bool tileAbove = false;
    bool any = false;
    for (int r = 0; r < GRID_STRIDE; ++r) {
      const int v = s.Board[CellIndex(c, r)];
      if (v == 0) {
        if (tileAbove && r < s.ActiveRows) return false;
        continue;
      }
      if (c >= s.ActiveColumns || r >= s.ActiveRows || v > colours) return false;
      tileAbove = true;
      any = true;
    }
    if (any) {
      if (filledColumns != c) return false;
      ++filledColumns;
    }
  }
  return true;
}

}  // namespace mq
