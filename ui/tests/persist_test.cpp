// The settings file written when the window is destroyed and read by the
// next window, which resumes the same game with its history.
#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "dialog_driver.h"
#include "game/game_state.h"
#include "harness.h"
#include "resource.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"

namespace mqtest {
namespace {

long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long>(data.nFileSizeLow);
}

int CountFiles(const char* pattern) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(TempPath(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do ++count;
  while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

class PersistTest : public MainWindowTest {
 protected:
  // A new window in a process that knows nothing but the settings file.
  void Reopen() {
    CloseMainWindow();
    mq::Game = mq::GameState{};
    std::memset(mq::PlayerName, 0, sizeof mq::PlayerName);
    ASSERT_NE(OpenMainWindow(), nullptr);
  }
};

TEST_F(PersistTest, NextWindowResumesTheGameWithItsHistory) {
  mq::Game.GameSettings.Level = 3;
  LoadBoard({"161616", "616161", "161616", "616161", "223344", "223355"});
  RunCommand(IDM_SHAPE_ELLIPSE);
  RunCommand(IDM_SOUND);
  std::strcpy(mq::PlayerName, "Pat");
  RemoveGroupAt(0, 4);
  RemoveGroupAt(2, 4);
  unsigned char afterBoth[mq::GRID_CELLS];
  std::memcpy(afterBoth, mq::Game.Board, sizeof afterBoth);
  RunCommand(IDM_UNDO);
  unsigned char afterUndo[mq::GRID_CELLS];
  std::memcpy(afterUndo, mq::Game.Board, sizeof afterUndo);

  Reopen();
  EXPECT_EQ(FileSize(SettingsPath()), mq::SETTINGS_FILE_SIZE);
  EXPECT_EQ(std::memcmp(afterUndo, mq::Game.Board, sizeof afterUndo), 0);
  EXPECT_EQ(mq::Game.MoveCount, 1);
  EXPECT_EQ(mq::Game.MoveTotal, 2);
  EXPECT_EQ(mq::Game.Score, 12);
  EXPECT_EQ(mq::Game.GameSettings.Shape, 2);
  EXPECT_EQ(mq::Game.CellPitch, 30);
  EXPECT_EQ(mq::Game.ActiveColumns, 6);
  EXPECT_EQ(mq::Game.GameSettings.SoundOff, 1);
  EXPECT_STREQ(mq::PlayerName, "Pat");
  EXPECT_EQ(StatusText(0), "Pat");
  EXPECT_EQ(StatusText(1), "\tScore: 12");
  EXPECT_FALSE(IsGrayed(IDM_REDO));
  EXPECT_FALSE(IsChecked(IDM_SOUND));
  EXPECT_TRUE(IsChecked(IDM_SHAPE_ELLIPSE));

  RunCommand(IDM_REDO);
  EXPECT_EQ(std::memcmp(afterBoth, mq::Game.Board, sizeof afterBoth), 0);
  EXPECT_EQ(mq::Game.Score, 24);
  RunCommand(IDM_REPLAY);
  EXPECT_EQ(mq::BoardAt(0, 4), 2);
}

TEST_F(PersistTest, RemovalPendingAtCloseIsDropped) {
  mq::Game.GameSettings.Level = 3;
  LoadBoard({"161616", "616161", "161616", "616161", "223344", "223355"});
  PressCell(0, 4);
  ReleaseCell(0, 4);
  Reopen();
  EXPECT_EQ(mq::BoardAt(0, 4), 2);
  EXPECT_EQ(mq::Game.MoveCount, 0);
  EXPECT_EQ(mq::Game.RemovalPending, 0);
  RemoveGroupAt(0, 4);
  EXPECT_EQ(mq::Game.MoveCount, 1);
}

TEST_F(PersistTest, UnreadableSettingsAreKeptAsideAndANewGameStarts) {
  CloseMainWindow();
  std::string garbage(mq::SETTINGS_FILE_SIZE, '\xEE');
  HANDLE file = CreateFileA(SettingsPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(file, garbage.data(), static_cast<DWORD>(garbage.size()), &written, nullptr);
  CloseHandle(file);
  const int backupsBefore = CountFiles("*.bak");

  mq::Game = mq::GameState{};
  std::memset(mq::PlayerName, 0, sizeof mq::PlayerName);
  ASSERT_NE(OpenMainWindow(), nullptr);
  EXPECT_STREQ(mq::PlayerName, "Anonymus");
  EXPECT_NE(mq::BoardAt(0, 11), 0) << "a new board, not an empty one";
  EXPECT_EQ(mq::Game.ActiveColumns, 11);
  EXPECT_EQ(CountFiles("*.bak"), backupsBefore + 1);
  RemoveSettings();
}

TEST_F(PersistTest, HighScoresAndNameSurvive) {
  LoadBoard({"......", "......", "......", "......", "......", "1122.."});
  WhenDialog("High Scores", PressCancel);
  RemoveGroupAt(0, 5);
  RemoveGroupAt(0, 5);
  ASSERT_EQ(mq::Game.GameOver, 1);
  mq::HighScoreRecord tables[mq::HIGH_SCORE_RECORDS];
  std::memcpy(tables, mq::HighScoreTables, sizeof tables);
  Reopen();
  EXPECT_EQ(std::memcmp(tables, mq::HighScoreTables, sizeof tables), 0);
  EXPECT_EQ(mq::Game.GameOver, 1) << "a finished game stays finished";
  EXPECT_EQ(mq::Game.HighScoreHandled, 1);
  EXPECT_EQ(mq::Game.Score, 104);

  // The record was entered by the run before: no name field over it now.
  bool fieldShown = true;
  mq::test::DialogDriver driver;
  driver.Expect("High Scores", [&fieldShown](HWND d) {
    fieldShown = IsWindowVisible(GetDlgItem(d, IDC_NAME_FIELD));
    mq::test::Click(d, IDOK);
  });
  driver.Run([] { RunCommand(IDM_SCORES); });
  EXPECT_TRUE(driver.AllDone());
  EXPECT_FALSE(fieldShown);
  EXPECT_EQ(std::memcmp(tables, mq::HighScoreTables, sizeof tables), 0);
}

// A settings file that cannot be written at exit (a folder stands where it
// should be) is named with the reason; Retry tries again, and writes it once
// the way is free; Cancel exits without it.
TEST_F(PersistTest, AFailedWriteAtExitOffersRetryAndCancel) {
  struct Case {
    std::vector<int> Answers;  // IDRETRY, IDCANCEL, or 0: free the way, then retry
    bool Written;
  };
  const Case cases[] = {{{IDCANCEL}, false}, {{IDRETRY, 0}, true}};
  for (const Case& c : cases) {
    if (!Window()) {
      ASSERT_NE(OpenMainWindow(), nullptr);
    }
    RemoveSettings();
    struct FolderInTheWay {
      FolderInTheWay() { CreateDirectoryA(SettingsPath().c_str(), nullptr); }
      ~FolderInTheWay() { RemoveDirectoryA(SettingsPath().c_str()); }
    } folder;
    std::vector<std::string> messages;
    mq::test::DialogDriver driver;
    for (int answer : c.Answers) {
      driver.Expect("Marblequake", [&messages, answer](HWND box) {
        messages.push_back(mq::test::ItemText(box, 0xFFFF));
        if (answer == 0) RemoveDirectoryA(SettingsPath().c_str());
        mq::test::Click(box, answer == 0 ? IDRETRY : answer);
      });
    }
    driver.Run([] { CloseMainWindow(); });
    EXPECT_TRUE(driver.AllDone());
    for (const std::string& failure : driver.Failures()) ADD_FAILURE() << failure;
    EXPECT_EQ(Window(), nullptr);
    ASSERT_EQ(messages.size(), c.Answers.size());
    for (const std::string& message : messages)
      EXPECT_NE(message.find(SettingsPath()), std::string::npos) << message;
    if (c.Written) {
      EXPECT_EQ(FileSize(SettingsPath()), mq::SETTINGS_FILE_SIZE);
    } else {
      const std::string reason = mq::TransferFailureReason();
      const std::string system = mq::FileErrorText();
      EXPECT_NE(reason, "");
      EXPECT_NE(system, "");
      EXPECT_NE(messages[0].find(reason), std::string::npos) << messages[0];
      EXPECT_NE(messages[0].find(system), std::string::npos) << messages[0];
    }
  }
}

}  // namespace
}  // namespace mqtest
