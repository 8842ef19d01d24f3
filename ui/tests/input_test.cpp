// Presses, releases and timer expiries as the window receives them, and the
// three status bar texts.
#include <cstring>

#include "app.h"
#include "game/game_state.h"
#include "harness.h"
#include "resource.h"
#include "storage/high_scores.h"

namespace mqtest {
namespace {

// Lone tiles in a checkerboard above four groups: 2 and 3 of four tiles,
// 4 and 5 of two. Rectangle tiles: 34-pixel pitch, 32-pixel tiles.
class InputTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    mq::Game.GameSettings.Level = 3;
    LoadBoard({"161616", "616161", "161616", "616161", "223344", "223355"});
  }
};

struct PixelCase {
  int X;
  int Y;
  int Column;  // expected cell; -1: the press misses the board
  int Row;
  int Selected;
};

TEST_F(InputTest, PressesHitTheCellWhoseAreaHoldsThePixel) {
  const PixelCase cases[] = {
      {0, 0, 0, 0, 1},        // the 3-pixel margin counts as column 0 and row 0
      {2, 2, 0, 0, 1},        //
      {3, 3, 0, 0, 1},        // first tile pixel
      {34, 34, 0, 0, 1},      // last tile pixel
      {36, 36, 0, 0, 1},      // the 2-pixel gap belongs to the cell on its left and above
      {37, 36, 1, 0, 1},      // next column
      {36, 139, 0, 4, 4},     // gap pixel beside the group of colour 2
      {37, 173, 1, 5, 4},     // first pixel of row 5
      {71, 139, 2, 4, 4},     // the group of colour 3
      {206, 206, 5, 5, 2},    // last pixel of the board
      {207, 100, -1, -1, 0},  // right of the board
      {100, 207, -1, -1, 0},  // below it
  };
  for (const PixelCase& c : cases) {
    PressCell(0, 0);  // a known selection first
    Press(c.X, c.Y);
    if (c.Column < 0) {
      int marked = 0;
      for (unsigned char m : mq::Game.MarkGrid) marked += m != 0;
      EXPECT_EQ(marked, 0) << c.X << "," << c.Y;
      EXPECT_EQ(StatusText(0), "1 -> 0 pts") << "a miss keeps the last preview";
    } else {
      EXPECT_EQ(mq::Game.HitColumn, c.Column) << c.X << "," << c.Y;
      EXPECT_EQ(mq::Game.HitRow, c.Row) << c.X << "," << c.Y;
      EXPECT_EQ(mq::Game.SelectedCount, c.Selected) << c.X << "," << c.Y;
      EXPECT_NE(mq::MarkAt(c.Column, c.Row), 0);
    }
  }
}

TEST_F(InputTest, PressShowsCountAndPointsUntilTheNextUpdate) {
  PressCell(0, 4);
  EXPECT_EQ(StatusText(0), "4 -> 12 pts");
  PressCell(4, 4);
  EXPECT_EQ(StatusText(0), "2 -> 2 pts");
  mq::UpdateStatusBar();
  EXPECT_EQ(StatusText(0), "Anonymus");
}

TEST_F(InputTest, LoneTileIsOutlinedButNotRemoved) {
  PressCell(2, 0);
  EXPECT_EQ(mq::MarkAt(2, 0), mq::MARK_NEW_GROUP);
  EXPECT_EQ(StatusText(0), "1 -> 0 pts");
  ReleaseCell(2, 0);
  EXPECT_EQ(mq::Game.RemovalPending, 0);
  FireTimer(mq::IDT_REMOVE);
  EXPECT_EQ(mq::BoardAt(2, 0), 1);
  EXPECT_EQ(mq::Game.MoveCount, 0);
}

TEST_F(InputTest, ReleaseOnAnotherMemberRemovesTheGroupWhenTheTimerExpires) {
  PressCell(0, 4);
  ReleaseCell(1, 5);
  EXPECT_EQ(mq::Game.RemovalPending, 1);
  EXPECT_EQ(mq::Game.CurrentTimerId, mq::IDT_REMOVE);
  EXPECT_EQ(mq::BoardAt(0, 4), 2) << "the group stays on the board while the timer runs";
  FireTimer(mq::IDT_REMOVE);
  EXPECT_EQ(mq::Game.RemovalPending, 0);
  EXPECT_EQ(mq::Game.Score, 12);
  EXPECT_EQ(mq::Game.MoveCount, 1);
  // The four tiles above each removed pair fell by two rows.
  const int column0[] = {0, 0, 1, 6, 1, 6};
  const int column1[] = {0, 0, 6, 1, 6, 1};
  for (int r = 0; r < 6; ++r) {
    EXPECT_EQ(mq::BoardAt(0, r), column0[r]) << "row " << r;
    EXPECT_EQ(mq::BoardAt(1, r), column1[r]) << "row " << r;
  }
  EXPECT_EQ(StatusText(0), "Anonymus");
  EXPECT_EQ(StatusText(1), "\tScore: 12");
}

TEST_F(InputTest, ReleaseOutsideTheSelectionKeepsIt) {
  PressCell(0, 4);
  ReleaseCell(2, 4);  // a tile of another group
  EXPECT_EQ(mq::Game.RemovalPending, 0);
  Release(300, 300);  // beside the board
  EXPECT_EQ(mq::Game.RemovalPending, 0);
  EXPECT_EQ(mq::Game.SelectedCount, 4);
  EXPECT_NE(mq::MarkAt(0, 4), 0);
}

TEST_F(InputTest, InputWaitsWhileARemovalIsPending) {
  PressCell(0, 4);
  ReleaseCell(0, 4);
  PressCell(2, 4);
  ReleaseCell(2, 4);
  EXPECT_NE(mq::MarkAt(0, 4), 0) << "the released group stays selected";
  EXPECT_EQ(mq::MarkAt(2, 4), 0);
  FireTimer(mq::IDT_REMOVE);
  EXPECT_EQ(mq::BoardAt(2, 4), 3);
  EXPECT_EQ(mq::BoardAt(0, 5), 6);
}

TEST_F(InputTest, EndSoundTimersOnlyEndTheirNotes) {
  PressCell(0, 4);
  FireTimer(mq::IDT_HIGH_SCORE);
  FireTimer(mq::IDT_NO_HIGH_SCORE);
  EXPECT_EQ(mq::Game.SelectedCount, 4);
  EXPECT_EQ(mq::Game.MoveCount, 0);
  EXPECT_EQ(mq::BoardAt(0, 4), 2);
}

TEST_F(InputTest, RealTimerCompletesTheMove) {
  PressCell(4, 4);
  ReleaseCell(5, 4);
  const DWORD start = GetTickCount();
  while (mq::Game.RemovalPending && GetTickCount() - start < 3000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpMessages();
  }
  EXPECT_EQ(mq::Game.RemovalPending, 0);
  EXPECT_EQ(mq::Game.MoveCount, 1);
  EXPECT_EQ(mq::Game.Score, 2);
}

using EndTest = MainWindowTest;

TEST_F(EndTest, ClearingTheBoardAddsTheBonusAndOpensHighScores) {
  LoadBoard({"......", "......", "......", "......", "......", "1122.."});
  WhenDialog("High Scores", PressCancel);
  RemoveGroupAt(0, 5);
  EXPECT_EQ(mq::BoardAt(0, 5), 2) << "the second pair moved left";
  EXPECT_EQ(mq::Game.GameOver, 0);
  RemoveGroupAt(0, 5);
  EXPECT_EQ(PendingDialogActions(), 0) << "the dialog opened and was closed";
  EXPECT_EQ(mq::Game.GameOver, 1);
  EXPECT_EQ(mq::Game.EndBonus, 100);
  EXPECT_EQ(mq::Game.Score, 104);
  EXPECT_EQ(mq::Game.HighScoreHandled, 1);
  EXPECT_EQ(StatusText(1), "\tScore: 104") << "the closing dialog refreshes the bar";
  EXPECT_EQ(StatusText(2), "\t\t0") << "five counts do not fit beside six columns";
  // Presses and releases do nothing on a finished game.
  Press(10, 200);
  EXPECT_EQ(mq::Game.HitColumn, 0) << "no hit test ran";
}

TEST_F(EndTest, UndoAndFinishAgainOpensNoSecondDialog) {
  LoadBoard({"......", "......", "......", "......", "......", "1122.."});
  WhenDialog("High Scores", PressCancel);
  RemoveGroupAt(0, 5);
  RemoveGroupAt(0, 5);
  ASSERT_EQ(mq::Game.GameOver, 1);
  RunCommand(IDM_UNDO);
  EXPECT_EQ(mq::Game.GameOver, 0);
  EXPECT_EQ(mq::Game.Score, 2);
  SetAutoCancelDialogs(true);  // a dialog now would be a fault, but must not hang the run
  RemoveGroupAt(0, 5);
  EXPECT_EQ(mq::Game.GameOver, 1);
  EXPECT_EQ(mq::Game.Score, 104);
  EXPECT_EQ(StatusText(1), "\tScore: 4") << "the bonus shows only at the next update";
}

using StatusTest = MainWindowTest;

TEST_F(StatusTest, ColourCountsListWhenTheyFitAndTotalOtherwise) {
  mq::Game.GameSettings.Level = 0;  // three colours
  LoadBoard({"1111111111", "2222222222", "3333333333", "1111111111", "2222222222", "3333333333"});
  EXPECT_EQ(StatusText(2), "\t\t20+20+20=60");
  mq::Game.GameSettings.Level = 3;  // six colours, two digits each would not fit in 340 pixels
  LoadBoard({"1111111111", "2222222222", "3333333333", "4444444444", "5555555555", "6666666666"});
  EXPECT_EQ(StatusText(2), "\t\t60");
}

TEST_F(StatusTest, ElevenColumnBoardAtBothPitches) {
  mq::Game.GameSettings.Level = 0;
  LoadBoard({"11111111111", "11111111111", "22222222222", "22222222222", "33333333333", "33333333333"});
  // Eleven characters count 220 pixels.
  EXPECT_EQ(StatusText(2), "\t\t22+22+22=66");
  RunCommand(IDM_SHAPE_ELLIPSE);  // 330 pixels wide
  EXPECT_EQ(StatusText(2), "\t\t22+22+22=66");
  RunCommand(IDM_SHAPE_SMALL_ELLIPSE);  // 220 pixels: not less than the text
  EXPECT_EQ(StatusText(2), "\t\t66");
}

TEST_F(StatusTest, ScoreTextAndName) {
  mq::Game.Score = 1234;
  std::strcpy(mq::PlayerName, "Pat");
  mq::UpdateStatusBar();
  EXPECT_EQ(StatusText(0), "Pat");
  EXPECT_EQ(StatusText(1), "\tScore: 1234");
}

TEST_F(StatusTest, UnterminatedNameIsCutAtItsBuffer) {
  std::memset(mq::PlayerName, 'x', sizeof mq::PlayerName);
  mq::UpdateStatusBar();
  EXPECT_EQ(StatusText(0), std::string(sizeof mq::PlayerName, 'x'));
  std::strcpy(mq::PlayerName, "Anonymus");
}

TEST_F(StatusTest, PartsFollowTheClientWidth) {
  struct Case {
    int Width;
    int Edges[3];
  };
  const Case cases[] = {{500, {166, 332, -1}}, {2, {0, 0, -1}}, {381, {127, 254, -1}}};
  for (const Case& c : cases) {
    SendMessageA(Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.Width, 300));
    int edges[3] = {};
    EXPECT_EQ(SendMessageA(mq::StatusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(edges[i], c.Edges[i]) << "width " << c.Width << " part " << i;
    EXPECT_EQ(mq::ClientWidth, c.Width);
    EXPECT_EQ(mq::ClientHeight, 300);
  }
}

}  // namespace
}  // namespace mqtest
