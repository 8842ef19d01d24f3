// Grey, check and radio marks of the menu as they stand when a popup opens.
#include "app.h"
#include "game/game_state.h"
#include "harness.h"
#include "resource.h"

namespace mqtest {
namespace {

class MenuTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    LoadBoard({"113344", "113344", "225511", "225511", "334422", "334422"});
  }
};

struct HistoryItems {
  bool Undo;
  bool Redo;
  bool Replay;
  bool Scoring;
};

void ExpectEnabled(HistoryItems want, const char* when) {
  EXPECT_EQ(!IsGrayed(IDM_UNDO), want.Undo) << when;
  EXPECT_EQ(!IsGrayed(IDM_REDO), want.Redo) << when;
  EXPECT_EQ(!IsGrayed(IDM_REPLAY), want.Replay) << when;
  for (int id = IDM_SCORING_0; id <= IDM_SCORING_2; ++id) EXPECT_EQ(!IsGrayed(id), want.Scoring) << when;
}

TEST_F(MenuTest, HistoryItemsFollowMovesUndoRedoAndReplay) {
  ExpectEnabled({false, false, false, true}, "new board");
  RemoveGroupAt(0, 0);
  ExpectEnabled({true, false, true, false}, "one move");
  RemoveGroupAt(2, 0);
  ExpectEnabled({true, false, true, false}, "two moves");
  RunCommand(IDM_UNDO);
  ExpectEnabled({true, true, true, false}, "undo of one");
  RunCommand(IDM_UNDO);
  ExpectEnabled({false, true, false, true}, "undo of both");
  RunCommand(IDM_REDO);
  ExpectEnabled({true, true, true, false}, "redo of one");
  RunCommand(IDM_REDO);
  ExpectEnabled({true, false, true, false}, "redo of both");
  RunCommand(IDM_REPLAY);
  ExpectEnabled({false, true, false, true}, "replay: moves remain to redo, scoring may change");
  EXPECT_EQ(mq::Game.MoveCount, 0);
  EXPECT_EQ(mq::Game.MoveTotal, 2);
}

TEST_F(MenuTest, RadioMarksFollowTheSettings) {
  struct Case {
    int Command;
    int First;
    int Last;
  };
  const Case cases[] = {
      {IDM_LEVEL_EASY, IDM_LEVEL_EASY, IDM_LEVEL_HARD},
      {IDM_LEVEL_HARD, IDM_LEVEL_EASY, IDM_LEVEL_HARD},
      {IDM_SIZE_MEDIUM, IDM_SIZE_SMALL, IDM_SIZE_CUSTOM},
      {IDM_SIZE_SMALL, IDM_SIZE_SMALL, IDM_SIZE_CUSTOM},
      {IDM_SHAPE_SMALL_ELLIPSE, IDM_SHAPE_RECTANGLE, IDM_SHAPE_CUSTOM},
      {IDM_SHAPE_CUSTOM, IDM_SHAPE_RECTANGLE, IDM_SHAPE_CUSTOM},
      {IDM_SHAPE_RECTANGLE, IDM_SHAPE_RECTANGLE, IDM_SHAPE_CUSTOM},
      {IDM_SCORING_2, IDM_SCORING_0, IDM_SCORING_2},
      {IDM_SCORING_1, IDM_SCORING_0, IDM_SCORING_2},
  };
  for (const Case& c : cases) {
    RunCommand(c.Command);
    for (int id = c.First; id <= c.Last; ++id)
      EXPECT_EQ(IsChecked(id), id == c.Command) << c.Command << " " << id;
  }
}

TEST_F(MenuTest, FreshStartMarks) {
  EXPECT_TRUE(IsChecked(IDM_SOUND));
  EXPECT_TRUE(IsChecked(IDM_SCORING_0));
  EXPECT_TRUE(IsChecked(IDM_LEVEL_DIFFICULT));
  EXPECT_TRUE(IsChecked(IDM_SIZE_CUSTOM)) << "the loaded board is a custom size";
  EXPECT_TRUE(IsChecked(IDM_SHAPE_RECTANGLE));
}

TEST_F(MenuTest, SoundsToggles) {
  RunCommand(IDM_SOUND);
  EXPECT_FALSE(IsChecked(IDM_SOUND));
  EXPECT_EQ(mq::Game.GameSettings.SoundOff, 1);
  RunCommand(IDM_SOUND);
  EXPECT_TRUE(IsChecked(IDM_SOUND));
}

TEST_F(MenuTest, SystemMenuPopupChangesNothing) {
  HMENU bar = GetMenu(Window());
  HMENU file = GetSubMenu(bar, 0);
  RemoveGroupAt(0, 0);
  EnableMenuItem(file, IDM_UNDO, MF_BYCOMMAND | MF_GRAYED);
  SendMessageA(Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), MAKELPARAM(0, TRUE));
  EXPECT_NE(GetMenuState(file, IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED, 0u);
  SendMessageA(Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), MAKELPARAM(0, FALSE));
  EXPECT_EQ(GetMenuState(file, IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(MenuTest, MenuLabelsCarryTheBackspaceBeforeTheAcceleratorText) {
  char label[64] = {};
  GetMenuStringA(GetMenu(Window()), IDM_UNDO, label, sizeof label, MF_BYCOMMAND);
  EXPECT_STREQ(label, "&Undo\bCtrl+Z");
}

// The accelerators reach the commands through TranslateAcceleratorA, which
// respects the grey state prepared on WM_INITMENUPOPUP.
bool Accelerate(char code) {
  static HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  MSG message = {Window(), WM_CHAR, static_cast<WPARAM>(code), 1, GetTickCount(), {0, 0}};
  return TranslateAcceleratorA(Window(), table, &message) != 0;
}

TEST_F(MenuTest, AcceleratorsRunTheirCommands) {
  RemoveGroupAt(0, 0);
  ASSERT_EQ(mq::Game.MoveCount, 1);
  EXPECT_TRUE(Accelerate(26));  // Ctrl+Z
  EXPECT_EQ(mq::Game.MoveCount, 0);
  EXPECT_TRUE(Accelerate(25));  // Ctrl+Y
  EXPECT_EQ(mq::Game.MoveCount, 1);
  EXPECT_TRUE(Accelerate(18));  // Ctrl+R
  EXPECT_EQ(mq::Game.MoveCount, 0);
  EXPECT_EQ(mq::Game.MoveTotal, 1);
  EXPECT_TRUE(Accelerate(14));  // Ctrl+N
  EXPECT_EQ(mq::Game.MoveTotal, 0);
  EXPECT_EQ(mq::Game.ActiveColumns, 6);
}

int CommandsSeen = 0;

LRESULT CALLBACK CountCommands(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->hwnd == Window() && call->message == WM_COMMAND) ++CommandsSeen;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MenuTest, GreyItemsTakeNoAcceleratorCommand) {
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountCommands, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  CommandsSeen = 0;
  Accelerate(26);  // Ctrl+Z with nothing to undo
  Accelerate(18);  // Ctrl+R with no move applied
  Accelerate(25);  // Ctrl+Y with nothing to redo
  EXPECT_EQ(CommandsSeen, 0);
  RemoveGroupAt(0, 0);
  Accelerate(26);
  EXPECT_EQ(CommandsSeen, 1);
  UnhookWindowsHookEx(hook);
}

}  // namespace
}  // namespace mqtest
