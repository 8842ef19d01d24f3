#include "storage/high_scores.h"

#include <cstring>

#include "game/game_state.h"
#include "game/platform.h"

namespace mq {

HighScoreRecord HighScoreTables[HIGH_SCORE_RECORDS];
char PlayerName[PLAYER_NAME_SIZE];
int32_t NewRecordIndex = -1;

namespace {

constexpr int TABLE_PLACES = 10;
constexpr uint16_t DATE_PRESENT = 0x8000;
constexpr int DATE_TEXT_ROOM = 32;

// Copies at most 13 characters and fills the rest of the field with zeros,
// so a record never carries bytes of an older name.
void CopyName(char (&to)[14], const char* from) {
  std::memset(to, 0, sizeof to);
  for (int i = 0; i < MAX_NAME_LENGTH && from[i] != '\0'; ++i) to[i] = from[i];
}

bool IsTableStart(int first) { return first >= 0 && first <= SHARED_TABLE && first % TABLE_PLACES == 0; }

}  // namespace

int ScoreTableIndex(int level, int size) {
  // Anything outside the twelve fixed tables goes to the shared one, so no
  // index past the end can come out of a damaged level or size.
  if (Game.GameSettings.ScoringRule != 0 || size > 2 || size < 0 || level < 0 || level > 3) {
    return SHARED_TABLE;
  }
  return level * 30 + size * 10;
}

void ForgetNewRecord() { NewRecordIndex = -1; }

int InsertHighScore(int score) {
  Game.HighScoreHandled = 1;
  ForgetNewRecord();
  const int t = ScoreTableIndex(Game.GameSettings.Level, Game.GameSettings.BoardSize);
  int p = 0;
  while (p < TABLE_PLACES && HighScoreTables[t + p].Points >= score) ++p;
  if (p == TABLE_PLACES) return 0;

  for (int j = TABLE_PLACES - 1; j > p; --j) HighScoreTables[t + j] = HighScoreTables[t + j - 1];
  HighScoreRecord& record = HighScoreTables[t + p];
  CopyName(record.Name, PlayerName);
  record.Points = Game.Score;
  record.Date = DateStamp(0);
  NewRecordIndex = t + p;
  return 1;
}

uint16_t DateStamp(uint16_t value) {
  if (value == 0) {
    const LocalDate today = Host().Today();
    // The year field keeps (year - 2008) modulo 64; the present bit covers
    // whatever the year would carry into bit 15.
    const auto day = static_cast<uint16_t>(today.Day & 0x1F);
    const auto month = static_cast<uint16_t>((today.Month & 0x0F) << 5);
    const auto year = static_cast<uint16_t>(static_cast<unsigned>(today.Year - 2008) << 9);
    return static_cast<uint16_t>(day | month | year | DATE_PRESENT);
  }

  const unsigned bits = value & 0x7FFFu;
  const LocalDate date{static_cast<int>(bits >> 9) + 2008, static_cast<int>((bits >> 5) & 0x0F),
                       static_cast<int>(bits & 0x1F)};
  const void* end = std::memchr(TextBuffer, '\0', TEXT_BUFFER_SIZE);
  const size_t used =
      end ? static_cast<size_t>(static_cast<const char*>(end) - TextBuffer) : TEXT_BUFFER_SIZE;
  const int left = TEXT_BUFFER_SIZE - static_cast<int>(used);
  const int room = left < DATE_TEXT_ROOM ? left : DATE_TEXT_ROOM;
  if (room > 0) {
    TextBuffer[used] = '\0';
    Host().FormatShortDate(date, TextBuffer + used, room);
    // A formatter that filled its room without a terminator still leaves a string.
    if (std::memchr(TextBuffer + used, '\0', static_cast<size_t>(room)) == nullptr) {
      TextBuffer[used + static_cast<size_t>(room) - 1] = '\0';
    }
  }
  return 0;
}

void ClearScoreTable(int first) {
  if (!IsTableStart(first)) return;
  std::memset(&HighScoreTables[first], 0, sizeof(HighScoreRecord) * TABLE_PLACES);
  if (NewRecordIndex >= first && NewRecordIndex < first + TABLE_PLACES) ForgetNewRecord();
}

void NameScoreRecord(int first, const char* name) {
  // Only the record this game entered takes the name: another game's equal
  // score, or a record cleared since, stays as it is.
  if (!IsTableStart(first) || name == nullptr) return;
  if (NewRecordIndex < first || NewRecordIndex >= first + TABLE_PLACES) return;
  HighScoreRecord& record = HighScoreTables[NewRecordIndex];
  if (record.Points != Game.Score) return;
  CopyName(record.Name, name);
}

}  // namespace mq
