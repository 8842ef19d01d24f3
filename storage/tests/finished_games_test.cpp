// Finished games through any number of starts, exits, saves and opens: the
// same bytes come back, an undo returns to the score before the final
// move, and finishing again never enters a table a second time.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "storage/tests/storage_test_support.h"

namespace mq {
namespace {

constexpr const char* kProgram = "C:\\Games\\marblequake.exe";
constexpr const char* kSaved = "C:\\Games\\finished.mqz";

class TickingPlatform : public testing::MemoryPlatform {
 public:
  uint32_t Ticks = 1;
  uint32_t TickCount() override { return Ticks; }
};

class FinishedGames : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetStorageState();
    std::strcpy(PlayerName, "Finisher");
    SetProgramPath(kProgram);
  }
  void TearDown() override {
    SetProgramPath(nullptr);
    testing::ResetStorageState();
  }

  // Writes the game at exit (settings) or by Save Game; the bytes written.
  std::vector<unsigned char> Write(bool settings) {
    std::strcpy(FilePath, kSaved);
    EXPECT_EQ(TransferState(settings ? TS_SETTINGS | TS_WRITE : TS_WRITE), TS_DONE);
    return platform_.Files[FilePath];
  }

  // A new start of the program (settings), or Open Game over another game.
  void Read(bool settings) {
    if (settings) {
      testing::ResetStorageState();
    } else {
      Game.GameSettings.Columns = Game.ActiveColumns = 7;
      Game.GameSettings.Rows = Game.ActiveRows = 6;
      NewGame();
      std::strcpy(FilePath, kSaved);
    }
    ASSERT_EQ(TransferState(settings ? TS_SETTINGS : 0), TS_DONE) << TransferFailureReason();
    Game.ActiveColumns = Game.GameSettings.Columns;
    Game.ActiveRows = Game.GameSettings.Rows;
  }

  TickingPlatform platform_;
  testing::ScopedPlatform scoped_{&platform_};
};

TEST_F(FinishedGames, StayFinishedThroughEveryWriteAndRead) {
  std::mt19937 random(20261207);
  int finished = 0;
  for (int round = 0; round < 160 && !HasFatalFailure(); ++round) {
    SCOPED_TRACE(round);
    const bool settings = round % 2 == 0;
    platform_.Ticks = 1000 + static_cast<uint32_t>(random() % 100000);
    RandomState = random();
    const testing::FinishedGame end =
        testing::PlayToTheEnd(random, 6 + static_cast<int>(random() % 8), 6 + static_cast<int>(random() % 8));
    if (!Game.GameOver) continue;
    ++finished;
    const int32_t finalScore = Game.Score;
    const int32_t bonus = Game.EndBonus;
    const std::vector<unsigned char> first = Write(settings);
    std::vector<HighScoreRecord> tables(HighScoreTables, HighScoreTables + HIGH_SCORE_RECORDS);

    for (int cycle = 0; cycle < 3; ++cycle) {
      Read(settings);
      ASSERT_EQ(Game.GameOver, 1);
      EXPECT_EQ(Game.HighScoreHandled, 1);
      EXPECT_EQ(Game.EndBonus, bonus);
      EXPECT_EQ(Game.Score, finalScore);
      EXPECT_EQ(NewRecordIndex, -1) << "no name field over an old record";
      EXPECT_EQ(Write(settings), first) << "a run without a move, cycle " << cycle;

      UndoMove();
      EXPECT_EQ(Game.Score, end.ScoreBefore);
      EXPECT_EQ(Game.GameOver, 0);
      const uint32_t at = static_cast<uint32_t>((3 + end.Row * 30 + 15) << 16 | (3 + end.Column * 30 + 15));
      PressTile(at);
      ReleaseTile(at);
      CompleteMove(IDT_REMOVE);
      ASSERT_EQ(Game.GameOver, 1);
      EXPECT_EQ(Game.Score, finalScore);
      EXPECT_EQ(std::memcmp(HighScoreTables, tables.data(), sizeof HighScoreTables), 0) << "entered twice";
      EXPECT_EQ(Write(settings), first) << "finished again, cycle " << cycle;
    }
  }
  EXPECT_GT(finished, 100);
}

// A file that says finished while its board still has a group of two is
// read as its board says: in play. It still counts as handled, so finishing
// it enters no table.
TEST_F(FinishedGames, SayingFinishedWithAGroupLeftIsReadAsInPlay) {
  Game.GameSettings.Columns = Game.ActiveColumns = 6;
  Game.GameSettings.Rows = Game.ActiveRows = 6;
  Game.GameSettings.BoardSize = 3;
  Game.GameSettings.Level = 0;
  std::memset(Game.Board, 0, sizeof Game.Board);
  BoardAt(0, 4) = BoardAt(0, 5) = 2;
  Game.Score = 500;
  Game.GameOver = 1;  // written as SavedGameOver
  Write(false);
  Read(false);
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.HighScoreHandled, 1);
  EXPECT_EQ(Game.Score, 500);
  const uint32_t at = (3 + 5 * 30 + 15) << 16 | (3 + 15);
  PressTile(at);
  ReleaseTile(at);
  CompleteMove(IDT_REMOVE);
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Game.Score, 500 + 2 + 100);
  EXPECT_EQ(HighScoreTables[SHARED_TABLE].Points, 0) << "no table entry";
}

}  // namespace
}  // namespace mq
