// Thousands of random presses, releases, timer expiries and menu commands in
// the real window, the dialogs among them; after each the board keeps its
// invariants and the window keeps answering, and over the run the program
// holds no more GDI objects or memory than it did early on.
#include <cstdlib>
#include <random>
#include <string>

#include "app.h"
#include "game/game_state.h"
#include "harness.h"
#include "resource.h"

namespace mqtest {
namespace {

// Empty outside the board, tiles resting on the bottom, filled columns
// closed up to the left, history counters consistent.
::testing::AssertionResult BoardKeepsItsShape() {
  const mq::GameState& g = mq::Game;
  if (g.ActiveColumns < 6 || g.ActiveColumns > 29 || g.ActiveRows < 6 || g.ActiveRows > 29) {
    return ::testing::AssertionFailure() << "board size " << g.ActiveColumns << "x" << g.ActiveRows;
  }
  bool emptyColumnSeen = false;
  for (int c = 0; c < mq::GRID_STRIDE; ++c) {
    int tiles = 0;
    for (int r = 0; r < mq::GRID_STRIDE; ++r) {
      const int v = mq::BoardAt(c, r);
      if (v > g.GameSettings.Level + 3) return ::testing::AssertionFailure() << "colour " << v;
      if (v == 0) continue;
      ++tiles;
      if (c >= g.ActiveColumns || r >= g.ActiveRows) {
        return ::testing::AssertionFailure() << "tile outside the board at " << c << "," << r;
      }
      if (r + 1 < g.ActiveRows && mq::BoardAt(c, r + 1) == 0) {
        return ::testing::AssertionFailure() << "hole below " << c << "," << r;
      }
    }
    if (tiles > 0 && emptyColumnSeen) return ::testing::AssertionFailure() << "column " << c << " not closed";
    if (tiles == 0) emptyColumnSeen = true;
  }
  if (g.MoveCount < 0 || g.MoveCount > g.MoveTotal || g.MoveTotal >= mq::MOVE_INDEX_CAPACITY) {
    return ::testing::AssertionFailure() << "moves " << g.MoveCount << "/" << g.MoveTotal;
  }
  if (g.LogCursor != g.MoveIndex[g.MoveCount]) {
    return ::testing::AssertionFailure()
           << "log cursor " << g.LogCursor << " index " << g.MoveIndex[g.MoveCount];
  }
  return ::testing::AssertionSuccess();
}

int TilesLeft() {
  int n = 0;
  for (unsigned char v : mq::Game.Board) n += v != 0;
  return n;
}

// The total the status bar shows: after "=" or after the two tabs.
int ShownTotal() {
  std::string text = StatusText(2);
  size_t at = text.rfind('=');
  return std::atoi(text.c_str() + (at == std::string::npos ? 2 : at + 1));
}

// A random cell of a group of two or more, or any cell when none is left.
POINT PlayableCell(std::mt19937& random) {
  const int columns = mq::Game.ActiveColumns;
  const int rows = mq::Game.ActiveRows;
  for (int attempt = 0; attempt < 200; ++attempt) {
    const int c = static_cast<int>(random() % static_cast<unsigned>(columns));
    const int r = static_cast<int>(random() % static_cast<unsigned>(rows));
    const int v = mq::BoardAt(c, r);
    if (v && (mq::BoardAt(c + 1, r) == v || mq::BoardAt(c, r + 1) == v ||
              (c > 0 && mq::BoardAt(c - 1, r) == v) || (r > 0 && mq::BoardAt(c, r - 1) == v))) {
      return CellCentre(c, r);
    }
  }
  return CellCentre(0, rows - 1);
}

bool Answers() {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

// Commands that open no modal dialog; shapes stay built in.
const int SoakCommands[] = {IDM_NEW,
                            IDM_REPLAY,
                            IDM_UNDO,
                            IDM_UNDO,
                            IDM_REDO,
                            IDM_SIZE_SMALL,
                            IDM_SIZE_MEDIUM,
                            IDM_LEVEL_EASY,
                            IDM_LEVEL_STANDARD,
                            IDM_LEVEL_DIFFICULT,
                            IDM_LEVEL_HARD,
                            IDM_SHAPE_RECTANGLE,
                            IDM_SHAPE_SMALL_RECTANGLE,
                            IDM_SHAPE_ELLIPSE,
                            IDM_SHAPE_SMALL_ELLIPSE,
                            IDM_SCORING_0,
                            IDM_SCORING_1,
                            IDM_SCORING_2,
                            IDM_SOUND};

bool SoakFileExists() { return GetFileAttributesA(ChosenFile.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The smallest board: its games end soon, so the end of a game comes often.
void PickSize(HWND dialog) {
  SendDlgItemMessageA(dialog, IDC_COLUMNS_LIST, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(dialog, IDC_ROWS_LIST, CB_SETCURSEL, 0, 0);
  PressOk(dialog);
}

// Runs a command that opens a dialog, with what a player would do in it.
// Dialogs nobody waits for (High Scores, Open's complaints) are cancelled.
void RunDialogCommand(int turn) {
  switch (turn % 6) {
    case 0:
      ChosenFile = TempPath("soak.mqz");
      WhenDialog(nullptr, ChooseFileToSave);
      if (SoakFileExists()) WhenDialog(nullptr, AnswerYes);  // replace it?
      RunCommand(IDM_SAVE);
      break;
    case 1:
      ChosenFile = TempPath("soak.mqz");
      WhenDialog(nullptr, ChooseFileToOpen);
      RunCommand(IDM_OPEN);
      break;
    case 2:
      WhenDialog(nullptr, PressCancel);
      RunCommand(turn % 4 ? IDM_OPEN : IDM_SAVE);
      break;
    case 3:
      WhenDialog(nullptr, PressOk);
      RunCommand(IDM_ABOUT);
      break;
    case 4:
      WhenDialog(nullptr, turn % 4 ? PickSize : PressCancel);
      RunCommand(IDM_SIZE_CUSTOM);
      break;
    default:
      WhenDialog("High Scores", PressCancel);
      RunCommand(IDM_SCORES);
      break;
  }
  EXPECT_EQ(PendingDialogActions(), 0) << "dialog turn " << turn;
  ClearDialogActions();
}

using SoakTest = MainWindowTest;

// Heaps grow in steps and keep freed blocks; a steady program stays within one step.
constexpr size_t PrivateSlack = 256 * 1024;

TEST_F(SoakTest, RandomPlayKeepsTheBoardSound) {
  SetAutoCancelDialogs(true);  // the High Scores dialog at each game's end
  std::mt19937 random(20081);
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  POINT last = {0, 0};
  int removals = 0;
  int endings = 0;
  int dialogTurn = 0;
  int gdiEarly = 0;
  size_t privateEarly = 0;
  // Removals the test completes and those the real timer completes while
  // messages are pumped both count: how many of each depends on the clock.
  auto timersRun = [&](auto run) {
    const bool pending = mq::Game.RemovalPending;
    const int wasOver = mq::Game.GameOver;
    run();
    removals += pending && !mq::Game.RemovalPending;
    endings += !wasOver && mq::Game.GameOver;
  };
  for (int step = 0; step < 10000; ++step) {
    const int kind = below(100);
    if (step % 50 == 25) {
      // A removal left pending would complete in the dialog's modal loop and
      // could end the game there, opening High Scores over the dialog the
      // step means to answer.
      if (mq::Game.RemovalPending) timersRun([] { FireTimer(mq::IDT_REMOVE); });
      RunDialogCommand(dialogTurn++);
    } else if (kind < 35) {
      if (below(10) < 8) {
        last = PlayableCell(random);
      } else {
        last = {below(1000), below(1000)};
      }
      Press(last.x, last.y);
    } else if (kind < 70) {
      if (below(10) < 8) {
        Release(last.x, last.y);
      } else {
        Release(below(1000), below(1000));
      }
    } else if (kind < 98) {
      const int id = below(10) < 8 ? mq::IDT_REMOVE : (below(2) ? mq::IDT_HIGH_SCORE : mq::IDT_NO_HIGH_SCORE);
      timersRun([id] { FireTimer(id); });
    } else {
      const int id = SoakCommands[below(sizeof SoakCommands / sizeof SoakCommands[0])];
      if (!IsGrayed(id)) RunCommand(id);  // grey items cannot be chosen
    }
    ASSERT_TRUE(BoardKeepsItsShape()) << "step " << step;
    if (step % 50 == 0) {
      timersRun(PumpMessages);
      ASSERT_TRUE(Answers()) << "step " << step;
      ASSERT_EQ(ShownTotal(), TilesLeft()) << "step " << step << ": " << StatusText(2);
    }
    if (step == 999) {
      timersRun(PumpMessages);
      gdiEarly = LiveGdiObjects();
      privateEarly = PrivateBytes();
    }
  }
  PumpMessages();
  // A leak of one object or 100 bytes per event would show many times over.
  EXPECT_GE(gdiEarly, 18) << "the twelve brushes and six sprites are counted";
  EXPECT_EQ(LiveGdiObjects(), gdiEarly);
  EXPECT_LE(PrivateBytes(), privateEarly + PrivateSlack);
  RecordProperty("private_kib_early", static_cast<int>(privateEarly / 1024));
  RecordProperty("private_kib_late", static_cast<int>(PrivateBytes() / 1024));
  EXPECT_GT(removals, 500);
  EXPECT_GT(endings, 0);
  RecordProperty("removals", removals);
  RecordProperty("endings", endings);
}

}  // namespace
}  // namespace mqtest
