// The action words of the command-line companion and their effects.
#include <gtest/gtest.h>

#include "mqz/commands.h"
#include "storage/tests/storage_test_support.h"

namespace mq {
namespace {

using mqz::Action;
using mqz::ActionKind;

TEST(MqzActions, WordsParseIntoActions) {
  struct Case {
    const char* word;
    ActionKind kind;
    int first, second;
  };
  const Case cases[] = {
      {"0,0", ActionKind::Move, 0, 0},
      {"28,13", ActionKind::Move, 28, 13},
      {"undo", ActionKind::Undo, 0, 0},
      {"redo", ActionKind::Redo, 0, 0},
      {"replay", ActionKind::Replay, 0, 0},
      {"new", ActionKind::New, 0, 0},
      {"level=0", ActionKind::Level, 0, 0},
      {"level=3", ActionKind::Level, 3, 0},
      {"size=2", ActionKind::Size, 2, 0},
      {"custom=6x29", ActionKind::Custom, 6, 29},
      {"custom=29x6", ActionKind::Custom, 29, 6},
      {"shape=4", ActionKind::Shape, 4, 0},
      {"scoring=2", ActionKind::Scoring, 2, 0},
      {"sound=on", ActionKind::Sound, 1, 0},
      {"sound=off", ActionKind::Sound, 0, 0},
  };
  for (const Case& c : cases) {
    Action a;
    std::string error;
    ASSERT_TRUE(mqz::ParseAction(c.word, a, error)) << c.word << ": " << error;
    EXPECT_EQ(a.Kind, c.kind) << c.word;
    EXPECT_EQ(a.First, c.first) << c.word;
    EXPECT_EQ(a.Second, c.second) << c.word;
  }
}

TEST(MqzActions, MalformedWordsAreUsageErrors) {
  const char* const words[] = {"",           "Undo",         "undo2",     "1,",       ",1",
                               "1,2,3",      "-1,2",         "29,0",      "0,29",     "a,b",
                               "1 ,2",       "level=",       "level=4",   "level=-1", "level=1x",
                               "size=3",     "shape=5",      "scoring=3", "sound=1",  "sound=",
                               "custom=5x6", "custom=6x30",  "custom=6",  "custom=x", "custom=6x6x6",
                               "levels=1",   "99999999999,1"};
  for (const char* word : words) {
    Action a;
    std::string error;
    EXPECT_FALSE(mqz::ParseAction(word, a, error)) << word;
    EXPECT_NE(error.find(word), std::string::npos) << "the message names the word: " << error;
  }
}

TEST(MqzActions, DatesAndTicks) {
  LocalDate d{};
  ASSERT_TRUE(mqz::ParseDate("2026-03-05", d));
  EXPECT_EQ(d.Year, 2026);
  EXPECT_EQ(d.Month, 3);
  EXPECT_EQ(d.Day, 5);
  EXPECT_TRUE(mqz::ParseDate("2024-02-29", d));
  EXPECT_TRUE(mqz::ParseDate("2000-02-29", d));  // every 400 years
  for (const char* bad : {"2100-02-29", "1900-02-29", "2026-3-05", "2026-02-30", "2025-02-29", "2026-13-01",
                          "2026-00-10", "2026-01-00", "20260305", "2026-03-05x", "x026-03-05", ""}) {
    EXPECT_FALSE(mqz::ParseDate(bad, d)) << bad;
  }
  uint32_t t = 0;
  ASSERT_TRUE(mqz::ParseTicks("4294967295", t));
  EXPECT_EQ(t, 4294967295u);
  ASSERT_TRUE(mqz::ParseTicks("0", t));
  EXPECT_EQ(t, 0u);
  for (const char* bad : {"4294967296", "-1", "", "12a", "99999999999"})
    EXPECT_FALSE(mqz::ParseTicks(bad, t)) << bad;
}

class MqzApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetStorageState();
    RandomState = 1;
  }
  void TearDown() override { testing::ResetStorageState(); }

  static bool Run(const char* word, std::string* refusal = nullptr) {
    Action a;
    std::string error;
    EXPECT_TRUE(mqz::ParseAction(word, a, error)) << error;
    std::string why;
    const bool done = mqz::ApplyAction(a, why);
    if (refusal) *refusal = why;
    return done;
  }

  testing::MemoryPlatform platform_;
  testing::ScopedPlatform scoped_{&platform_};
};

TEST_F(MqzApplyTest, GreyedCommandsAreRefusedAndChangeNothing) {
  Run("custom=6x6");
  const testing::StorageSnapshot before = testing::StorageSnapshot::Take();
  std::string why;
  EXPECT_FALSE(Run("undo", &why));
  EXPECT_NE(why.find("undo"), std::string::npos);
  EXPECT_FALSE(Run("redo", &why));
  EXPECT_FALSE(Run("replay", &why));
  EXPECT_TRUE(before.SameAsNow());
}

TEST_F(MqzApplyTest, MovesGoThroughTheMoveCycle) {
  std::memset(Game.Board, 0, sizeof Game.Board);
  Game.GameSettings.Columns = Game.GameSettings.Rows = 6;
  Game.GameSettings.BoardSize = 3;
  mqz::ResizeBoardInPlay();
  // Three tiles in column 0 from the bottom: 2, 1, 1 (top to bottom: 2 on row 3).
  BoardAt(0, 3) = 2;
  BoardAt(0, 4) = 1;
  BoardAt(0, 5) = 1;
  BoardAt(1, 5) = 3;

  std::string why;
  for (const auto& [word, reason] : {std::pair{"1,5", "the tile stands alone"},
                                     {"3,5", "the cell is empty"},
                                     {"6,0", "the cell is outside the board"}}) {
    EXPECT_FALSE(Run(word, &why)) << word;
    EXPECT_NE(why.find(reason), std::string::npos) << why;
    EXPECT_EQ(Game.MoveCount, 0);
  }
  EXPECT_TRUE(Run("0,4"));
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_EQ(BoardAt(0, 5), 2);
  EXPECT_EQ(Game.LastMovePoints, 2);
  EXPECT_EQ(Game.GameOver, 1);  // 2 and 3 left side by side: no move
  EXPECT_EQ(Game.Score, 2 + 60);
  EXPECT_EQ(Game.CurrentTimerId, 0) << "the end-of-game timer has run out";
  EXPECT_EQ(HighScoreTables[120].Points, 62);
  EXPECT_EQ(HighScoreTables[120].Date, 0xA465);
  EXPECT_FALSE(Run("0,5", &why));
  EXPECT_NE(why.find("the game is over"), std::string::npos) << why;

  EXPECT_FALSE(Run("scoring=1", &why));
  EXPECT_TRUE(Run("undo"));
  EXPECT_EQ(Game.Score, 0);
  EXPECT_TRUE(Run("redo"));
  EXPECT_EQ(Game.Score, 2);
  EXPECT_TRUE(Run("replay"));
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.MoveTotal, 1);
  EXPECT_TRUE(Run("scoring=1"));
  EXPECT_EQ(Game.GameSettings.ScoringRule, 1);
}

TEST_F(MqzApplyTest, SettingsCommandsActAsTheMenuDoes) {
  Run("size=1");
  EXPECT_EQ(Game.GameSettings.BoardSize, 1);
  EXPECT_EQ(Game.ActiveColumns, 16);
  EXPECT_EQ(Game.ActiveRows, 17);
  EXPECT_NE(BoardAt(15, 16), 0);
  Run("custom=7x9");
  EXPECT_EQ(Game.GameSettings.BoardSize, 3);
  EXPECT_EQ(Game.ActiveColumns, 7);
  EXPECT_EQ(Game.ActiveRows, 9);
  EXPECT_NE(BoardAt(6, 8), 0);
  EXPECT_EQ(BoardAt(7, 8), 0);
  Run("level=0");
  for (uint8_t cell : Game.Board) EXPECT_LE(cell, 3);
  const std::vector<uint8_t> board(Game.Board, Game.Board + GRID_CELLS);
  Run("shape=3");
  EXPECT_EQ(Game.GameSettings.Shape, 3);
  EXPECT_EQ(std::vector<uint8_t>(Game.Board, Game.Board + GRID_CELLS), board) << "a shape keeps the board";
  Run("sound=off");
  EXPECT_EQ(Game.GameSettings.SoundOff, 1);
  Run("sound=on");
  EXPECT_EQ(Game.GameSettings.SoundOff, 0);
}

}  // namespace
}  // namespace mq
