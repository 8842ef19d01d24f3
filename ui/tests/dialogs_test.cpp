// The dialogs on their own, opened with DialogBoxParamA and driven from a
// thread timer as a player would drive them.
// clang-format off
// The headers below build on windows.h.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
// clang-format on
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "game/game_state.h"
#include "resource.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"
#include "ui/tests/dialog_driver.h"
#include "ui/tests/harness.h"

namespace mq {
namespace {

using test::Click;
using test::DialogDriver;
using test::ItemText;
using test::WindowText;

HighScoreRecord Record(const char* name, int points, uint16_t date) {
  HighScoreRecord record = {};
  std::snprintf(record.Name, sizeof record.Name, "%s", name);
  record.Date = date;
  record.Points = points;
  return record;
}

// A table of ten descending scores with names "<prefix>0".."<prefix>9".
void FillTable(int first, const char* prefix, int top) {
  for (int k = 0; k < 10; ++k) {
    char name[14];
    std::snprintf(name, sizeof name, "%s%d", prefix, k);
    HighScoreTables[first + k] =
        Record(name, top - 100 * k, static_cast<uint16_t>(0x8000 | (18 << 9) | (3 << 5) | 5));
  }
}

std::string ExpectedLine(const HighScoreRecord& record) {
  std::snprintf(TextBuffer, sizeof TextBuffer, "%06d - %s ", record.Points, record.Name);
  if (record.Date & 0x8000) DateStamp(record.Date);
  return TextBuffer;
}

bool SameRecord(const HighScoreRecord& a, const HighScoreRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// What the High Scores dialog showed while it was open.
struct ScoresView {
  std::string Caption;
  std::string Lines[10];
  bool NameVisible = false;
  std::string NameText;
  RECT NameRect = {};
  RECT LineRects[10] = {};
  LRESULT NameLimit = 0;
  LRESULT LevelSelection = -1;
  LRESULT SizeSelection = -1;
  std::string LevelEntries[4];
  std::string SizeEntries[4];
  bool ReplayEnabled = false;
};

RECT ClientRectOf(HWND dialog, int id) {
  RECT rect;
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string ListEntry(HWND dialog, int list, int index) {
  char text[64] = {};
  SendDlgItemMessageA(dialog, list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

ScoresView ReadScores(HWND dialog) {
  ScoresView view;
  view.Caption = WindowText(dialog);
  for (int k = 0; k < 10; ++k) {
    view.Lines[k] = ItemText(dialog, IDC_SCORE_LINE_FIRST + k);
    view.LineRects[k] = ClientRectOf(dialog, IDC_SCORE_LINE_FIRST + k);
  }
  HWND field = GetDlgItem(dialog, IDC_NAME_FIELD);
  view.NameVisible = IsWindowVisible(field);
  view.NameText = WindowText(field);
  view.NameRect = ClientRectOf(dialog, IDC_NAME_FIELD);
  view.NameLimit = SendMessageA(field, EM_GETLIMITTEXT, 0, 0);
  view.LevelSelection = SendDlgItemMessageA(dialog, IDC_LEVEL_LIST, CB_GETCURSEL, 0, 0);
  view.SizeSelection = SendDlgItemMessageA(dialog, IDC_SIZE_LIST, CB_GETCURSEL, 0, 0);
  for (int i = 0; i < 4; ++i) {
    view.LevelEntries[i] = ListEntry(dialog, IDC_LEVEL_LIST, i);
    view.SizeEntries[i] = ListEntry(dialog, IDC_SIZE_LIST, i);
  }
  view.ReplayEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_REPLAY_GAME));
  return view;
}

// Chooses an entry in one of the lists as a player would: the selection
// changes and the dialog hears CBN_SELCHANGE.
void Choose(HWND dialog, int list, int index) {
  SendDlgItemMessageA(dialog, list, CB_SETCURSEL, index, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
}

// The text of a message box: its one static control with text.
BOOL CALLBACK FindStaticText(HWND child, LPARAM param) {
  char className[16] = {};
  GetClassNameA(child, className, sizeof className);
  std::string text = WindowText(child);
  if (lstrcmpiA(className, "Static") == 0 && !text.empty()) {
    *reinterpret_cast<std::string*>(param) = text;
    return FALSE;
  }
  return TRUE;
}

std::string MessageText(HWND box) {
  std::string text;
  EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&text));
  return text;
}

// Types into an edit control key by key, over what it held, as the
// keyboard would: the control's own limit applies.
void TypeText(HWND edit, const char* text) {
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, WM_CHAR, VK_BACK, 0);
  for (const char* c = text; *c; ++c) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 0);
}

// A centred static wraps a text wider than itself onto a line its height
// does not show.
bool TextFitsOneLine(HWND control) {
  const std::string text = WindowText(control);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  RECT client;
  GetClientRect(control, &client);
  return size.cx <= client.right;
}

INT_PTR RunDialog(DialogDriver& driver, int resource, DLGPROC procedure) {
  INT_PTR result = -1;
  driver.Run([&] {
    result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), nullptr, procedure, 0);
  });
  return result;
}

// The driver itself: a dialog that never comes, or one nobody expected,
// fails the test in bounded time instead of hanging it.
TEST(DialogDriverTest, AMissingDialogFailsWithinItsTime) {
  DialogDriver driver;
  bool acted = false;
  driver.Expect(
      "Never Shown", [&](HWND) { acted = true; }, 300);
  const DWORD start = GetTickCount();
  driver.Run([] {});
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_FALSE(acted);
  EXPECT_FALSE(driver.AllDone());
  ASSERT_EQ(driver.Failures().size(), 1u);
  EXPECT_NE(driver.Failures()[0].find("Never Shown"), std::string::npos);
}

TEST(DialogDriverTest, AnUnexpectedDialogIsCancelled) {
  DialogDriver driver;
  int answer = 0;
  driver.Run([&] { answer = MessageBoxA(nullptr, "Nobody waits for this", "Stray", MB_OKCANCEL); });
  EXPECT_EQ(answer, IDCANCEL);
  ASSERT_EQ(driver.Failures().size(), 1u);
  EXPECT_NE(driver.Failures()[0].find("Stray"), std::string::npos);
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Game = GameState{};
    std::memset(HighScoreTables, 0, sizeof HighScoreTables);
    std::snprintf(PlayerName, sizeof PlayerName, "Anonymus");
    NewRecordIndex = -1;
  }
  void ExpectDriverDone(const DialogDriver& driver) {
    EXPECT_TRUE(driver.AllDone());
    for (const std::string& failure : driver.Failures()) ADD_FAILURE() << failure;
  }
};

class ScoresDialogTest : public DialogsTest {
 protected:
  // A finished game on Difficult/Big whose score entered table 80 at place 3.
  void FinishedGameAtPlace3() {
    Game.GameSettings.Level = 2;
    Game.GameSettings.BoardSize = 2;
    FillTable(80, "p", 5000);
    Game.GameOver = 1;
    Game.HighScoreHandled = 1;
    Game.MoveCount = 7;
    Game.Score = 4700;
    HighScoreTables[83] = Record("Anonymus", 4700, static_cast<uint16_t>(0x8000 | (18 << 9) | (12 << 5) | 7));
    NewRecordIndex = 83;
  }
};

TEST_F(ScoresDialogTest, OpensOnTheGameTableWithBothListsSelected) {
  Game.GameSettings.Level = 2;
  Game.GameSettings.BoardSize = 2;
  FillTable(80, "big", 9000);
  FillTable(60, "small", 3000);
  ScoresView view, afterSwitch;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    view = ReadScores(d);
    Choose(d, IDC_SIZE_LIST, 0);
    afterSwitch = ReadScores(d);
    Click(d, IDOK);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDOK);
  ExpectDriverDone(driver);

  EXPECT_EQ(view.Caption, "High Scores");
  EXPECT_EQ(view.LevelSelection, 2);
  EXPECT_EQ(view.SizeSelection, 2);
  const char* levels[] = {"Easy", "Standard", "Difficult", "Hard"};
  const char* sizes[] = {"Small", "Medium", "Big", "Custom"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(view.LevelEntries[i], levels[i]);
    EXPECT_EQ(view.SizeEntries[i], sizes[i]);
  }
  EXPECT_EQ(GameTableIndex, 80);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(view.Lines[k], ExpectedLine(HighScoreTables[80 + k])) << k;
  EXPECT_EQ(view.Lines[0].rfind("009000 - big0 ", 0), 0u) << view.Lines[0];
  EXPECT_FALSE(view.NameVisible) << "no game is over";
  EXPECT_FALSE(view.ReplayEnabled) << "no move was applied";

  EXPECT_EQ(ShownTableIndex, 60);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(afterSwitch.Lines[k], ExpectedLine(HighScoreTables[60 + k])) << k;
}

TEST_F(ScoresDialogTest, EmptyPlacesShowZerosAndNoDate) {
  ScoresView view;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    view = ReadScores(d);
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDCANCEL);
  ExpectDriverDone(driver);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(view.Lines[k], "000000 -  ") << k;
}

// A name from a file may fill all 14 bytes with no terminator: the line
// shows those 14 and nothing of the bytes after them.
TEST_F(ScoresDialogTest, ANameFillingItsWholeFieldShowsNoMore) {
  Game.GameSettings.Level = 0;
  Game.GameSettings.BoardSize = 0;
  std::memcpy(HighScoreTables[0].Name, "ABCDEFGHIJKLMN", 14);
  HighScoreTables[0].Date = 0x4141;  // no date, but printable bytes right after the name
  HighScoreTables[0].Points = 0x41414141;
  std::string line;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    line = ItemText(d, IDC_SCORE_LINE_FIRST);
    Click(d, IDOK);
  });
  RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc);
  ExpectDriverDone(driver);
  EXPECT_EQ(line, std::to_string(0x41414141) + " - ABCDEFGHIJKLMN ");
}

TEST_F(ScoresDialogTest, NameFieldLiesOnTheNewRecordLinePrefilled) {
  FinishedGameAtPlace3();
  ScoresView view, otherTable, backAgain;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    view = ReadScores(d);
    Choose(d, IDC_LEVEL_LIST, 0);
    otherTable = ReadScores(d);
    Choose(d, IDC_LEVEL_LIST, 2);
    backAgain = ReadScores(d);
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDCANCEL);
  ExpectDriverDone(driver);

  ASSERT_TRUE(view.NameVisible);
  EXPECT_EQ(view.NameText, "Anonymus");
  EXPECT_EQ(view.NameLimit, 14);
  const RECT& line = view.LineRects[3];
  EXPECT_EQ(view.NameRect.left, line.left + 46);
  EXPECT_EQ(view.NameRect.top, line.top);
  EXPECT_EQ(view.NameRect.right - view.NameRect.left, line.right - line.left - 60);
  EXPECT_EQ(view.NameRect.bottom - view.NameRect.top, line.bottom - line.top);
  EXPECT_TRUE(view.ReplayEnabled);
  EXPECT_FALSE(otherTable.NameVisible) << "another table is shown";
  EXPECT_TRUE(backAgain.NameVisible);
}

TEST_F(ScoresDialogTest, CloseStoresTheTypedNameInTheRecordAndAsPlayerName) {
  FinishedGameAtPlace3();
  HighScoreRecord before[10];
  std::memcpy(before, &HighScoreTables[80], sizeof before);
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Marble Master");
    Click(d, IDOK);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDOK);
  ExpectDriverDone(driver);
  EXPECT_STREQ(PlayerName, "Marble Master");
  EXPECT_STREQ(HighScoreTables[83].Name, "Marble Master");
  EXPECT_EQ(HighScoreTables[83].Points, 4700);
  for (int k = 0; k < 10; ++k) {
    if (k != 3) {
      EXPECT_TRUE(SameRecord(HighScoreTables[80 + k], before[k])) << k;
    }
  }
}

// The player types into the field and presses Enter, which is "&Close".
TEST_F(ScoresDialogTest, EnterInTheNameFieldStoresTheName) {
  FinishedGameAtPlace3();
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    HWND field = GetDlgItem(d, IDC_NAME_FIELD);
    SetFocus(field);
    TypeText(field, "Keyboard");
    PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDOK);
  ExpectDriverDone(driver);
  EXPECT_STREQ(PlayerName, "Keyboard");
  EXPECT_STREQ(HighScoreTables[83].Name, "Keyboard");
}

TEST_F(ScoresDialogTest, TheNameTakesAtMostThirteenCharacters) {
  FinishedGameAtPlace3();
  std::string typed;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    TypeText(GetDlgItem(d, IDC_NAME_FIELD), "ABCDEFGHIJKLMNOP");
    typed = ItemText(d, IDC_NAME_FIELD);
    Click(d, IDOK);
  });
  RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc);
  ExpectDriverDone(driver);
  EXPECT_EQ(typed, "ABCDEFGHIJKLMN") << "the field takes 14";
  EXPECT_STREQ(PlayerName, "ABCDEFGHIJKLM");
  EXPECT_STREQ(HighScoreTables[83].Name, "ABCDEFGHIJKLM");
}

TEST_F(ScoresDialogTest, EscapeKeepsRecordAndPlayerName) {
  FinishedGameAtPlace3();
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Somebody");
    PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDCANCEL);
  ExpectDriverDone(driver);
  EXPECT_STREQ(PlayerName, "Anonymus");
  EXPECT_STREQ(HighScoreTables[83].Name, "Anonymus");
}

TEST_F(ScoresDialogTest, NameIsNotStoredWhileAnotherTableIsShown) {
  FinishedGameAtPlace3();
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Somebody");
    Choose(d, IDC_SIZE_LIST, 1);
    Click(d, IDOK);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDOK);
  ExpectDriverDone(driver);
  EXPECT_STREQ(PlayerName, "Anonymus");
  EXPECT_STREQ(HighScoreTables[83].Name, "Anonymus");
}

// A game that entered no record but equals another game's score: that
// record keeps its name, the field stays hidden and only PlayerName changes.
TEST_F(ScoresDialogTest, AnEqualScoreOfAnotherGameIsNeverRenamed) {
  FinishedGameAtPlace3();
  NewRecordIndex = -1;
  Game.Score = 4500;  // the same as place 5 ("p4" after the insertion above is at 84)
  HighScoreRecord before[10];
  std::memcpy(before, &HighScoreTables[80], sizeof before);
  ScoresView view;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    view = ReadScores(d);
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Intruder");
    Click(d, IDOK);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDOK);
  ExpectDriverDone(driver);
  EXPECT_FALSE(view.NameVisible);
  EXPECT_STREQ(PlayerName, "Intruder");
  EXPECT_EQ(std::memcmp(before, &HighScoreTables[80], sizeof before), 0);
}

struct ClearCase {
  int Level;
  int Size;
  const char* Question;
};

class ClearScoresTest : public ScoresDialogTest, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(ClearScoresTest, AsksThenClearsOnlyTheChosenTable) {
  const ClearCase& c = GetParam();
  for (int t = 0; t <= 120; t += 10) FillTable(t, "x", 1000 + t);
  HighScoreRecord before[HIGH_SCORE_RECORDS];
  std::memcpy(before, HighScoreTables, sizeof before);
  const int cleared = ScoreTableIndex(c.Level, c.Size);

  std::string question, caption;
  ScoresView afterNo, afterYes;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    Choose(d, IDC_LEVEL_LIST, c.Level);
    Choose(d, IDC_SIZE_LIST, c.Size);
    Click(d, IDC_CLEAR_SCORES);
  });
  driver.Expect("Marblequake", [&](HWND box) {
    question = MessageText(box);
    caption = WindowText(box);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
  });
  driver.Expect("High Scores", [&](HWND d) {
    afterNo = ReadScores(d);
    Click(d, IDC_CLEAR_SCORES);
  });
  driver.Expect("Marblequake", [&](HWND box) { PostMessageA(box, WM_COMMAND, IDYES, 0); });
  driver.Expect("High Scores", [&](HWND d) {
    afterYes = ReadScores(d);
    Click(d, IDOK);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDOK);
  ExpectDriverDone(driver);

  EXPECT_EQ(question, c.Question);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(afterNo.Lines[k], ExpectedLine(before[cleared + k])) << k;
  for (int k = 0; k < 10; ++k) EXPECT_EQ(afterYes.Lines[k], "000000 -  ") << k;
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) {
    if (i >= cleared && i < cleared + 10) {
      EXPECT_TRUE(SameRecord(HighScoreTables[i], HighScoreRecord{})) << i;
    } else {
      EXPECT_TRUE(SameRecord(HighScoreTables[i], before[i])) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, ClearScoresTest,
                         ::testing::Values(ClearCase{3, 0, "Clear Scores for Small-Hard?"},
                                           ClearCase{1, 1, "Clear Scores for Medium-Standard?"},
                                           ClearCase{0, 3, "Clear Scores for Custom-Easy?"}));

TEST_F(ScoresDialogTest, OtherScoringRulesShowAndClearTheSharedTable) {
  Game.GameSettings.ScoringRule = 2;
  FillTable(120, "shared", 7000);
  FillTable(0, "easy", 2000);
  ScoresView views[3];
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    views[0] = ReadScores(d);
    Choose(d, IDC_LEVEL_LIST, 0);
    Choose(d, IDC_SIZE_LIST, 0);
    views[1] = ReadScores(d);
    Click(d, IDC_CLEAR_SCORES);
  });
  driver.Expect("Marblequake", [&](HWND box) { PostMessageA(box, WM_COMMAND, IDYES, 0); });
  driver.Expect("High Scores", [&](HWND d) {
    views[2] = ReadScores(d);
    Click(d, IDOK);
  });
  RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc);
  ExpectDriverDone(driver);
  EXPECT_EQ(views[0].Lines[0].rfind("007000 - shared0 ", 0), 0u) << views[0].Lines[0];
  EXPECT_EQ(views[1].Lines[0], views[0].Lines[0]);
  EXPECT_EQ(views[2].Lines[0], "000000 -  ");
  EXPECT_EQ(HighScoreTables[120].Points, 0);
  EXPECT_EQ(HighScoreTables[0].Points, 2000) << "the easy table under the first rule stays";
}

// Clearing the game's own table takes its new record with it: the field
// hides and closing renames nothing.
TEST_F(ScoresDialogTest, ClearingTheGameTableHidesTheNameField) {
  FinishedGameAtPlace3();
  ScoresView view;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) { Click(d, IDC_CLEAR_SCORES); });
  driver.Expect("Marblequake", [&](HWND box) { PostMessageA(box, WM_COMMAND, IDYES, 0); });
  driver.Expect("High Scores", [&](HWND d) {
    view = ReadScores(d);
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Ghost");
    Click(d, IDOK);
  });
  RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc);
  ExpectDriverDone(driver);
  EXPECT_FALSE(view.NameVisible);
  for (int k = 0; k < 10; ++k) EXPECT_TRUE(SameRecord(HighScoreTables[80 + k], HighScoreRecord{})) << k;
}

TEST_F(ScoresDialogTest, NewGameStoresTheChosenLevelAndSizeAndTheName) {
  FinishedGameAtPlace3();
  Game.GameSettings.Columns = 13;
  Game.GameSettings.Rows = 9;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Newcomer");
    Click(d, IDC_NEW_GAME);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDC_NEW_GAME);
  ExpectDriverDone(driver);
  EXPECT_EQ(Game.GameSettings.Level, 2);
  EXPECT_EQ(Game.GameSettings.BoardSize, 2);
  EXPECT_STREQ(HighScoreTables[83].Name, "Newcomer");

  // Custom keeps the configured columns and rows; the lists name the table.
  DialogDriver again;
  again.Expect("High Scores", [&](HWND d) {
    Choose(d, IDC_LEVEL_LIST, 3);
    Choose(d, IDC_SIZE_LIST, 3);
    Click(d, IDC_NEW_GAME);
  });
  EXPECT_EQ(RunDialog(again, IDD_HIGH_SCORES, ScoresDlgProc), IDC_NEW_GAME);
  ExpectDriverDone(again);
  EXPECT_EQ(Game.GameSettings.Level, 3);
  EXPECT_EQ(Game.GameSettings.BoardSize, 3);
  EXPECT_EQ(Game.GameSettings.Columns, 13);
  EXPECT_EQ(Game.GameSettings.Rows, 9);
}

TEST_F(ScoresDialogTest, ReplayGameStoresTheNameAndEndsWith150) {
  FinishedGameAtPlace3();
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Again");
    Click(d, IDC_REPLAY_GAME);
  });
  EXPECT_EQ(RunDialog(driver, IDD_HIGH_SCORES, ScoresDlgProc), IDC_REPLAY_GAME);
  ExpectDriverDone(driver);
  EXPECT_STREQ(PlayerName, "Again");
  EXPECT_STREQ(HighScoreTables[83].Name, "Again");
}

TEST_F(DialogsTest, CustomSizeSelectsTheCurrentSizeAndStoresOnOkOnly) {
  Game.GameSettings.Columns = 11;
  Game.GameSettings.Rows = 12;
  std::string caption, columns, rows, first, last;
  LRESULT count = 0;
  DialogDriver driver;
  driver.Expect("", [&](HWND d) {
    caption = WindowText(d);
    columns = ItemText(d, IDC_COLUMNS_LIST);
    rows = ItemText(d, IDC_ROWS_LIST);
    count = SendDlgItemMessageA(d, IDC_ROWS_LIST, CB_GETCOUNT, 0, 0);
    first = ListEntry(d, IDC_COLUMNS_LIST, 0);
    last = ListEntry(d, IDC_COLUMNS_LIST, 23);
    SendDlgItemMessageA(d, IDC_COLUMNS_LIST, CB_SETCURSEL, 23, 0);
    SendDlgItemMessageA(d, IDC_ROWS_LIST, CB_SETCURSEL, 0, 0);
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(RunDialog(driver, IDD_CUSTOM_SIZE, CustomSizeDlgProc), IDCANCEL);
  ExpectDriverDone(driver);
  EXPECT_EQ(columns, "11");
  EXPECT_EQ(rows, "12");
  EXPECT_EQ(count, 24);
  EXPECT_EQ(first, "6");
  EXPECT_EQ(last, "29");
  EXPECT_EQ(Game.GameSettings.Columns, 11);
  EXPECT_EQ(Game.GameSettings.Rows, 12);

  DialogDriver ok;
  ok.Expect("", [&](HWND d) {
    SendDlgItemMessageA(d, IDC_COLUMNS_LIST, CB_SETCURSEL, 23, 0);
    SendDlgItemMessageA(d, IDC_ROWS_LIST, CB_SETCURSEL, 0, 0);
    Click(d, IDOK);
  });
  EXPECT_EQ(RunDialog(ok, IDD_CUSTOM_SIZE, CustomSizeDlgProc), IDOK);
  ExpectDriverDone(ok);
  EXPECT_EQ(Game.GameSettings.Columns, 29);
  EXPECT_EQ(Game.GameSettings.Rows, 6);
}

// A size the lists do not hold selects nothing; OK then gives the nearest
// size they hold, never one outside them.
TEST_F(DialogsTest, CustomSizeOutsideTheListsComesBackInside) {
  Game.GameSettings.Columns = 3;
  Game.GameSettings.Rows = 40;
  LRESULT columnSelection = 0, rowSelection = 0;
  DialogDriver driver;
  driver.Expect("", [&](HWND d) {
    columnSelection = SendDlgItemMessageA(d, IDC_COLUMNS_LIST, CB_GETCURSEL, 0, 0);
    rowSelection = SendDlgItemMessageA(d, IDC_ROWS_LIST, CB_GETCURSEL, 0, 0);
    Click(d, IDOK);
  });
  EXPECT_EQ(RunDialog(driver, IDD_CUSTOM_SIZE, CustomSizeDlgProc), IDOK);
  ExpectDriverDone(driver);
  EXPECT_EQ(columnSelection, CB_ERR);
  EXPECT_EQ(rowSelection, CB_ERR);
  EXPECT_EQ(Game.GameSettings.Columns, 6);
  EXPECT_EQ(Game.GameSettings.Rows, 29);
}

TEST_F(DialogsTest, AboutShowsNameVersionAndCredit) {
  std::string version, credit, contact, spare;
  bool fits[3] = {};
  DialogDriver driver;
  driver.Expect("About Marblequake", [&](HWND d) {
    for (int i = 0; i < 3; ++i) fits[i] = TextFitsOneLine(GetDlgItem(d, IDC_ABOUT_VERSION + i));
    version = ItemText(d, IDC_ABOUT_VERSION);
    credit = ItemText(d, IDC_ABOUT_CREDIT);
    contact = ItemText(d, IDC_ABOUT_CONTACT);
    spare = ItemText(d, IDC_ABOUT_SPARE);
    PostMessageA(d, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(RunDialog(driver, IDD_ABOUT, AboutDlgProc), IDOK);
  ExpectDriverDone(driver);
  EXPECT_EQ(version, "Version: 1.07");
  EXPECT_EQ(credit, "By the Marblequake project");
  EXPECT_EQ(contact, "Write to the Marblequake team");
  EXPECT_EQ(spare, "");
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(fits[i]) << "line " << IDC_ABOUT_VERSION + i << " wraps or is cut";

  DialogDriver escape;
  escape.Expect("About Marblequake", [&](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); });
  EXPECT_EQ(RunDialog(escape, IDD_ABOUT, AboutDlgProc), IDCANCEL);
  ExpectDriverDone(escape);
}

struct ClosingCase {
  int Resource;
  DLGPROC Procedure;
  const char* Title;
  bool EscapeKey;  // otherwise the caption's close button
};

class DialogClosingTest : public DialogsTest, public ::testing::WithParamInterface<ClosingCase> {};

// The Escape key and the caption's close button end every dialog with 2,
// and leave the game's settings alone.
TEST_P(DialogClosingTest, EndsWithCancel) {
  const ClosingCase& c = GetParam();
  Game.GameOver = 1;
  const GameSettingsRecord before = Game.GameSettings;
  DialogDriver driver;
  driver.Expect(c.Title, [&](HWND d) {
    if (c.EscapeKey) {
      PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    } else {
      PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
  });
  EXPECT_EQ(RunDialog(driver, c.Resource, c.Procedure), IDCANCEL);
  ExpectDriverDone(driver);
  EXPECT_EQ(std::memcmp(&before, &Game.GameSettings, sizeof before), 0);
  EXPECT_STREQ(PlayerName, "Anonymus");
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogClosingTest,
                         ::testing::Values(ClosingCase{IDD_HIGH_SCORES, ScoresDlgProc, "High Scores", true},
                                           ClosingCase{IDD_HIGH_SCORES, ScoresDlgProc, "High Scores", false},
                                           ClosingCase{IDD_CUSTOM_SIZE, CustomSizeDlgProc, "", true},
                                           ClosingCase{IDD_CUSTOM_SIZE, CustomSizeDlgProc, "", false},
                                           ClosingCase{IDD_ABOUT, AboutDlgProc, "About Marblequake", true},
                                           ClosingCase{IDD_ABOUT, AboutDlgProc, "About Marblequake", false}));

// The run's private folder, in Windows form.
std::string TempFolder() { return mqtest::TempDir() + "\\"; }

HWND SaveNameEdit(HWND dialog) {
  return reinterpret_cast<HWND>(SendMessageA(GetDlgItem(dialog, cmb13), CBEM_GETEDITCONTROL, 0, 0));
}

std::string DatedName() {
  SYSTEMTIME today;
  GetLocalTime(&today);
  char name[16];
  std::snprintf(name, sizeof name, "Mqz%02d%02d%02d", today.wYear % 100, today.wMonth, today.wDay);
  return name;
}

TEST_F(DialogsTest, CancelledFileDialogsLeaveFilePathEmpty) {
  for (int save = 0; save <= 1; ++save) {
    std::snprintf(FilePath, sizeof FilePath, "C:\\left\\over.mqz");
    DialogDriver driver;
    driver.Expect(save ? "Save As" : "Open", [&](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); });
    int chosen = -1;
    driver.Run([&] { chosen = ChooseGameFile(nullptr, save); });
    ExpectDriverDone(driver);
    EXPECT_EQ(chosen, 0) << save;
    EXPECT_STREQ(FilePath, "") << save;
  }
}

TEST_F(DialogsTest, SaveProposesTheDatedNameAndAddsTheExtension) {
  std::snprintf(FilePath, sizeof FilePath, "C:\\some\\other.mqz");
  std::string proposed;
  const std::string target = TempFolder() + "chosen";
  DialogDriver driver;
  bool readOnlyShown = true;
  driver.Expect("Save As", [&](HWND d) {
    proposed = WindowText(SaveNameEdit(d));
    readOnlyShown = IsWindowVisible(GetDlgItem(d, chx1));
    SetWindowTextA(SaveNameEdit(d), target.c_str());
    PostMessageA(d, WM_COMMAND, IDOK, 0);
  });
  int chosen = -1;
  driver.Run([&] { chosen = ChooseGameFile(nullptr, 1); });
  ExpectDriverDone(driver);
  EXPECT_EQ(proposed, DatedName());
  EXPECT_FALSE(readOnlyShown);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(lstrcmpiA(FilePath, (target + ".mqz").c_str()), 0) << FilePath;
}

TEST_F(DialogsTest, OpenAcceptsAMissingFileInAnExistingFolder) {
  const std::string target = TempFolder() + "not-there.mqz";
  DeleteFileA(target.c_str());
  bool readOnlyShown = false;
  DialogDriver driver;
  driver.Expect("Open", [&](HWND d) {
    readOnlyShown = IsWindowVisible(GetDlgItem(d, chx1));
    SendMessageA(d, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(target.c_str()));
    PostMessageA(d, WM_COMMAND, IDOK, 0);
  });
  int chosen = -1;
  driver.Run([&] { chosen = ChooseGameFile(nullptr, 0); });
  ExpectDriverDone(driver);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(lstrcmpiA(FilePath, target.c_str()), 0) << FilePath;
  EXPECT_TRUE(readOnlyShown);
}

// ---- Through the real window ----------------------------------------------

// What a game is, for telling whether a command changed it.
struct GameSnapshot {
  uint8_t Board[GRID_CELLS];
  RemovedCell Log[LOG_CAPACITY];
  uint16_t MoveIndex[MOVE_INDEX_CAPACITY];
  int32_t MoveCount, MoveTotal, Score, GameOver, ActiveColumns, ActiveRows;
  GameSettingsRecord Settings;

  static GameSnapshot Take() {
    GameSnapshot s;
    std::memset(static_cast<void*>(&s), 0, sizeof s);
    std::memcpy(s.Board, Game.Board, sizeof s.Board);
    std::memcpy(s.Log, Game.RemovedCellLog, sizeof s.Log);
    std::memcpy(s.MoveIndex, Game.MoveIndex, sizeof s.MoveIndex);
    s.MoveCount = Game.MoveCount;
    s.MoveTotal = Game.MoveTotal;
    s.Score = Game.Score;
    s.GameOver = Game.GameOver;
    s.ActiveColumns = Game.ActiveColumns;
    s.ActiveRows = Game.ActiveRows;
    s.Settings = Game.GameSettings;
    return s;
  }
  bool operator==(const GameSnapshot& other) const { return std::memcmp(this, &other, sizeof other) == 0; }
  // The parts that differ, for the failure message.
  std::string Differences(const GameSnapshot& other) const {
    std::string parts;
    auto check = [&](const void* a, const void* b, size_t size, const char* name) {
      if (std::memcmp(a, b, size) != 0) parts += std::string(name) + " ";
    };
    check(Board, other.Board, sizeof Board, "board");
    check(Log, other.Log, sizeof Log, "log");
    check(MoveIndex, other.MoveIndex, sizeof MoveIndex, "move-index");
    check(&MoveCount, &other.MoveCount, 6 * sizeof(int32_t), "counters");
    check(&Settings, &other.Settings, sizeof Settings, "settings");
    return parts;
  }
};

// A cell of some group of two or more, or false when none is left.
bool FindGroup(int& column, int& row) {
  for (int c = 0; c < Game.ActiveColumns; ++c) {
    for (int r = 0; r < Game.ActiveRows; ++r) {
      const uint8_t tile = BoardAt(c, r);
      if (tile != 0 && (BoardAt(c + 1, r) == tile || BoardAt(c, r + 1) == tile)) {
        column = c;
        row = r;
        return true;
      }
    }
  }
  return false;
}

std::vector<unsigned char> FileBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  unsigned char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    bytes.insert(bytes.end(), buffer, buffer + read);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class WindowDialogsTest : public mqtest::MainWindowTest {
 protected:
  void ExpectDriverDone(const DialogDriver& driver) {
    EXPECT_TRUE(driver.AllDone());
    for (const std::string& failure : driver.Failures()) ADD_FAILURE() << failure;
  }

  // A custom board whose one move ends the game with 2 + 60 points, over a
  // shared table where that score takes place 4 (record 123).
  void PrepareLastMove() {
    const int points[] = {1000, 500, 100, 50};
    const char* names[] = {"Ann", "Ben", "Cid", "Dee"};
    for (int k = 0; k < 4; ++k)
      HighScoreTables[120 + k] = Record(names[k], points[k], 0x8000 | 18 << 9 | 1 << 5 | 2);
    mqtest::LoadBoard({"11", "23"});
  }

  // Plays the last move; `atDialog` acts on the High Scores dialog it opens.
  INT_PTR PlayLastMove(DialogDriver::Action atDialog) {
    INT_PTR shown = 0;
    DialogDriver driver;
    driver.Expect("High Scores", [&](HWND d) {
      shown = 1;
      atDialog(d);
    });
    driver.Run([] { mqtest::RemoveGroupAt(0, 0); });
    ExpectDriverDone(driver);
    return shown;
  }

  // Runs a menu command that opens the Open or Save dialog and gives it `path`.
  void ChooseFile(int command, const std::string& path, DialogDriver::Action more = nullptr) {
    DialogDriver driver;
    const bool save = command == IDM_SAVE;
    driver.Expect(save ? "Save As" : "Open", [&](HWND d) {
      if (save) {
        SetWindowTextA(SaveNameEdit(d), path.c_str());
      } else {
        SendMessageA(d, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(path.c_str()));
      }
      PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    if (more) driver.Expect("Marblequake", more);
    driver.Run([&] { mqtest::RunCommand(command); });
    ExpectDriverDone(driver);
  }

  // Three moves and one undo: a history with a move to redo.
  void PlaySomeMoves() {
    for (int i = 0; i < 3; ++i) {
      int c = 0, r = 0;
      ASSERT_TRUE(FindGroup(c, r));
      mqtest::RemoveGroupAt(c, r);
    }
    mqtest::RunCommand(IDM_UNDO);
    ASSERT_EQ(Game.MoveCount, 2);
    ASSERT_EQ(Game.MoveTotal, 3);
  }
};

TEST_F(WindowDialogsTest, TheEndOfAGameShowsItsTableWithTheNameFieldOnItsRecord) {
  PrepareLastMove();
  ScoresView view;
  ASSERT_TRUE(PlayLastMove([&](HWND d) {
    view = ReadScores(d);
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Winner");
    Click(d, IDOK);
  }));
  EXPECT_EQ(NewRecordIndex, 123);
  EXPECT_EQ(view.LevelSelection, Game.GameSettings.Level);
  EXPECT_EQ(view.SizeSelection, 3);
  EXPECT_EQ(view.Lines[3].rfind("000062 - Anonymus ", 0), 0u) << view.Lines[3];
  EXPECT_EQ(view.Lines[4].rfind("000050 - Dee ", 0), 0u) << view.Lines[4];
  ASSERT_TRUE(view.NameVisible);
  EXPECT_EQ(view.NameText, "Anonymus");
  EXPECT_EQ(view.NameRect.top, view.LineRects[3].top);
  EXPECT_EQ(view.NameRect.left, view.LineRects[3].left + 46);
  EXPECT_TRUE(view.ReplayEnabled);

  EXPECT_STREQ(HighScoreTables[123].Name, "Winner");
  EXPECT_EQ(HighScoreTables[123].Points, 62);
  EXPECT_STREQ(HighScoreTables[124].Name, "Dee");
  EXPECT_STREQ(PlayerName, "Winner");
  EXPECT_EQ(mqtest::StatusText(0), "Winner");
}

TEST_F(WindowDialogsTest, EscapeAtTheEndKeepsRecordAndPlayerName) {
  PrepareLastMove();
  ASSERT_TRUE(PlayLastMove([](HWND d) {
    SetDlgItemTextA(d, IDC_NAME_FIELD, "Nobody");
    PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
  }));
  EXPECT_STREQ(HighScoreTables[123].Name, "Anonymus");
  EXPECT_STREQ(PlayerName, "Anonymus");
  EXPECT_EQ(Game.GameOver, 1);
}

TEST_F(WindowDialogsTest, NewGameFromTheDialogDealsTheChosenLevelAndSize) {
  PrepareLastMove();
  ASSERT_TRUE(PlayLastMove([](HWND d) {
    Choose(d, IDC_LEVEL_LIST, 0);
    Choose(d, IDC_SIZE_LIST, 1);
    Click(d, IDC_NEW_GAME);
  }));
  EXPECT_EQ(Game.GameSettings.Level, 0);
  EXPECT_EQ(Game.GameSettings.BoardSize, 1);
  EXPECT_EQ(Game.ActiveColumns, 16);
  EXPECT_EQ(Game.ActiveRows, 17);
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.Score, 0);
  for (int c = 0; c < 16; ++c) {
    for (int r = 0; r < 17; ++r) {
      EXPECT_TRUE(BoardAt(c, r) >= 1 && BoardAt(c, r) <= 3) << c << "," << r;
    }
  }
  RECT client;
  GetClientRect(mqtest::Window(), &client);
  EXPECT_GE(client.right, 16 * Game.CellPitch);
}

TEST_F(WindowDialogsTest, ReplayFromTheDialogRestoresTheStartingBoard) {
  PrepareLastMove();
  const GameSnapshot start = GameSnapshot::Take();
  ASSERT_TRUE(PlayLastMove([](HWND d) { Click(d, IDC_REPLAY_GAME); }));
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.MoveTotal, 1);
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(std::memcmp(Game.Board, start.Board, sizeof start.Board), 0);
  EXPECT_EQ(HighScoreTables[123].Points, 62) << "the record stays";
}

TEST_F(WindowDialogsTest, TheScoresCommandOpensTheDialogWithReplayDisabledBeforeAMove) {
  ScoresView view;
  DialogDriver driver;
  driver.Expect("High Scores", [&](HWND d) {
    view = ReadScores(d);
    Click(d, IDOK);
  });
  driver.Run([] { mqtest::RunCommand(IDM_SCORES); });
  ExpectDriverDone(driver);
  EXPECT_FALSE(view.ReplayEnabled);
  EXPECT_FALSE(view.NameVisible);
}

TEST_F(WindowDialogsTest, CustomSizeStartsANewGameOnOkOnly) {
  ASSERT_EQ(Game.GameSettings.Columns, 11);
  ASSERT_EQ(Game.GameSettings.Rows, 12);
  const GameSnapshot before = GameSnapshot::Take();
  std::string columns, rows;
  DialogDriver cancel;
  cancel.Expect("", [&](HWND d) {
    columns = ItemText(d, IDC_COLUMNS_LIST);
    rows = ItemText(d, IDC_ROWS_LIST);
    SendDlgItemMessageA(d, IDC_COLUMNS_LIST, CB_SETCURSEL, 23, 0);
    Click(d, IDCANCEL);
  });
  cancel.Run([] { mqtest::RunCommand(IDM_SIZE_CUSTOM); });
  ExpectDriverDone(cancel);
  EXPECT_EQ(columns, "11");
  EXPECT_EQ(rows, "12");
  EXPECT_EQ(GameSnapshot::Take().Differences(before), "");

  DialogDriver ok;
  ok.Expect("", [](HWND d) {
    SendDlgItemMessageA(d, IDC_COLUMNS_LIST, CB_SETCURSEL, 23, 0);
    SendDlgItemMessageA(d, IDC_ROWS_LIST, CB_SETCURSEL, 0, 0);
    Click(d, IDOK);
  });
  ok.Run([] { mqtest::RunCommand(IDM_SIZE_CUSTOM); });
  ExpectDriverDone(ok);
  EXPECT_EQ(Game.GameSettings.BoardSize, 3);
  EXPECT_EQ(Game.ActiveColumns, 29);
  EXPECT_EQ(Game.ActiveRows, 6);
  EXPECT_NE(BoardAt(28, 5), 0);
  EXPECT_EQ(BoardAt(28, 6), 0);
}

TEST_F(WindowDialogsTest, AboutFromTheMenu) {
  std::string version;
  DialogDriver driver;
  driver.Expect("About Marblequake", [&](HWND d) {
    version = ItemText(d, IDC_ABOUT_VERSION);
    PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
  });
  driver.Run([] { mqtest::RunCommand(IDM_ABOUT); });
  ExpectDriverDone(driver);
  EXPECT_EQ(version, "Version: 1.07");
}

TEST_F(WindowDialogsTest, SaveAndOpenRoundTripAGameWithItsHistory) {
  PlaySomeMoves();
  const std::string path = mqtest::TempPath("round.mqz");
  DeleteFileA(path.c_str());
  ChooseFile(IDM_SAVE, path);
  const GameSnapshot saved = GameSnapshot::Take();
  EXPECT_EQ(FileBytes(path).size(), static_cast<size_t>(SAVED_GAME_SIZE));

  mqtest::RunCommand(IDM_NEW);
  ASSERT_FALSE(GameSnapshot::Take() == saved);
  ChooseFile(IDM_OPEN, path);
  EXPECT_EQ(GameSnapshot::Take().Differences(saved), "");
  EXPECT_EQ(lstrcmpiA(FilePath, path.c_str()), 0) << FilePath;

  // The history came along: the undone move can be redone.
  mqtest::RunCommand(IDM_REDO);
  EXPECT_EQ(Game.MoveCount, 3);
}

// Wine titles its question "Error"; "No" returns to the Save dialog.
TEST_F(WindowDialogsTest, SavingOverAGameAsksFirst) {
  const std::string path = mqtest::TempPath("twice.mqz");
  DeleteFileA(path.c_str());
  ChooseFile(IDM_SAVE, path);
  const std::vector<unsigned char> first = FileBytes(path);
  ASSERT_EQ(first.size(), static_cast<size_t>(SAVED_GAME_SIZE));
  int c = 0, r = 0;
  ASSERT_TRUE(FindGroup(c, r));
  mqtest::RemoveGroupAt(c, r);

  for (int answer : {IDNO, IDYES}) {
    std::string question;
    DialogDriver driver;
    driver.Expect("Save As", [&](HWND d) {
      SetWindowTextA(SaveNameEdit(d), path.c_str());
      PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    driver.Expect("Error", [&](HWND box) {
      question = MessageText(box);
      PostMessageA(box, WM_COMMAND, answer, 0);
    });
    if (answer == IDNO) driver.Expect("Save As", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); });
    driver.Run([] { mqtest::RunCommand(IDM_SAVE); });
    ExpectDriverDone(driver);
    EXPECT_NE(question.find("already exists"), std::string::npos) << question;
    EXPECT_EQ(FileBytes(path) == first, answer == IDNO);
  }
}

TEST_F(WindowDialogsTest, CancelledFileDialogsChangeNothing) {
  PlaySomeMoves();
  const GameSnapshot before = GameSnapshot::Take();
  for (int command : {IDM_SAVE, IDM_OPEN}) {
    DialogDriver driver;
    driver.Expect(command == IDM_SAVE ? "Save As" : "Open",
                  [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); });
    driver.Run([&] { mqtest::RunCommand(command); });
    ExpectDriverDone(driver);
    EXPECT_EQ(GameSnapshot::Take().Differences(before), "") << command;
    EXPECT_STREQ(FilePath, "");
  }
  EXPECT_FALSE(FileExists(TempFolder() + DatedName() + ".mqz"));
}

struct DamagedFile {
  const char* Name;
  int KeepBytes;  // of a good saved game; -1: no file at all, -2: junk
};

class DamagedOpenTest : public WindowDialogsTest, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedOpenTest, LeavesTheGameAsItWasAndSaysWhy) {
  const DamagedFile& damage = GetParam();
  PlaySomeMoves();
  const std::string good = mqtest::TempPath("good.mqz");
  DeleteFileA(good.c_str());
  ChooseFile(IDM_SAVE, good);
  std::vector<unsigned char> bytes = FileBytes(good);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(SAVED_GAME_SIZE));

  const std::string path = mqtest::TempPath(damage.Name);
  DeleteFileA(path.c_str());
  if (damage.KeepBytes == -2) {
    WriteBytes(path, std::vector<unsigned char>(SAVED_GAME_SIZE, 0xA5));
  } else if (damage.KeepBytes >= 0) {
    bytes.resize(static_cast<size_t>(damage.KeepBytes));
    WriteBytes(path, bytes);
  }
  mqtest::RunCommand(IDM_NEW);
  mqtest::RemoveGroupAt(0, 0);
  const GameSnapshot before = GameSnapshot::Take();

  std::string message;
  ChooseFile(IDM_OPEN, path, [&](HWND box) {
    message = MessageText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(GameSnapshot::Take().Differences(before), "");
  EXPECT_NE(message.find(path), std::string::npos) << message;
  const std::string reason = TransferFailureReason();
  EXPECT_FALSE(reason.empty());
  EXPECT_NE(message.find(reason), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedOpenTest,
                         ::testing::Values(DamagedFile{"missing.mqz", -1}, DamagedFile{"junk.mqz", -2},
                                           DamagedFile{"cut.mqz", 2000}, DamagedFile{"empty.mqz", 0}));

TEST_F(WindowDialogsTest, ASaveThatCannotWriteSaysSo) {
  // A folder where the new file would first be written, and the file itself
  // held open, so the write in place fails too.
  const std::string path = mqtest::TempPath("blocked.mqz");
  const std::string blocker = path + ".tmp";
  ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
  HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string message;
  DialogDriver driver;
  driver.Expect("Save As", [&](HWND d) {
    SetWindowTextA(SaveNameEdit(d), path.c_str());
    PostMessageA(d, WM_COMMAND, IDOK, 0);
  });
  driver.Expect("Error", [](HWND box) { PostMessageA(box, WM_COMMAND, IDYES, 0); });  // replace it
  driver.Expect("Marblequake", [&](HWND box) {
    message = MessageText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  driver.Run([] { mqtest::RunCommand(IDM_SAVE); });
  ExpectDriverDone(driver);
  CloseHandle(held);
  RemoveDirectoryA(blocker.c_str());
  EXPECT_EQ(FileBytes(path).size(), 0u);
  DeleteFileA(path.c_str());
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_NE(message.find(TransferFailureReason()), std::string::npos) << message;
}

// One whole game: real presses and releases, the real removal timer, the
// dialog at the end, and the record in the settings file after the window
// has gone.
TEST_F(WindowDialogsTest, AWholeGameEndsWithItsRecordInTheSettingsFile) {
  const int table = ScoreTableIndex(Game.GameSettings.Level, Game.GameSettings.BoardSize);
  for (int k = 0; k < 5; ++k)
    HighScoreTables[table + k] = Record("Old", 100000 - k, 0x8000 | 18 << 9 | 1 << 5 | 1);
  ASSERT_EQ(Game.MoveCount, 0);

  std::string shownName;
  bool fieldVisible = false;
  DialogDriver driver;
  driver.Expect(
      "High Scores",
      [&](HWND d) {
        fieldVisible = IsWindowVisible(GetDlgItem(d, IDC_NAME_FIELD));
        shownName = ItemText(d, IDC_NAME_FIELD);
        TypeText(GetDlgItem(d, IDC_NAME_FIELD), "Finisher");
        Click(d, IDOK);
      },
      120000);
  int moves = 0;
  driver.Run([&] {
    int c = 0, r = 0;
    while (!Game.GameOver && FindGroup(c, r)) {
      const POINT at = mqtest::CellCentre(c, r);
      mqtest::Press(at.x, at.y);
      mqtest::Release(at.x, at.y);
      const int before = Game.MoveCount;
      // The removal completes when its 200 ms timer expires.
      ASSERT_TRUE(test::PumpUntil([&] { return Game.MoveCount != before; }, 3000));
      ++moves;
    }
  });
  ExpectDriverDone(driver);
  ASSERT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Game.MoveCount, moves);
  EXPECT_TRUE(fieldVisible);
  EXPECT_EQ(shownName, "Anonymus");
  ASSERT_EQ(NewRecordIndex, table + 5);
  const int32_t score = Game.Score;

  mqtest::CloseMainWindow();
  const std::vector<unsigned char> file = FileBytes(mqtest::SettingsPath());
  ASSERT_EQ(file.size(), static_cast<size_t>(SETTINGS_FILE_SIZE));
  const size_t at = 968 + 20 * static_cast<size_t>(table + 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[at])), "Finisher");
  uint16_t date = 0;
  int32_t points = 0;
  std::memcpy(&date, &file[at + 14], 2);
  std::memcpy(&points, &file[at + 16], 4);
  EXPECT_EQ(points, score);
  SYSTEMTIME today;
  GetLocalTime(&today);
  EXPECT_EQ(date, (today.wDay | today.wMonth << 5 | (today.wYear - 2008) << 9 | 0x8000) & 0xFFFF);
  // The record before it is untouched, the place after it still empty.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[at - 20])), "Old");
  EXPECT_EQ(file[at + 20], 0);
  // The player name follows the 130 records.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[968 + 20 * HIGH_SCORE_RECORDS])), "Finisher");
}

}  // namespace
}  // namespace mq
