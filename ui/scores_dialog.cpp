// The High Scores dialog: one ten-place table at a time, chosen by level and
// board size, with a name field over the record the finished game entered.
#include <cstdio>
#include <cstring>

#include "app.h"
#include "game/game_state.h"
#include "resource.h"
#include "storage/high_scores.h"

namespace mq {

const char* const LevelNames[4] = {"Easy", "Standard", "Difficult", "Hard"};
const char* const SizeNames[4] = {"Small", "Medium", "Big", "Custom"};
int GameTableIndex = 0;
int ShownTableIndex = 0;

namespace {

struct Choice {
  int Level;
  int Size;
};

// A list without a selection (a level or size out of range at opening)
// counts as its first entry, so a table index is always within the tables.
int ListSelection(HWND dialog, int list) {
  LRESULT selection = SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0);
  return selection >= 0 && selection < 4 ? static_cast<int>(selection) : 0;
}

Choice ChosenTable(HWND dialog) {
  return {ListSelection(dialog, IDC_LEVEL_LIST), ListSelection(dialog, IDC_SIZE_LIST)};
}

bool ValidTable(int first) { return first >= 0 && first <= SHARED_TABLE && first % 10 == 0; }

// The line of the record the finished game entered, or -1 when it entered
// none in the table shown, or the record is no longer there (a cleared table).
int NameLine() {
  if (!Game.GameOver || GameTableIndex != ShownTableIndex) return -1;
  int line = NewRecordIndex - GameTableIndex;
  if (NewRecordIndex < 0 || line < 0 || line > 9) return -1;
  if (HighScoreTables[NewRecordIndex].Points != Game.Score) return -1;
  return line;
}

void FillLines(HWND dialog) {
  if (!ValidTable(ShownTableIndex)) return;
  for (int k = 0; k < 10; ++k) {
    const HighScoreRecord& record = HighScoreTables[ShownTableIndex + k];
    // A name read from a file need not be terminated inside its 14 bytes.
    std::snprintf(TextBuffer, sizeof TextBuffer, "%06d - %.14s ", static_cast<int>(record.Points),
                  record.Name);
    if (record.Date & 0x8000) DateStamp(record.Date);
    SetDlgItemTextA(dialog, IDC_SCORE_LINE_FIRST + k, TextBuffer);
  }
  HWND field = GetDlgItem(dialog, IDC_NAME_FIELD);
  int line = NameLine();
  if (line < 0) {
    ShowWindow(field, SW_HIDE);
    return;
  }
  RECT rect;
  GetWindowRect(GetDlgItem(dialog, IDC_SCORE_LINE_FIRST + line), &rect);
  POINT topLeft = {rect.left, rect.top};
  ScreenToClient(dialog, &topLeft);
  ShowWindow(field, SW_SHOW);
  MoveWindow(field, topLeft.x + 46, topLeft.y, rect.right - rect.left - 60, rect.bottom - rect.top, TRUE);
}

// Only after a finished game on its own table; a game that entered no record
// renames nobody, it only changes the player name.
void StoreName(HWND dialog) {
  if (!Game.GameOver || GameTableIndex != ShownTableIndex) return;
  GetDlgItemTextA(dialog, IDC_NAME_FIELD, PlayerName, MAX_NAME_LENGTH + 1);
  if (NameLine() >= 0) NameScoreRecord(GameTableIndex, PlayerName);
}

void InitDialog(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDC_REPLAY_GAME), Game.MoveCount != 0);
  // The name may come from a file without a terminator inside its buffer.
  char name[PLAYER_NAME_SIZE + 1] = {};
  std::memcpy(name, PlayerName, PLAYER_NAME_SIZE);
  SetDlgItemTextA(dialog, IDC_NAME_FIELD, name);
  SendDlgItemMessageA(dialog, IDC_NAME_FIELD, EM_LIMITTEXT, 14, 0);
  for (int i = 0; i < 4; ++i) {
    SendDlgItemMessageA(dialog, IDC_LEVEL_LIST, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(LevelNames[i]));
    SendDlgItemMessageA(dialog, IDC_SIZE_LIST, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(SizeNames[i]));
  }
  SendDlgItemMessageA(dialog, IDC_LEVEL_LIST, CB_SETCURSEL, Game.GameSettings.Level, 0);
  SendDlgItemMessageA(dialog, IDC_SIZE_LIST, CB_SETCURSEL, Game.GameSettings.BoardSize, 0);
  GameTableIndex = ShownTableIndex = ScoreTableIndex(Game.GameSettings.Level, Game.GameSettings.BoardSize);
  FillLines(dialog);
}

void ClearShownTable(HWND dialog) {
  Choice choice = ChosenTable(dialog);
  std::snprintf(TextBuffer, sizeof TextBuffer, "Clear Scores for %s-%s?", SizeNames[choice.Size],
                LevelNames[choice.Level]);
  if (MessageBoxA(dialog, TextBuffer, "Marblequake", MB_YESNO) != IDYES) return;
  ShownTableIndex = ScoreTableIndex(choice.Level, choice.Size);
  ClearScoreTable(ShownTableIndex);
  SendMessageA(dialog, WM_SCORES_REFRESH, 0, 0);
}

void OnCommand(HWND dialog, int id, int notification) {
  switch (id) {
    case IDC_LEVEL_LIST:
    case IDC_SIZE_LIST:
      if (notification == CBN_SELCHANGE) {
        Choice choice = ChosenTable(dialog);
        ShownTableIndex = ScoreTableIndex(choice.Level, choice.Size);
        SendMessageA(dialog, WM_SCORES_REFRESH, 0, 0);
      }
      break;
    case IDC_CLEAR_SCORES:
      ClearShownTable(dialog);
      break;
    case IDC_NEW_GAME: {
      Choice choice = ChosenTable(dialog);
      Game.GameSettings.Level = choice.Level;
      Game.GameSettings.BoardSize = choice.Size;
      StoreName(dialog);
      EndDialog(dialog, IDC_NEW_GAME);
      break;
    }
    case IDOK:
    case IDC_REPLAY_GAME:
      StoreName(dialog);
      EndDialog(dialog, id);
      break;
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      break;
  }
}

}  // namespace

INT_PTR CALLBACK ScoresDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return 1;
    case WM_SCORES_REFRESH:
      FillLines(dialog);
      return 1;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
      return 0;
  }
  return 0;
}

}  // namespace mq
