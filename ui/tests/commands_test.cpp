// Every menu command through WM_COMMAND, with the dialogs they open driven
// the way a player would.
#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "game/game_state.h"
#include "harness.h"
#include "resource.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"

namespace mqtest {
namespace {

std::string MessageText;

void ReadMessageAndClose(HWND box) {
  char text[600] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  MessageText = text;
  PressOk(box);
}

long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long>(data.nFileSizeLow);
}

class CommandsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    MessageText.clear();
    LoadBoard({"113344", "113344", "225511", "225511", "334422", "334422"});
  }
  void SnapshotBoard() { std::memcpy(board_, mq::Game.Board, sizeof board_); }
  bool BoardUnchanged() const { return std::memcmp(board_, mq::Game.Board, sizeof board_) == 0; }

 private:
  unsigned char board_[mq::GRID_CELLS];
};

TEST_F(CommandsTest, NewGameDealsAFreshBoard) {
  RemoveGroupAt(0, 0);
  RunCommand(IDM_NEW);
  EXPECT_EQ(mq::Game.MoveCount, 0);
  EXPECT_EQ(mq::Game.MoveTotal, 0);
  EXPECT_EQ(mq::Game.Score, 0);
  EXPECT_NE(mq::BoardAt(5, 5), 0);
  EXPECT_EQ(StatusText(1), "\tScore: 0");
}

TEST_F(CommandsTest, SavedGameOpensAgainWithItsHistory) {
  RemoveGroupAt(0, 0);
  SnapshotBoard();
  ChosenFile = TempPath("saved1.mqz");
  WhenDialog(nullptr, ChooseFileToSave);
  RunCommand(IDM_SAVE);
  ASSERT_EQ(PendingDialogActions(), 0);
  EXPECT_EQ(FileSize(ChosenFile), mq::SAVED_GAME_SIZE);
  EXPECT_EQ(MessageText, "");

  RemoveGroupAt(2, 0);
  RunCommand(IDM_SHAPE_ELLIPSE);
  WhenDialog(nullptr, ChooseFileToOpen);
  RunCommand(IDM_OPEN);
  ASSERT_EQ(PendingDialogActions(), 0);
  EXPECT_TRUE(BoardUnchanged());
  EXPECT_EQ(mq::Game.MoveCount, 1);
  EXPECT_EQ(mq::Game.Score, 12);
  EXPECT_EQ(StatusText(1), "\tScore: 12");
  EXPECT_EQ(MessageText, "");
  RunCommand(IDM_UNDO);
  EXPECT_EQ(mq::BoardAt(0, 0), 1);
}

// What the window shows of the tile shape: the menu mark, the geometry, the
// window size, the status bar and the painted board.
struct ShapeView {
  UINT Mark;
  int Pitch;
  int Tile;
  RECT Frame;
  std::string Colours;
  std::vector<COLORREF> Pixels;

  static ShapeView Take(int shapeCommand) {
    ShapeView view = {MenuState(shapeCommand), mq::Game.CellPitch, mq::Game.TileSize, {}, StatusText(2), {}};
    GetWindowRect(Window(), &view.Frame);
    UpdateWindow(Window());
    HDC dc = GetDC(Window());
    for (int y = 0; y < 6 * 34 + 6; y += 3) {
      for (int x = 0; x < 6 * 34 + 6; x += 3) view.Pixels.push_back(GetPixel(dc, x, y));
    }
    ReleaseDC(Window(), dc);
    return view;
  }
  bool operator==(const ShapeView& o) const {
    return Mark == o.Mark && Pitch == o.Pitch && Tile == o.Tile && EqualRect(&Frame, &o.Frame) &&
           Colours == o.Colours && Pixels == o.Pixels;
  }
};

// A game saved with another tile shape brings it along: the window shows it
// exactly as the Shape command would.
TEST_F(CommandsTest, OpenedGameShowsItsOwnTileShape) {
  RunCommand(IDM_SHAPE_SMALL_ELLIPSE);
  ChosenFile = TempPath("small-ellipse.mqz");
  WhenDialog(nullptr, ChooseFileToSave);
  RunCommand(IDM_SAVE);
  RunCommand(IDM_SHAPE_RECTANGLE);
  WhenDialog(nullptr, ChooseFileToOpen);
  RunCommand(IDM_OPEN);
  ASSERT_EQ(PendingDialogActions(), 0);
  ASSERT_EQ(MessageText, "");
  const ShapeView opened = ShapeView::Take(IDM_SHAPE_SMALL_ELLIPSE);
  EXPECT_EQ(opened.Mark & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(opened.Pitch, 20);
  RunCommand(IDM_SHAPE_SMALL_ELLIPSE);
  EXPECT_TRUE(ShapeView::Take(IDM_SHAPE_SMALL_ELLIPSE) == opened);
}

TEST_F(CommandsTest, UnreadableGameIsReportedAndChangesNothing) {
  ChosenFile = TempPath("broken.mqz");
  HANDLE file = CreateFileA(ChosenFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(file, "not a game", 10, &written, nullptr);
  CloseHandle(file);
  RemoveGroupAt(0, 0);
  SnapshotBoard();
  WhenDialog(nullptr, ChooseFileToOpen);
  WhenDialog("Marblequake", ReadMessageAndClose);
  RunCommand(IDM_OPEN);
  ASSERT_EQ(PendingDialogActions(), 0);
  EXPECT_NE(MessageText.find("broken.mqz"), std::string::npos) << MessageText;
  EXPECT_TRUE(BoardUnchanged());
  EXPECT_EQ(mq::Game.MoveCount, 1);
  EXPECT_EQ(mq::Game.Score, 12);
}

TEST_F(CommandsTest, FailedSaveIsReported) {
  ChosenFile = TempPath("locked.mqz");
  // Held open without sharing by another "program": it cannot be replaced.
  HANDLE file = CreateFileA(ChosenFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  WhenDialog(nullptr, ChooseFileToSave);
  WhenDialog(nullptr, AnswerYes);  // the dialog's own question: replace the file?
  WhenDialog("Marblequake", ReadMessageAndClose);
  RunCommand(IDM_SAVE);
  CloseHandle(file);
  EXPECT_EQ(PendingDialogActions(), 0);
  EXPECT_NE(MessageText.find("locked.mqz"), std::string::npos) << MessageText;
  EXPECT_EQ(FileSize(ChosenFile), 0);
}

TEST_F(CommandsTest, CancelledFileDialogsChangeNothing) {
  SnapshotBoard();
  WhenDialog(nullptr, PressCancel);
  RunCommand(IDM_OPEN);
  WhenDialog(nullptr, PressCancel);
  RunCommand(IDM_SAVE);
  EXPECT_EQ(PendingDialogActions(), 0);
  EXPECT_TRUE(BoardUnchanged());
  EXPECT_EQ(MessageText, "");
}

TEST_F(CommandsTest, UndoRedoReplayRestoreTheBoards) {
  SnapshotBoard();
  RemoveGroupAt(0, 0);
  unsigned char afterFirst[mq::GRID_CELLS];
  std::memcpy(afterFirst, mq::Game.Board, sizeof afterFirst);
  RemoveGroupAt(0, 2);
  RunCommand(IDM_UNDO);
  EXPECT_EQ(std::memcmp(afterFirst, mq::Game.Board, sizeof afterFirst), 0);
  EXPECT_NE(mq::MarkAt(0, 2), 0) << "the group taken back is selected";
  EXPECT_EQ(StatusText(1), "\tScore: 12");
  RunCommand(IDM_REDO);
  EXPECT_EQ(mq::Game.MoveCount, 2);
  RunCommand(IDM_REPLAY);
  EXPECT_TRUE(BoardUnchanged());
  EXPECT_EQ(StatusText(1), "\tScore: 0");
}

TEST_F(CommandsTest, ScoresDialogResults) {
  RemoveGroupAt(0, 0);
  WhenDialog("High Scores", PressCancel);
  RunCommand(IDM_SCORES);
  EXPECT_EQ(mq::Game.MoveCount, 1) << "closing changes nothing";

  WhenDialog("High Scores", [](HWND d) { PressButton(d, IDC_REPLAY_GAME); });
  RunCommand(IDM_SCORES);
  EXPECT_EQ(mq::Game.MoveCount, 0);
  EXPECT_EQ(mq::Game.MoveTotal, 1);

  RunCommand(IDM_SIZE_MEDIUM);
  RemoveGroupAt(0, 0);
  WhenDialog("High Scores", [](HWND d) { PressButton(d, IDC_NEW_GAME); });
  RunCommand(IDM_SCORES);
  EXPECT_EQ(PendingDialogActions(), 0);
  EXPECT_EQ(mq::Game.MoveTotal, 0);
  EXPECT_EQ(mq::Game.ActiveColumns, 16);
  EXPECT_EQ(mq::Game.ActiveRows, 17);
}

TEST_F(CommandsTest, AboutOpensAndCloses) {
  WhenDialog(nullptr, PressOk);
  RunCommand(IDM_ABOUT);
  EXPECT_EQ(PendingDialogActions(), 0);
}

TEST_F(CommandsTest, CustomSizeOnOkAndCancel) {
  WhenDialog(nullptr, [](HWND d) {
    SendDlgItemMessageA(d, IDC_COLUMNS_LIST, CB_SETCURSEL, 20 - 6, 0);
    SendDlgItemMessageA(d, IDC_ROWS_LIST, CB_SETCURSEL, 8 - 6, 0);
    PressOk(d);
  });
  RunCommand(IDM_SIZE_CUSTOM);
  EXPECT_EQ(mq::Game.GameSettings.BoardSize, 3);
  EXPECT_EQ(mq::Game.ActiveColumns, 20);
  EXPECT_EQ(mq::Game.ActiveRows, 8);
  EXPECT_NE(mq::BoardAt(19, 7), 0);
  EXPECT_EQ(mq::BoardAt(0, 8), 0);
  SnapshotBoard();
  WhenDialog(nullptr, PressCancel);
  RunCommand(IDM_SIZE_CUSTOM);
  EXPECT_TRUE(BoardUnchanged());
  EXPECT_EQ(mq::Game.ActiveColumns, 20);
}

TEST_F(CommandsTest, LevelsDealBoardsOfTheirColours) {
  for (int level = 0; level < 4; ++level) {
    RunCommand(IDM_LEVEL_EASY + level);
    EXPECT_EQ(mq::Game.GameSettings.Level, level);
    int highest = 0;
    for (unsigned char tile : mq::Game.Board) highest = tile > highest ? tile : highest;
    EXPECT_LE(highest, level + 3);
    EXPECT_GE(highest, 2);
  }
}

TEST_F(CommandsTest, ScoringRulesPriceTheSelection) {
  const char* previews[] = {"4 -> 12 pts", "4 -> 9 pts", "4 -> 8 pts"};
  for (int rule = 0; rule < 3; ++rule) {
    RunCommand(IDM_SCORING_0 + rule);
    EXPECT_EQ(mq::Game.GameSettings.ScoringRule, rule);
    PressCell(0, 2);
    EXPECT_EQ(StatusText(0), previews[rule]);
  }
}

TEST_F(CommandsTest, UnknownCommandsAndKeysDoNothing) {
  SnapshotBoard();
  RunCommand(999);
  RunCommand(IDM_SIZE_SMALL - 1);
  SendMessageA(Window(), WM_KEYDOWN, 'Z', 0);
  EXPECT_TRUE(BoardUnchanged());
}

TEST_F(CommandsTest, ExitDestroysTheWindowAndWritesTheSettings) {
  RunCommand(IDM_EXIT);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(FileSize(SettingsPath()), mq::SETTINGS_FILE_SIZE);
}

// Run in a process of their own: the libraries loaded at first use are not
// loaded before it.
class FirstUseTest : public CommandsTest {
 protected:
  // Sounds off from the start: no output is opened.
  void SetUp() override {
    ResetProgramState();
    mq::Game.GameSettings.SoundOff = 1;
    ASSERT_NE(OpenMainWindow(), nullptr);
    MessageText.clear();
    LoadBoard({"113344", "113344", "225511", "225511", "334422", "334422"});
  }
};

bool Loaded(const char* library) { return GetModuleHandleA(library) != nullptr; }

TEST_F(FirstUseTest, TheFileDialogsAndTheSoundLibraryLoadWhenFirstNeeded) {
  RemoveGroupAt(0, 0);
  WhenDialog(nullptr, PressOk);
  RunCommand(IDM_ABOUT);
  EXPECT_FALSE(Loaded("COMDLG32.DLL"));
  EXPECT_FALSE(Loaded("WINMM.DLL"));
  SnapshotBoard();
  for (int round = 0; round < 2; ++round) {
    ChosenFile = TempPath(round == 0 ? "first.mqz" : "second.mqz");
    WhenDialog(nullptr, ChooseFileToSave);
    RunCommand(IDM_SAVE);
    EXPECT_EQ(FileSize(ChosenFile), mq::SAVED_GAME_SIZE) << round;
    EXPECT_TRUE(Loaded("COMDLG32.DLL"));
    RunCommand(IDM_NEW);
    WhenDialog(nullptr, ChooseFileToOpen);
    RunCommand(IDM_OPEN);
    EXPECT_TRUE(BoardUnchanged()) << round;
    EXPECT_EQ(mq::Game.MoveCount, 1) << round;
  }
  EXPECT_EQ(PendingDialogActions(), 0);
  EXPECT_EQ(MessageText, "");
  RunCommand(IDM_SOUND);
  mq::AwaitMidiDevice();
  EXPECT_TRUE(Loaded("WINMM.DLL"));
}

TEST_F(FirstUseTest, AMissingDialogLibraryIsReportedAndChangesNothing) {
  const char* real = mq::CommonDialogLibrary;
  mq::CommonDialogLibrary = "mq-no-such-library.dll";
  RemoveGroupAt(0, 0);
  SnapshotBoard();
  for (int command : {IDM_OPEN, IDM_SAVE}) {
    MessageText.clear();
    WhenDialog("Marblequake", ReadMessageAndClose);
    RunCommand(command);
    EXPECT_EQ(PendingDialogActions(), 0);
    EXPECT_NE(MessageText.find("mq-no-such-library.dll could not be loaded"), std::string::npos)
        << MessageText;
    EXPECT_STREQ(mq::FilePath, "");
    EXPECT_TRUE(BoardUnchanged());
    EXPECT_EQ(mq::Game.MoveCount, 1);
  }
  mq::CommonDialogLibrary = real;
  WhenDialog(nullptr, PressCancel);
  RunCommand(IDM_OPEN);
  EXPECT_EQ(PendingDialogActions(), 0);
}

}  // namespace
}  // namespace mqtest
