// Thirteen ten-place high-score tables, the player name and packed dates.
#pragma once

#include <cstdint>

namespace mq {

struct HighScoreRecord {
  char Name[14];
  uint16_t Date;  // PackedDate; 0 = no date
  int32_t Points;
};
static_assert(sizeof(HighScoreRecord) == 20);

constexpr int HIGH_SCORE_RECORDS = 130;
constexpr int PLAYER_NAME_SIZE = 16;
constexpr int MAX_NAME_LENGTH = 13;
constexpr int SHARED_TABLE = 120;

extern HighScoreRecord HighScoreTables[HIGH_SCORE_RECORDS];
extern char PlayerName[PLAYER_NAME_SIZE];

// The record the game in play entered into its table in this run, -1 when
// it entered none. Naming acts on this record only, never on another game's
// equal score. Only this file's functions change it.
extern int32_t NewRecordIndex;

// The game in play is replaced (a new game, a replay, a game read from a
// file): no record is its own any more.
void ForgetNewRecord();

int ScoreTableIndex(int level, int size);
int InsertHighScore(int score);
// 0: today's packed date. Otherwise appends the date's short text to
// TextBuffer and returns 0.
uint16_t DateStamp(uint16_t value);
void ClearScoreTable(int first);
void NameScoreRecord(int first, const char* name);

}  // namespace mq
