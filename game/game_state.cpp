#include "game/game_state.h"

namespace mq {

GameState Game;
char TextBuffer[TEXT_BUFFER_SIZE];

}  // namespace mq
