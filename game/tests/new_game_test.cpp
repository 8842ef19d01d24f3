#include "game/tests/game_test_support.h"

namespace mq::testing {
namespace {

class NewGameTest : public GameTest {
 protected:
  void Size(int columns, int rows, int level) {
    Game.ActiveColumns = Game.GameSettings.Columns = columns;
    Game.ActiveRows = Game.GameSettings.Rows = rows;
    Game.GameSettings.Level = level;
  }
};

TEST_F(NewGameTest, GeneratorStartsWithKnownValues) {
  const uint32_t expected[] = {346, 13854878, 1621890440, 816282396, 1778554774};
  for (uint32_t value : expected) EXPECT_EQ(NextRandom(), value);
}

TEST_F(NewGameTest, FirstCellOfTheRunDependsOnlyOnTheLevel) {
  for (int level = 0; level < 4; ++level) {
    RandomState = 1;
    Size(11, 12, level);
    NewGame();
    EXPECT_EQ(BoardAt(0, 0), 346 % (level + 3) + 1) << "level " << level;
  }
}

TEST_F(NewGameTest, FillsTheActiveAreaWithTheLevelsColours) {
  uint32_t tick = 1000;
  Recorder.Ticks = [&] { return tick += 7919; };
  for (int level = 0; level < 4; ++level) {
    Size(7 + level * 6, 29 - level * 5, level);
    std::memset(Game.Board, 9, sizeof Game.Board);  // leftovers of a bigger board
    NewGame();
    bool seen[7] = {};
    for (int c = 0; c < GRID_STRIDE; ++c) {
      for (int r = 0; r < GRID_STRIDE; ++r) {
        const int cell = BoardAt(c, r);
        if (c < Game.ActiveColumns && r < Game.ActiveRows) {
          ASSERT_GE(cell, 1);
          ASSERT_LE(cell, level + 3);
          seen[cell] = true;
        } else {
          ASSERT_EQ(cell, 0) << c << "," << r;
        }
      }
    }
    for (int colour = 1; colour <= level + 3; ++colour) EXPECT_TRUE(seen[colour]) << colour;
    EXPECT_TRUE(IsLegalBoard(Game));
  }
}

TEST_F(NewGameTest, ZeroTickGivesColourOneWithoutDrawing) {
  Size(6, 6, 3);
  int calls = 0;
  Recorder.Ticks = [&]() -> uint32_t { return calls++ == 0 ? 0 : 100000; };
  NewGame();
  EXPECT_EQ(calls, 36);  // one reading per cell
  EXPECT_EQ(BoardAt(0, 0), 1);
  EXPECT_EQ(BoardAt(0, 1), 346 % 6 + 1);  // the first draw went to the second cell
}

TEST_F(NewGameTest, HighTicksActAsNegativeDivisors) {
  Size(6, 6, 3);
  const uint32_t ticks[] = {0xFFFFFFFFu, 0x80000000u, 0xFFFFFF00u, 300};
  int i = 0;
  Recorder.Ticks = [&] { return ticks[i++ % 4]; };
  NewGame();
  EXPECT_EQ(BoardAt(0, 0), 1);                                           // 346 mod -1 = 0
  EXPECT_EQ(BoardAt(0, 1), 13854878 % 6 + 1);                            // mod -2^31 leaves it
  EXPECT_EQ(BoardAt(0, 2), static_cast<int>(1621890440 % 256) % 6 + 1);  // mod -256
  EXPECT_EQ(BoardAt(0, 3), 816282396 % 300 % 6 + 1);
}

TEST_F(NewGameTest, SameTicksSameDrawsSameBoard) {
  Size(29, 29, 3);
  uint32_t tick = 5;
  Recorder.Ticks = [&] { return tick += 13; };
  NewGame();
  uint8_t first[GRID_CELLS];
  std::memcpy(first, Game.Board, sizeof first);
  RandomState = 1;
  tick = 5;
  NewGame();
  EXPECT_EQ(std::memcmp(first, Game.Board, sizeof first), 0);
}

TEST_F(NewGameTest, ResetsTheGameButNotTheRest) {
  Size(6, 6, 1);
  Game.Score = 77;
  Game.GameOver = 1;
  Game.HighScoreHandled = 1;
  Game.MoveCount = 3;
  Game.MoveTotal = 5;
  Game.LogCursor = 9;
  Game.MoveIndex[0] = 4;
  Game.MoveIndex[1] = 8;
  Game.SelectedCount = 4;
  Game.EndBonus = 60;
  Game.LastMovePoints = 12;
  Game.MarkGrid[40] = 0x1F;
  Game.GameSettings.ScoringRule = 2;
  NewRecordIndex = 33;
  NewGame();
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.HighScoreHandled, 0);
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.MoveTotal, 0);
  EXPECT_EQ(Game.LogCursor, 0);
  EXPECT_EQ(Game.MoveIndex[0], 0);
  EXPECT_EQ(Game.MoveIndex[1], 8);
  EXPECT_EQ(Game.MarkGrid[40], 0);
  EXPECT_EQ(Game.SelectedCount, 4);
  EXPECT_EQ(Game.EndBonus, 60);
  EXPECT_EQ(Game.LastMovePoints, 12);
  EXPECT_EQ(Game.GameSettings.ScoringRule, 2);
  EXPECT_EQ(NewRecordIndex, -1);
  EXPECT_EQ(Recorder.Take(), std::vector<std::string>{"UpdateStatusBar"});
}

TEST_F(NewGameTest, DamagedLevelStillDealsABoard) {
  Size(6, 6, -3);
  NewGame();
  for (int c = 0; c < 6; ++c)
    for (int r = 0; r < 6; ++r) EXPECT_EQ(BoardAt(c, r) >= 1 && BoardAt(c, r) <= 3, true);
}

}  // namespace
}  // namespace mq::testing
