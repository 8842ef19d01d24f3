// Whether a game read from a file is one the program can go on playing: a
// board the rules can reach and a history that leads to it exactly.
#pragma once

#include <cstdint>

#include "game/game_state.h"

namespace mq {

// True when the board is a position the game can reach: colours within the
// level, nothing outside the configured size, gravity and closed columns hold.
bool IsLegalBoard(const GameState& state);

struct TrustedHistory {
  int32_t MoveCount;
  int32_t MoveTotal;
};

// Cuts the candidate's history to the part that replays exactly on its board
// and sets MoveCount, MoveTotal and LogCursor (MoveIndex[0] too when nothing
// is kept). A move of fewer than two tiles ends the history just before it;
// when that move is among the applied ones, the board and the score go back
// to the position before it, the last one the history can describe. Any
// other fault in an applied move leaves an empty history and the board as it
// is. Returns how many applied moves were taken back. The candidate is
// replayed on a copy: the game in play and the platform are not touched.
int TrimHistory(GameState& candidate);

// The counts TrimHistory would keep, the candidate left as it is.
TrustedHistory CheckHistory(const GameState& candidate);

}  // namespace mq
