#include "harness.h"

#include <cstdio>
#include <cstring>
#include <deque>

#include "app.h"
#include "game/game_state.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"
// after windows.h, which it needs
#include <dlgs.h>

namespace mqtest {

namespace {

std::string Folder;
mq::HighScoreRecord InitialTables[mq::HIGH_SCORE_RECORDS];
int32_t InitialNewRecordIndex;

struct PendingAction {
  std::string Title;
  bool AnyTitle;
  DialogAction Action;
};
std::deque<PendingAction> Actions;
bool AutoCancel = false;
UINT_PTR DialogTimer = 0;

struct Search {
  const PendingAction* Wanted;
  HWND Found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
  Search& search = *reinterpret_cast<Search*>(lParam);
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (search.Wanted && !search.Wanted->AnyTitle) {
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    if (search.Wanted->Title != title) return TRUE;
  }
  search.Found = window;
  return FALSE;
}

// Dialogs already acted on may stay visible for a moment; they are skipped.
// One still open and answering a second later missed what was done to it (a
// file dialog that has not finished setting itself up ignores its OK, as the
// first one in a new Wine prefix can), and it is done again; a dialog with
// a message box open over it is disabled and left alone.
HWND LastHandled = nullptr;
DialogAction LastAction = nullptr;
DWORD LastHandledAt = 0;
constexpr DWORD RetryAfterMs = 1000;

void Handle(HWND dialog, DialogAction action) {
  LastHandled = dialog;
  LastAction = action;
  LastHandledAt = GetTickCount();
  action(dialog);
}

void CALLBACK WatchDialogs(HWND, UINT, UINT_PTR, DWORD) {
  if (LastHandled && IsWindow(LastHandled) && IsWindowVisible(LastHandled) && IsWindowEnabled(LastHandled) &&
      GetTickCount() - LastHandledAt >= RetryAfterMs) {
    Handle(LastHandled, LastAction);
    return;
  }
  if (!Actions.empty()) {
    Search search = {&Actions.front(), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.Found && search.Found != LastHandled) {
      DialogAction action = Actions.front().Action;
      Actions.pop_front();
      Handle(search.Found, action);
    }
    return;
  }
  if (AutoCancel) {
    Search search = {nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.Found && search.Found != LastHandled) Handle(search.Found, PressCancel);
  }
}

void EnsureDialogTimer() {
  if (!DialogTimer) DialogTimer = SetTimer(nullptr, 0, 20, WatchDialogs);
}

void DropWmQuit() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void ShowCurrentMenuState(HMENU bar, int id) {
  int count = GetMenuItemCount(bar);
  for (int i = 0; i < count; ++i) {
    HMENU popup = GetSubMenu(bar, i);
    if (popup && GetMenuState(popup, static_cast<UINT>(id), MF_BYCOMMAND) != static_cast<UINT>(-1)) {
      SendMessageA(Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
      return;
    }
  }
}

}  // namespace

const std::string& TempDir() { return Folder; }

std::string TempPath(const char* name) { return Folder + "\\" + name; }

std::string SettingsPath() { return TempPath("marblequake.ini"); }

void RemoveSettings() { DeleteFileA(SettingsPath().c_str()); }

void ResetProgramState() {
  mq::Game = mq::GameState{};
  std::memset(mq::PlayerName, 0, sizeof mq::PlayerName);
  std::memcpy(mq::HighScoreTables, InitialTables, sizeof InitialTables);
  mq::NewRecordIndex = InitialNewRecordIndex;
  RemoveSettings();
}

HWND OpenMainWindow() {
  if (!mq::CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) return nullptr;
  SetWindowPos(mq::MainWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
  PumpMessages();
  return mq::MainWindow;
}

void CloseMainWindow() {
  if (mq::MainWindow) DestroyWindow(mq::MainWindow);
  PumpMessages();
  DropWmQuit();
}

HWND Window() { return mq::MainWindow; }

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    if (message.message == WM_QUIT) return;
    PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void Press(int x, int y) { SendMessageA(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }

void Release(int x, int y) { SendMessageA(Window(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

POINT CellCentre(int column, int row) {
  const int p = mq::Game.CellPitch;
  const int half = mq::Game.TileSize / 2;
  return {3 + column * p + half, 3 + row * p + half};
}

void PressCell(int column, int row) {
  POINT at = CellCentre(column, row);
  Press(at.x, at.y);
}

void ReleaseCell(int column, int row) {
  POINT at = CellCentre(column, row);
  Release(at.x, at.y);
}

void ClickCell(int column, int row) {
  PressCell(column, row);
  ReleaseCell(column, row);
}

void RemoveGroupAt(int column, int row) {
  ClickCell(column, row);
  FireTimer(mq::IDT_REMOVE);
}

void FireTimer(int id) { SendMessageA(Window(), WM_TIMER, static_cast<WPARAM>(id), 0); }

void RunCommand(int id) { SendMessageA(Window(), WM_COMMAND, static_cast<WPARAM>(id), 0); }

std::string StatusText(int part) {
  char text[512] = {};
  LRESULT length = SendMessageA(mq::StatusBar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0);
  if (LOWORD(length) >= sizeof text) return "<too long>";
  SendMessageA(mq::StatusBar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
  return text;
}

UINT MenuState(int id) {
  HMENU bar = GetMenu(Window());
  ShowCurrentMenuState(bar, id);
  return GetMenuState(bar, static_cast<UINT>(id), MF_BYCOMMAND);
}

bool IsGrayed(int id) { return (MenuState(id) & MF_GRAYED) != 0; }

bool IsChecked(int id) { return (MenuState(id) & MF_CHECKED) != 0; }

COLORREF Pixel(int x, int y) {
  UpdateWindow(Window());
  HDC dc = GetDC(Window());
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(Window(), dc);
  return colour;
}

void LoadBoard(std::initializer_list<const char*> rows) {
  mq::GameState& g = mq::Game;
  mq::CancelPendingRemoval();
  const int rowCount = static_cast<int>(rows.size());
  const int columnCount = static_cast<int>(std::strlen(*rows.begin()));
  std::memset(g.Board, 0, sizeof g.Board);
  std::memset(g.MarkGrid, 0, sizeof g.MarkGrid);
  int r = 0;
  for (const char* line : rows) {
    for (int c = 0; c < columnCount && line[c]; ++c) mq::BoardAt(c, r) = line[c] == '.' ? 0 : line[c] - '0';
    ++r;
  }
  g.MoveCount = g.MoveTotal = g.LogCursor = 0;
  std::memset(g.MoveIndex, 0, sizeof g.MoveIndex);
  g.Score = g.EndBonus = g.LastMovePoints = 0;
  g.GameOver = g.HighScoreHandled = 0;
  g.SelectedCount = 0;
  g.GameSettings.Columns = columnCount;
  g.GameSettings.Rows = rowCount;
  g.GameSettings.BoardSize = 3;
  mq::ResizeMainWindow();
  mq::UpdateStatusBar();
  InvalidateRect(Window(), nullptr, TRUE);
  UpdateWindow(Window());
}

void WhenDialog(const char* title, DialogAction action) {
  Actions.push_back({title ? title : "", title == nullptr, action});
  EnsureDialogTimer();
}

int PendingDialogActions() { return static_cast<int>(Actions.size()); }

void ClearDialogActions() { Actions.clear(); }

void SetAutoCancelDialogs(bool on) {
  AutoCancel = on;
  if (on) EnsureDialogTimer();
}

void PressButton(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void PressOk(HWND dialog) { PressButton(dialog, IDOK); }

void PressCancel(HWND dialog) { PressButton(dialog, IDCANCEL); }

void AnswerYes(HWND box) { PressButton(box, IDYES); }

std::string ChosenFile;

void ChooseFileToOpen(HWND dialog) {
  SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(ChosenFile.c_str()));
  PressOk(dialog);
}

void ChooseFileToSave(HWND dialog) {
  HWND edit = reinterpret_cast<HWND>(SendMessageA(GetDlgItem(dialog, cmb13), CBEM_GETEDITCONTROL, 0, 0));
  if (edit) {
    SetWindowTextA(edit, ChosenFile.c_str());
  } else {
    SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(ChosenFile.c_str()));
  }
  PressOk(dialog);
}

void MainWindowTest::SetUp() {
  ResetProgramState();
  ASSERT_NE(OpenMainWindow(), nullptr);
}

void MainWindowTest::TearDown() {
  CloseMainWindow();
  ClearDialogActions();
  SetAutoCancelDialogs(false);
}

}  // namespace mqtest

namespace {

// Removes the run's folder with whatever the tests left in it, empty
// folders included: a later process of the same id must start clean.
void RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string path = folder + "\\" + found.cFileName;
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
      } else if (found.cFileName[0] != '.') {
        RemoveDirectoryA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  SetCurrentDirectoryA("C:\\");
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  char folder[MAX_PATH];
  std::snprintf(folder, sizeof folder, "%smq-ui-tests-%lu", temp, GetCurrentProcessId());
  RemoveFolder(folder);  // left by an earlier process that had the same id and was stopped
  CreateDirectoryA(folder, nullptr);
  SetCurrentDirectoryA(folder);
  mqtest::Folder = folder;

  std::memcpy(mqtest::InitialTables, mq::HighScoreTables, sizeof mqtest::InitialTables);
  mqtest::InitialNewRecordIndex = mq::NewRecordIndex;
  mq::InstallWindowsPlatform();
  mq::SetProgramPath(mqtest::TempPath("marblequake.exe").c_str());
  mq::AppInstance = GetModuleHandleA(nullptr);
  if (!mq::RegisterMainClass(mq::AppInstance)) {
    std::printf("cannot register the main window class\n");
    return 1;
  }
  int result = RUN_ALL_TESTS();
  RemoveFolder(mqtest::Folder);
  return result;
}
