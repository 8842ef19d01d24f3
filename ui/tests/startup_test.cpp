// Creation, size and the settings file of the real main window.
#include <cstring>

#include "app.h"
#include "game/game_state.h"
#include "game/platform.h"
#include "harness.h"
#include "resource.h"
#include "storage/high_scores.h"

namespace mqtest {
namespace {

using StartupTest = MainWindowTest;

int StatusBarHeight() {
  RECT r;
  GetWindowRect(mq::StatusBar, &r);
  return r.bottom - r.top;
}

SIZE OuterSize() {
  RECT r;
  GetWindowRect(Window(), &r);
  return {r.right - r.left, r.bottom - r.top};
}

TEST_F(StartupTest, FreshStartDealsADefaultBoardForAnonymus) {
  EXPECT_STREQ(mq::PlayerName, "Anonymus");
  EXPECT_EQ(mq::Game.ActiveColumns, 11);
  EXPECT_EQ(mq::Game.ActiveRows, 12);
  EXPECT_EQ(mq::Game.CellPitch, 34);
  EXPECT_EQ(mq::Game.TileSize, 32);
  EXPECT_EQ(mq::BoardAt(0, 11) != 0, true);
  EXPECT_EQ(StatusText(0), "Anonymus");
  EXPECT_EQ(StatusText(1), "\tScore: 0");
}

// Outer size from the frame, menu and caption metrics, the status bar and the
// board: one frame width in each direction.
SIZE ExpectedOuterSize(int columns, int rows, int pitch) {
  return {GetSystemMetrics(SM_CXFRAME) + columns * pitch + 6,
          GetSystemMetrics(SM_CYFRAME) + rows * pitch + GetSystemMetrics(SM_CYMENU) +
              GetSystemMetrics(SM_CYCAPTION) + StatusBarHeight() + 6};
}

TEST_F(StartupTest, DefaultWindowSizeFollowsTheRectangleTiles) {
  SIZE size = OuterSize();
  EXPECT_EQ(size.cx, GetSystemMetrics(SM_CXFRAME) + 380);
  EXPECT_EQ(size.cy, GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYMENU) +
                         GetSystemMetrics(SM_CYCAPTION) + StatusBarHeight() + 414);
}

struct ShapeGeometry {
  int Command;
  int Pitch;
  int Tile;
};

TEST_F(StartupTest, EveryShapeAndSizeGivesTheComputedOuterSize) {
  const ShapeGeometry shapes[] = {{IDM_SHAPE_RECTANGLE, 34, 32},
                                  {IDM_SHAPE_SMALL_RECTANGLE, 26, 24},
                                  {IDM_SHAPE_ELLIPSE, 30, 28},
                                  {IDM_SHAPE_SMALL_ELLIPSE, 20, 18}};
  for (const ShapeGeometry& shape : shapes) {
    RunCommand(shape.Command);
    EXPECT_EQ(mq::Game.CellPitch, shape.Pitch);
    EXPECT_EQ(mq::Game.TileSize, shape.Tile);
    for (int size = 0; size < 3; ++size) {
      RunCommand(IDM_SIZE_SMALL + size);
      const int columns = 11 + 5 * size;
      const int rows = 12 + 5 * size;
      EXPECT_EQ(mq::Game.ActiveColumns, columns);
      EXPECT_EQ(mq::Game.ActiveRows, rows);
      SIZE want = ExpectedOuterSize(columns, rows, shape.Pitch);
      SIZE got = OuterSize();
      EXPECT_EQ(got.cx, want.cx) << "shape " << shape.Command << " size " << size;
      EXPECT_EQ(got.cy, want.cy) << "shape " << shape.Command << " size " << size;
    }
  }
}

TEST_F(StartupTest, LargestCustomBoardWithEllipses) {
  RunCommand(IDM_SHAPE_ELLIPSE);
  mq::Game.GameSettings.Columns = 29;
  mq::Game.GameSettings.Rows = 29;
  mq::Game.GameSettings.BoardSize = 3;
  mq::ResizeMainWindow();
  EXPECT_EQ(OuterSize().cx, GetSystemMetrics(SM_CXFRAME) + 876);
  EXPECT_EQ(OuterSize().cy, ExpectedOuterSize(29, 29, 30).cy);
}

TEST_F(StartupTest, ShapeChangeKeepsTheBoard) {
  unsigned char before[mq::GRID_CELLS];
  std::memcpy(before, mq::Game.Board, sizeof before);
  RunCommand(IDM_SHAPE_SMALL_ELLIPSE);
  EXPECT_EQ(std::memcmp(before, mq::Game.Board, sizeof before), 0);
  EXPECT_EQ(OuterSize().cx, ExpectedOuterSize(11, 12, 20).cx);
}

TEST_F(StartupTest, WindowHasAFixedFrameWithoutMaximiseBox) {
  LONG style = GetWindowLongA(Window(), GWL_STYLE);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_NE(style & WS_SYSMENU, 0);
  char title[64] = {};
  GetWindowTextA(Window(), title, sizeof title);
  EXPECT_STREQ(title, "Marblequake");
  EXPECT_EQ(GetDlgCtrlID(mq::StatusBar), 3);
}

TEST_F(StartupTest, ClassUsesTheWindowProcedure) {
  WNDCLASSA windowClass;
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "Marblequake", &windowClass));
  EXPECT_EQ(reinterpret_cast<void*>(windowClass.lpfnWndProc), reinterpret_cast<void*>(MainWndProc));
  EXPECT_EQ(windowClass.style, CS_HREDRAW | CS_VREDRAW);
}

TEST_F(StartupTest, WithoutAWindowNoTimerStartsAndTheMoveCompletesAtOnce) {
  CloseMainWindow();
  EXPECT_EQ(mq::Host().StartTimer(mq::IDT_REMOVE, 200), 0);
  // The game side of a timer that cannot start: the release completes the move.
  mq::Game.GameSettings.Level = 3;
  mq::Game.ActiveColumns = mq::Game.ActiveRows = 6;
  std::memset(mq::Game.Board, 0, sizeof mq::Game.Board);
  mq::BoardAt(0, 5) = 1;
  mq::BoardAt(1, 5) = 1;
  mq::PressTile(MAKELPARAM(3, 3 + 5 * mq::Game.CellPitch));
  mq::ReleaseTile(MAKELPARAM(3, 3 + 5 * mq::Game.CellPitch));
  EXPECT_EQ(mq::Game.RemovalPending, 0);
  EXPECT_EQ(mq::BoardAt(0, 5), 0);
}

}  // namespace
}  // namespace mqtest
