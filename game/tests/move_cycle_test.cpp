#include <climits>

#include "game/tests/game_test_support.h"

namespace mq::testing {
namespace {

using Calls = std::vector<std::string>;

TEST(GroupPointsTable, ThreeRulesAndUnknown) {
  const int sizes[] = {1, 2, 3, 4, 5, 10, 841};
  const int expected[4][7] = {
      {0, 2, 6, 12, 20, 90, 841 * 840},
      {0, 1, 4, 9, 16, 81, 840 * 840},
      {2, 2, 4, 8, 14, 74, 841 * 838 + 4},
      {0, 0, 0, 0, 0, 0, 0},
  };
  const int rules[4] = {0, 1, 2, 7};
  for (int rule = 0; rule < 4; ++rule) {
    Game.GameSettings.ScoringRule = rules[rule];
    for (int i = 0; i < 7; ++i) {
      Game.SelectedCount = sizes[i];
      EXPECT_EQ(GroupPoints(), expected[rule][i]) << "rule " << rules[rule] << " n " << sizes[i];
    }
  }
  Game = GameState{};
}

struct GradeCase {
  std::vector<const char*> rows;
  int grade;
};

class Grades : public GameTest, public ::testing::WithParamInterface<GradeCase> {};

TEST_P(Grades, EndTestCountsWhatIsLeft) {
  const GradeCase& g = GetParam();
  std::memset(Game.Board, 0, sizeof Game.Board);
  for (size_t r = 0; r < g.rows.size(); ++r)
    for (size_t c = 0; c < std::strlen(g.rows[r]); ++c)
      BoardAt(static_cast<int>(c), static_cast<int>(r)) = g.rows[r][c] == '.' ? 0 : g.rows[r][c] - '0';
  Game.ActiveColumns = static_cast<int>(std::strlen(g.rows[0]));
  Game.ActiveRows = static_cast<int>(g.rows.size());
  EXPECT_EQ(CheckGameOver(), g.grade);
  EXPECT_EQ(Game.GameOver, g.grade != 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Boards, Grades,
                         ::testing::Values(GradeCase{{"......", "......"}, 1},    // cleared
                                           GradeCase{{"......", "123..."}, 4},    // 3 left
                                           GradeCase{{"......", "21213."}, 6},    // 5 left
                                           GradeCase{{"1.....", "21213."}, -1},   // 6 left
                                           GradeCase{{"121212", "212121"}, -1},   // corners only
                                           GradeCase{{"1.....", "12213."}, 0},    // a vertical pair
                                           GradeCase{{"......", "12233."}, 0},    // a horizontal pair
                                           GradeCase{{".....1", "....21"}, 0}));  // at the last column

class MoveCycle : public GameTest {
 protected:
  // Diagonals of one colour, plus a pair of 1s bottom left and a group of
  // three 3s bottom right; nothing else moves.
  void LoadPlayableBoard() { LoadBoard({"123123", "231231", "312312", "123123", "231231", "112332"}); }
  void FillTable(int points) {
    for (int i = 0; i < 10; ++i) HighScoreTables[90 + i].Points = points;
  }
  void Play(int column, int row) {
    PressTile(CellPosition(column, row));
    ReleaseTile(CellPosition(column, row));
    CompleteMove(IDT_REMOVE);
  }
};

TEST_F(MoveCycle, PressReleaseCompleteCallTheSeamInOrder) {
  LoadPlayableBoard();
  PressTile(CellPosition(0, 5));
  EXPECT_EQ(Recorder.Take(), (Calls{"DrawBoard(0x10)", "DrawBoard(0x20)", "SetStatusText(0,2 -> 2 pts)"}));
  EXPECT_STREQ(TextBuffer, "2 -> 2 pts");

  ReleaseTile(CellPosition(1, 5));  // any tile of the group will do
  EXPECT_EQ(Recorder.Take(), (Calls{"StartTimer(72,200)", "SendMidi(0xC0,119,0)", "SendMidi(0x90,72,127)",
                                    "DrawBoard(0x100)"}));
  EXPECT_EQ(Game.CurrentTimerId, IDT_REMOVE);
  EXPECT_EQ(BoardAt(0, 5), 1);  // blanked on screen only
  EXPECT_EQ(Game.SelectedCount, 2);

  CompleteMove(IDT_REMOVE);
  EXPECT_EQ(Recorder.Take(),
            (Calls{"StopTimer(72)", "SendMidi(0x90,72,0)", "UpdateStatusBar", "RequestRepaint(0,0,64,184)"}));
  EXPECT_EQ(Game.Score, 2);
  EXPECT_EQ(Game.LastMovePoints, 2);
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_EQ(Game.MoveTotal, 1);
  EXPECT_EQ(Game.MoveIndex[1], 2);
  EXPECT_EQ(Game.LogCursor, 2);
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.RemovalPending, 0);
}

TEST_F(MoveCycle, LoneTileIsPreviewedButNotRemoved) {
  LoadPlayableBoard();
  for (int rule : {0, 1, 2}) {
    Game.GameSettings.ScoringRule = rule;
    PressTile(CellPosition(3, 0));
    EXPECT_EQ(Game.SelectedCount, 1);
    EXPECT_EQ(Recorder.Take().back(),
              rule == 2 ? "SetStatusText(0,1 -> 2 pts)" : "SetStatusText(0,1 -> 0 pts)");
    ReleaseTile(CellPosition(3, 0));
    EXPECT_TRUE(Recorder.Take().empty());
  }
}

TEST_F(MoveCycle, ReleaseElsewhereKeepsTheSelection) {
  LoadPlayableBoard();
  PressTile(CellPosition(0, 5));
  Recorder.Take();
  ReleaseTile(CellPosition(2, 5));  // another group
  ReleaseTile(CellPosition(0, 5, 28, 28) +
              300);                 // beside the tile's hit area, still on the board: cell (10,0)
  ReleaseTile(CellPosition(6, 5));  // beside the board
  EXPECT_TRUE(Recorder.Take().empty());
  EXPECT_EQ(MarkAt(0, 5), 0x1E);
  EXPECT_EQ(Game.RemovalPending, 0);
}

TEST_F(MoveCycle, PressBesideTheBoardClearsMarksButNotTheCount) {
  LoadPlayableBoard();
  PressTile(CellPosition(0, 5));
  Recorder.Take();
  PressTile(CellPosition(7, 1));
  EXPECT_EQ(Recorder.Take(), (Calls{"DrawBoard(0x10)"}));
  EXPECT_EQ(Game.SelectedCount, 2);
  for (uint8_t m : Game.MarkGrid) ASSERT_EQ(m, 0);
  ReleaseTile(CellPosition(0, 5));  // the count alone does not make a removal
  EXPECT_TRUE(Recorder.Take().empty());
}

TEST_F(MoveCycle, FinishedGameEntersItsTableAndOpensTheScores) {
  LoadBoard({"111111", "111111", "111111", "111111", "111111", "111111"});
  int scoresSeen = -1;
  Recorder.OnScores = [&] { scoresSeen = Game.Score; };
  PressTile(CellPosition(2, 2));
  ReleaseTile(CellPosition(2, 2));
  Recorder.Take();
  CompleteMove(IDT_REMOVE);
  EXPECT_EQ(Recorder.Take(), (Calls{"StopTimer(72)", "SendMidi(0x90,72,0)", "UpdateStatusBar",
                                    "RequestRepaint(0,0,184,184)", "SendMidi(0xC0,126,0)",
                                    "StartTimer(60,2000)", "SendMidi(0x90,60,127)", "RunScoresCommand"}));
  EXPECT_EQ(Game.EndBonus, 100);
  EXPECT_EQ(Game.Score, 36 * 35 + 100);
  EXPECT_EQ(scoresSeen, Game.Score);  // everything is done before the dialog
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Game.HighScoreHandled, 1);
  EXPECT_EQ(HighScoreTables[90].Points, 36 * 35 + 100);
  EXPECT_EQ(NewRecordIndex, 90);
  EXPECT_EQ(Game.CurrentTimerId, IDT_HIGH_SCORE);

  CompleteMove(IDT_HIGH_SCORE);
  EXPECT_EQ(Recorder.Take(), (Calls{"StopTimer(60)", "SendMidi(0x90,60,0)"}));
  EXPECT_EQ(Game.Score, 36 * 35 + 100);

  PressTile(CellPosition(0, 0));  // ignored once over
  ReleaseTile(CellPosition(0, 0));
  EXPECT_TRUE(Recorder.Take().empty());
}

TEST_F(MoveCycle, MissedTablePlaysTheOtherSound) {
  LoadBoard({"123123", "231231", "312312", "123123", "231231", "112312"});
  FillTable(INT_MAX);
  Play(1, 5);  // the only pair: 34 tiles left
  EXPECT_EQ(Recorder.Take(), (Calls{"DrawBoard(0x10)", "DrawBoard(0x20)", "SetStatusText(0,2 -> 2 pts)",
                                    "StartTimer(72,200)", "SendMidi(0xC0,119,0)", "SendMidi(0x90,72,127)",
                                    "DrawBoard(0x100)", "StopTimer(72)", "SendMidi(0x90,72,0)",
                                    "UpdateStatusBar", "RequestRepaint(0,0,64,184)", "SendMidi(0xC0,104,0)",
                                    "StartTimer(30,1000)", "SendMidi(0x90,30,127)", "RunScoresCommand"}));
  EXPECT_EQ(Game.EndBonus, 0);
  EXPECT_EQ(Game.Score, 2);
  EXPECT_EQ(Game.HighScoreHandled, 1);
}

struct BonusCase {
  std::vector<const char*> rows;
  int bonus;
};

class Bonuses : public MoveCycle, public ::testing::WithParamInterface<BonusCase> {};

TEST_P(Bonuses, EndBonusByTilesLeft) {
  LoadBoard(std::initializer_list<const char*>{GetParam().rows[0], GetParam().rows[1], GetParam().rows[2],
                                               GetParam().rows[3], GetParam().rows[4], GetParam().rows[5]});
  Play(0, 5);
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Game.EndBonus, GetParam().bonus);
  EXPECT_EQ(Game.Score, 2 + GetParam().bonus);
}

INSTANTIATE_TEST_SUITE_P(
    TilesLeft, Bonuses,
    ::testing::Values(BonusCase{{"......", "......", "......", "......", "......", "11...."}, 100},
                      BonusCase{{"......", "......", "......", "......", "......", "112..."}, 80},
                      BonusCase{{"......", "......", "......", "......", "......", "1123.."}, 60},
                      BonusCase{{"......", "......", "......", "......", "......", "11232."}, 40},
                      BonusCase{{"......", "......", "......", "......", "......", "112323"}, 20},
                      BonusCase{{"......", "......", "......", "......", "..3...", "112323"}, 0},
                      BonusCase{{"......", "......", "......", "......", "..32..", "112323"}, 0}));

TEST_F(MoveCycle, SecondFinishAfterUndoAddsTheBonusOnly) {
  LoadBoard({"......", "......", "......", "......", "......", "11232."});
  Play(0, 5);
  EXPECT_EQ(Game.Score, 42);
  UndoMove();
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(Game.GameOver, 0);
  Recorder.Take();
  Play(0, 5);
  EXPECT_EQ(Game.Score, 42);
  const Calls calls = Recorder.Take();
  EXPECT_EQ(calls.back(), "RequestRepaint(0,0,184,184)");  // no sound, no dialog
  EXPECT_EQ(HighScoreTables[91].Points, 0);                // no second entry
}

TEST_F(MoveCycle, UnknownScoringRuleScoresNothing) {
  LoadPlayableBoard();
  Game.GameSettings.ScoringRule = 9;
  Play(0, 5);
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(Game.MoveCount, 1);
}

TEST_F(MoveCycle, ScoreWrapsInsteadOfOverflowing) {
  LoadPlayableBoard();
  Game.Score = INT_MAX;
  Play(0, 5);
  EXPECT_EQ(Game.Score, INT_MIN + 1);
  UndoMove();
  EXPECT_EQ(Game.Score, INT_MAX);
}

// Board input while a removal is pending is ignored: the released group is
// what the timer removes.
TEST_F(MoveCycle, InputDuringPendingRemovalIsIgnored) {
  LoadBoard({"123123", "231231", "312312", "123123", "231231", "112212"});
  PressTile(CellPosition(0, 5));
  ReleaseTile(CellPosition(0, 5));
  Recorder.Take();
  PressTile(CellPosition(2, 5));    // another group
  PressTile(CellPosition(9, 9));    // beside the board
  ReleaseTile(CellPosition(2, 5));  // a second release
  EXPECT_TRUE(Recorder.Take().empty());
  EXPECT_EQ(Game.SelectedCount, 2);
  EXPECT_EQ(MarkAt(0, 5), 0x1E);
  CompleteMove(IDT_REMOVE);
  EXPECT_EQ(Game.LogCursor, 2);
  EXPECT_EQ(Game.RemovedCellLog[0].Column, 0);
  EXPECT_EQ(Game.RemovedCellLog[1].Column, 1);
  EXPECT_EQ(Game.Score, 2);
}

// One timer slot: an end sound still running when a removal starts is
// stopped at its own expiry, and the removal completes once, on its own.
TEST_F(MoveCycle, EndSoundTimerAndRemovalTimerAreToldApart) {
  LoadBoard({"......", "......", "......", "......", "......", "11232."});
  Play(0, 5);
  EXPECT_EQ(Game.CurrentTimerId, IDT_HIGH_SCORE);
  UndoMove();
  PressTile(CellPosition(0, 5));
  ReleaseTile(CellPosition(0, 5));
  EXPECT_EQ(Game.CurrentTimerId, IDT_REMOVE);
  Recorder.Take();

  CompleteMove(IDT_HIGH_SCORE);
  EXPECT_EQ(Recorder.Take(), (Calls{"StopTimer(60)", "SendMidi(0x90,60,0)"}));
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.CurrentTimerId, IDT_REMOVE);

  CompleteMove(IDT_REMOVE);
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_EQ(Game.Score, 42);
  Recorder.Take();
  CompleteMove(IDT_REMOVE);  // a stray second expiry
  EXPECT_EQ(Recorder.Take(), (Calls{"StopTimer(72)", "SendMidi(0x90,72,0)"}));
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_EQ(Game.Score, 42);
}

TEST_F(MoveCycle, WithoutTimersTheMoveCompletesAtOnce) {
  LoadBoard({"......", "......", "......", "......", "......", "11232."});
  Recorder.TimersFail = true;
  PressTile(CellPosition(0, 5));
  Recorder.Take();
  ReleaseTile(CellPosition(0, 5));
  EXPECT_EQ(Recorder.Take(),
            (Calls{"StartTimer(72,200)", "SendMidi(0xC0,119,0)", "SendMidi(0x90,72,127)", "DrawBoard(0x100)",
                   "StopTimer(72)", "SendMidi(0x90,72,0)", "UpdateStatusBar", "RequestRepaint(0,0,184,184)",
                   "SendMidi(0xC0,126,0)", "StartTimer(60,2000)", "SendMidi(0x90,60,127)",
                   "SendMidi(0x90,60,0)", "RunScoresCommand"}));
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_EQ(Game.RemovalPending, 0);
  EXPECT_EQ(Game.CurrentTimerId, 0);
}

class Cancelling : public MoveCycle, public ::testing::WithParamInterface<int> {};

// Commands that replace the board drop a pending removal first.
TEST_P(Cancelling, CommandsDropThePendingRemoval) {
  LoadPlayableBoard();
  Play(0, 5);
  Play(3, 5);
  UndoMove();  // one move to redo, one to undo
  PressTile(CellPosition(4, 4));
  ASSERT_EQ(Game.SelectedCount, 3);
  ReleaseTile(CellPosition(4, 5));
  ASSERT_EQ(Game.RemovalPending, 1);
  Recorder.Take();
  switch (GetParam()) {
    case 0:
      NewGame();
      break;
    case 1:
      UndoMove();
      break;
    case 2:
      RedoMove();
      break;
    case 3:
      ReplayGame();
      break;
  }
  const Calls calls = Recorder.Take();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "StopTimer(72)");
  EXPECT_EQ(calls[1], "SendMidi(0x90,72,0)");
  EXPECT_EQ(Game.RemovalPending, 0);
  const int moves = Game.MoveCount;
  const int cursor = Game.LogCursor;
  CompleteMove(IDT_REMOVE);  // the timer message may already be queued
  EXPECT_EQ(Game.MoveCount, moves);
  EXPECT_EQ(Game.LogCursor, cursor);
}

INSTANTIATE_TEST_SUITE_P(Commands, Cancelling, ::testing::Values(0, 1, 2, 3));

TEST_F(MoveCycle, HistoryCommandsOutsideTheirRangeDoNothing) {
  LoadPlayableBoard();
  const GameState before = Game;
  UndoMove();
  RedoMove();
  EXPECT_EQ(std::memcmp(&before, &Game, sizeof Game), 0);
  EXPECT_TRUE(Recorder.Take().empty());
  Game.MoveCount = -3;  // a damaged count must not spin the replay
  ReplayGame();
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.LogCursor, 0);
}

TEST_F(MoveCycle, NewGameAndReplayForgetTheRecordEntered) {
  LoadBoard({"......", "......", "......", "......", "......", "11232."});
  Play(0, 5);
  EXPECT_EQ(NewRecordIndex, 90);
  ReplayGame();
  EXPECT_EQ(NewRecordIndex, -1);
  EXPECT_EQ(Game.HighScoreHandled, 0);
  Play(0, 5);
  EXPECT_EQ(NewRecordIndex, 91);
  NewGame();
  EXPECT_EQ(NewRecordIndex, -1);
}

TEST_F(MoveCycle, DealtBoardWithoutMovesIsNotFinished) {
  LoadBoard({"121212", "212121", "121212", "212121", "121212", "212121"});
  PressTile(CellPosition(2, 2));
  EXPECT_EQ(Game.SelectedCount, 1);
  EXPECT_EQ(Game.GameOver, 0);
  ReleaseTile(CellPosition(2, 2));
  EXPECT_EQ(Game.RemovalPending, 0);
}

}  // namespace
}  // namespace mq::testing
