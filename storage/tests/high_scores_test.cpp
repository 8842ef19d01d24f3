#include "storage/high_scores.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "storage/tests/storage_test_support.h"

namespace mq {
namespace {

using testing::MemoryPlatform;
using testing::Record;
using testing::ScopedPlatform;

class HighScoresTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetStorageState(); }
  void TearDown() override { testing::ResetStorageState(); }

  // Fills table `first` with the given points, names "P0".."P9".
  static void FillTable(int first, std::initializer_list<int> points) {
    int i = 0;
    for (int p : points) {
      char name[16] = {};
      std::snprintf(name, sizeof name, "P%d", i);
      HighScoreTables[first + i] = Record(name, p, 0x8021);
      ++i;
    }
  }

  static int Finish(int score) {
    Game.Score = score;
    return InsertHighScore(score);
  }

  MemoryPlatform platform_;
  ScopedPlatform scoped_{&platform_};
};

TEST_F(HighScoresTest, TodayPacksIntoSixteenBits) {
  EXPECT_EQ(DateStamp(0), 0xA465);  // 5 March 2026
  platform_.Date = {2008, 1, 1};
  EXPECT_EQ(DateStamp(0), 0x8021);
  platform_.Date = {2071, 12, 31};
  EXPECT_EQ(DateStamp(0), 0xFF9F);
  // The year field wraps modulo 64; the present bit stays set.
  platform_.Date = {2072, 12, 31};
  EXPECT_EQ(DateStamp(0), 0x819F);
  platform_.Date = {2007, 6, 1};
  EXPECT_EQ(DateStamp(0) & 0x8000, 0x8000);
}

TEST_F(HighScoresTest, StoredDateAppendsItsTextToTheBuffer) {
  std::strcpy(TextBuffer, "Ann\t");
  EXPECT_EQ(DateStamp(0xA465), 0);
  EXPECT_STREQ(TextBuffer, "Ann\t2026-03-05");
}

TEST_F(HighScoresTest, DateTextNeverRunsPastTheBuffer) {
  std::memset(TextBuffer, 'x', TEXT_BUFFER_SIZE - 5);
  TextBuffer[TEXT_BUFFER_SIZE - 5] = '\0';
  DateStamp(0xA465);
  EXPECT_EQ(std::strlen(TextBuffer), static_cast<size_t>(TEXT_BUFFER_SIZE - 1));
  EXPECT_EQ(std::string(TextBuffer + TEXT_BUFFER_SIZE - 5), "2026");

  // A buffer with no terminator at all is left as it is.
  std::memset(TextBuffer, 'y', TEXT_BUFFER_SIZE);
  DateStamp(0xA465);
  for (char c : TextBuffer) ASSERT_EQ(c, 'y');
}

TEST_F(HighScoresTest, TableIndexFollowsLevelSizeAndRule) {
  struct Case {
    int rule, level, size, expected;
  };
  const Case cases[] = {
      {0, 0, 0, 0},   {0, 0, 1, 10},   {0, 0, 2, 20},   {0, 1, 0, 30},  {0, 2, 1, 70},  {0, 3, 2, 110},
      {0, 0, 3, 120}, {0, 3, 3, 120},  {1, 0, 0, 120},  {1, 3, 2, 120}, {2, 1, 1, 120}, {2, 2, 3, 120},
      {0, 4, 0, 120}, {0, -1, 0, 120}, {0, 0, -1, 120}, {0, 0, 7, 120},
  };
  for (const Case& c : cases) {
    Game.GameSettings.ScoringRule = c.rule;
    EXPECT_EQ(ScoreTableIndex(c.level, c.size), c.expected)
        << "rule " << c.rule << " level " << c.level << " size " << c.size;
  }
}

TEST_F(HighScoresTest, EmptyTableTakesAnyPositiveScoreAtTheTop) {
  Game.GameSettings.Level = 1;
  Game.GameSettings.BoardSize = 2;
  std::strcpy(PlayerName, "Zed");
  EXPECT_EQ(Finish(5), 1);
  EXPECT_EQ(Game.HighScoreHandled, 1);
  EXPECT_EQ(NewRecordIndex, 50);
  EXPECT_STREQ(HighScoreTables[50].Name, "Zed");
  EXPECT_EQ(HighScoreTables[50].Points, 5);
  EXPECT_EQ(HighScoreTables[50].Date, 0xA465);
}

TEST_F(HighScoresTest, ZeroNeverEntersAnEmptyTable) {
  EXPECT_EQ(Finish(0), 0);
  EXPECT_EQ(Game.HighScoreHandled, 1);
  EXPECT_EQ(NewRecordIndex, -1);
  for (const HighScoreRecord& r : HighScoreTables) EXPECT_EQ(r.Points, 0);
}

TEST_F(HighScoresTest, TieGoesBelowAndPushesTheRestDown) {
  Game.GameSettings.Level = 0;
  Game.GameSettings.BoardSize = 0;
  FillTable(0, {900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
  std::strcpy(PlayerName, "New");
  EXPECT_EQ(Finish(700), 1);
  EXPECT_EQ(NewRecordIndex, 3);
  const int expected[10] = {900, 800, 700, 700, 600, 500, 400, 300, 200, 100};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(HighScoreTables[i].Points, expected[i]) << i;
  EXPECT_STREQ(HighScoreTables[2].Name, "P2");
  EXPECT_STREQ(HighScoreTables[3].Name, "New");
  EXPECT_STREQ(HighScoreTables[4].Name, "P3");
  EXPECT_STREQ(HighScoreTables[9].Name, "P8");
  EXPECT_EQ(HighScoreTables[10].Points, 0);  // the next table is untouched
}

TEST_F(HighScoresTest, TieWithTheTenthDoesNotEnter) {
  FillTable(60, {900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
  Game.GameSettings.Level = 2;
  HighScoreRecord before[10];
  std::memcpy(before, &HighScoreTables[60], sizeof before);
  NewRecordIndex = 62;  // left over from an earlier game
  EXPECT_EQ(Finish(50), 0);
  EXPECT_EQ(Game.HighScoreHandled, 1);
  EXPECT_EQ(NewRecordIndex, -1);
  EXPECT_EQ(std::memcmp(before, &HighScoreTables[60], sizeof before), 0);
}

TEST_F(HighScoresTest, NegativeScoresCompareSigned) {
  Game.GameSettings.Level = 0;
  FillTable(0, {10, 5, 0, -3, -3, -3, -3, -3, -3, -3});
  EXPECT_EQ(Finish(-1), 1);
  EXPECT_EQ(NewRecordIndex, 3);
  EXPECT_EQ(Finish(-3), 0);
}

TEST_F(HighScoresTest, CustomSizeAndOtherRulesShareTable120) {
  for (int rule = 0; rule < 3; ++rule) {
    for (int level = 0; level < 4; ++level) {
      for (int size = 0; size < 4; ++size) {
        if (rule == 0 && size < 3) continue;
        testing::ResetStorageState();
        Game.GameSettings.ScoringRule = rule;
        Game.GameSettings.Level = level;
        Game.GameSettings.BoardSize = size;
        ASSERT_EQ(Finish(42), 1);
        EXPECT_EQ(NewRecordIndex, 120) << rule << level << size;
        EXPECT_EQ(HighScoreTables[120].Points, 42);
      }
    }
  }
}

TEST_F(HighScoresTest, LongPlayerNameIsCutToThirteen) {
  std::memcpy(PlayerName, "ABCDEFGHIJKLMNO", 16);
  ASSERT_EQ(Finish(10), 1);
  EXPECT_STREQ(HighScoreTables[NewRecordIndex].Name, "ABCDEFGHIJKLM");
}

TEST_F(HighScoresTest, ClearingLeavesTheOtherTwelveTables) {
  for (int t = 0; t <= SHARED_TABLE; t += 10) {
    FillTable(t, {t + 10, t + 9, t + 8, t + 7, t + 6, t + 5, t + 4, t + 3, t + 2, t + 1});
  }
  HighScoreRecord before[HIGH_SCORE_RECORDS];
  std::memcpy(before, HighScoreTables, sizeof before);
  ClearScoreTable(70);
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) {
    if (i >= 70 && i < 80) {
      HighScoreRecord zero{};
      EXPECT_EQ(std::memcmp(&HighScoreTables[i], &zero, sizeof zero), 0) << i;
    } else {
      EXPECT_EQ(std::memcmp(&HighScoreTables[i], &before[i], sizeof before[i]), 0) << i;
    }
  }
}

TEST_F(HighScoresTest, ClearingOutsideTheTablesDoesNothing) {
  FillTable(120, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  HighScoreRecord before[HIGH_SCORE_RECORDS];
  std::memcpy(before, HighScoreTables, sizeof before);
  for (int bad : {-10, 5, 125, 130, 1000}) ClearScoreTable(bad);
  EXPECT_EQ(std::memcmp(before, HighScoreTables, sizeof before), 0);
}

TEST_F(HighScoresTest, ClearingTheNewRecordsTableForgetsIt) {
  ASSERT_EQ(Finish(77), 1);
  ASSERT_EQ(NewRecordIndex, 60);
  ClearScoreTable(30);
  EXPECT_EQ(NewRecordIndex, 60);
  ClearScoreTable(60);
  EXPECT_EQ(NewRecordIndex, -1);
  NameScoreRecord(60, "Late");
  EXPECT_EQ(HighScoreTables[60].Name[0], '\0');
}

TEST_F(HighScoresTest, NamingRenamesOnlyTheRecordThisGameEntered) {
  FillTable(60, {900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
  Game.GameSettings.Level = 2;
  std::strcpy(PlayerName, "Anonymus");
  ASSERT_EQ(Finish(700), 1);
  ASSERT_EQ(NewRecordIndex, 63);
  NameScoreRecord(60, "Bea");
  EXPECT_STREQ(HighScoreTables[62].Name, "P2");
  EXPECT_STREQ(HighScoreTables[63].Name, "Bea");
}

TEST_F(HighScoresTest, NamingAfterAMissLeavesEqualScoresAlone) {
  FillTable(60, {900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
  Game.GameSettings.Level = 2;
  ASSERT_EQ(Finish(50), 0);
  HighScoreRecord before[10];
  std::memcpy(before, &HighScoreTables[60], sizeof before);
  NameScoreRecord(60, "Thief");
  EXPECT_EQ(std::memcmp(before, &HighScoreTables[60], sizeof before), 0);
}

TEST_F(HighScoresTest, NamingNeedsTheTableAndTheScoreOfTheGame) {
  ASSERT_EQ(Finish(300), 1);
  ASSERT_EQ(NewRecordIndex, 60);
  NameScoreRecord(70, "Other");  // another table shown
  EXPECT_EQ(HighScoreTables[60].Name[0], '\0');
  Game.Score = 280;  // the game moved on since (undo)
  NameScoreRecord(60, "Later");
  EXPECT_EQ(HighScoreTables[60].Name[0], '\0');
  Game.Score = 300;
  NameScoreRecord(60, "VeryLongNameIndeed");
  EXPECT_STREQ(HighScoreTables[60].Name, "VeryLongNameI");
  EXPECT_EQ(HighScoreTables[60].Points, 300);
}

}  // namespace
}  // namespace mq
