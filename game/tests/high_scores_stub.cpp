// Stand-in for the high-score tables until the storage code is merged: the
// same entry rule, so tests written against it hold for the real tables.
#include <cstring>

#include "game/game_state.h"
#include "storage/high_scores.h"

namespace mq {

HighScoreRecord HighScoreTables[HIGH_SCORE_RECORDS];
char PlayerName[PLAYER_NAME_SIZE];
int32_t NewRecordIndex = -1;

int ScoreTableIndex(int level, int size) {
  if (Game.GameSettings.ScoringRule != 0 || size > 2) return SHARED_TABLE;
  return level * 30 + size * 10;
}

int InsertHighScore(int score) {
  Game.HighScoreHandled = 1;
  const int t = ScoreTableIndex(Game.GameSettings.Level, Game.GameSettings.BoardSize);
  int p = 0;
  while (p < 10 && HighScoreTables[t + p].Points >= score) ++p;
  if (p == 10) return 0;
  for (int j = 9; j > p; --j) HighScoreTables[t + j] = HighScoreTables[t + j - 1];
  std::memcpy(HighScoreTables[t + p].Name, PlayerName, MAX_NAME_LENGTH + 1);
  HighScoreTables[t + p].Points = Game.Score;
  HighScoreTables[t + p].Date = 0x8000;
  NewRecordIndex = t + p;
  return 1;
}

}  // namespace mq
