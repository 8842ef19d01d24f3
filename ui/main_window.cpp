// The main window: its class, creation and size, the message loop, the menu
// state and the window procedure that turns each message into game calls.
#include <cstdio>
#include <cstring>

#include "app.h"
#include "game/game_state.h"
#include "resource.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"

namespace mq {

HINSTANCE AppInstance;
HWND MainWindow;
HWND StatusBar;
int ClientWidth;
int ClientHeight;

namespace {

constexpr char ClassName[] = "Marblequake";
constexpr DWORD MainWindowStyle = WS_SYSMENU | WS_MINIMIZEBOX;  // fixed size, no maximise
constexpr DWORD StatusBarStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;

// Set while WM_CREATE runs, before CreateWindowExA has handed back the
// handle that MainWindow keeps.
HWND CreatingWindow;

void Repaint() { InvalidateRect(MainWindow, nullptr, TRUE); }

// The MIDI output opens only once sounds are wanted, off the start-up path:
// at the first press on the board (every effect follows a release), when
// sounds are switched on, or when an opened game switches them on. Opening
// it loads the system's whole audio stack, which a player who never plays
// a move, or plays silently, should not carry.
void OpenMidiIfSoundOn() {
  if (Game.GameSettings.SoundOff == 0) MidiDevice(1);
}

void ReloadTileSprites() {
  DeleteTileSprites();
  LoadTileSprites();
}

// A path of up to 259 characters and both reasons need more room than
// TextBuffer has.
char FailureText[FILE_PATH_SIZE + 512];

int ReportFileFailure(HWND owner, const char* what, UINT buttons) {
  const char* system = FileErrorText();
  std::snprintf(FailureText, sizeof FailureText, "%s\n%s\n\n%s%s%s", what, FilePath, TransferFailureReason(),
                system[0] ? "\n" : "", system);
  return MessageBoxA(owner, FailureText, ClassName, buttons | MB_ICONEXCLAMATION);
}

void ReportFileFailure(const char* what) { ReportFileFailure(MainWindow, what, MB_OK); }

// The session's high scores and game live nowhere else: a failed write is
// told, so the player can free the file and try again before they are lost.
// The window is already hidden, so the box stands on its own.
void SaveSettingsAtExit() {
  while (TransferState(TS_SETTINGS | TS_WRITE) != TS_DONE) {
    if (ReportFileFailure(nullptr, "The settings, high scores and game could not be saved to",
                          MB_RETRYCANCEL | MB_TASKMODAL) != IDRETRY)
      return;
  }
}

INT_PTR RunDialog(int id, DLGPROC procedure) {
  return DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(id), MainWindow, procedure, 0);
}

void SetFixedSize(int boardSize) {
  Game.GameSettings.BoardSize = boardSize;
  Game.GameSettings.Columns = boardSize * 5 + 11;
  Game.GameSettings.Rows = boardSize * 5 + 12;
}

// ---- Commands -------------------------------------------------------------

void NewGameCommand(int) {
  NewGame();
  Repaint();
}

void OpenGameCommand(int) {
  if (ChooseGameFile(MainWindow, 0) != 1) return;
  const int shape = Game.GameSettings.Shape;
  // A file that cannot be read, or is not a game, leaves the game in play.
  if (TransferState(0) != TS_DONE) {
    ReportFileFailure("The game could not be opened from");
    return;
  }
  CancelPendingRemoval();
  // The game brings its own tile shape: sprites and geometry follow it.
  if (Game.GameSettings.Shape != shape) ReloadTileSprites();
  ResizeMainWindow();
  UpdateStatusBar();
  Repaint();
  OpenMidiIfSoundOn();  // the game's settings may have switched sounds on
}

void SaveGameCommand(int) {
  if (ChooseGameFile(MainWindow, 1) == 1 && TransferState(TS_WRITE) != TS_DONE) {
    ReportFileFailure("The game could not be saved to");
  }
}

void ReplayCommand(int) {
  ReplayGame();
  UpdateStatusBar();
  Repaint();
}

void UndoCommand(int) {
  UndoMove();
  UpdateStatusBar();
  Repaint();
}

void RedoCommand(int) {
  RedoMove();
  UpdateStatusBar();
  Repaint();
}

void ScoresCommand(int) {
  INT_PTR result = RunDialog(IDD_HIGH_SCORES, ScoresDlgProc);
  if (result == IDC_NEW_GAME) {
    // The dialog has stored the level and size it showed.
    if (Game.GameSettings.BoardSize < 3) {
      SetFixedSize(Game.GameSettings.BoardSize);
      ResizeMainWindow();
    }
    NewGame();
    Repaint();
  } else if (result == IDC_REPLAY_GAME) {
    ReplayGame();
    Repaint();
  }
  UpdateStatusBar();
}

void ExitCommand(int) { DestroyWindow(MainWindow); }

void AboutCommand(int) { RunDialog(IDD_ABOUT, AboutDlgProc); }

void FixedSizeCommand(int id) {
  SetFixedSize(id - IDM_SIZE_SMALL);
  ResizeMainWindow();
  NewGame();
  Repaint();
}

void CustomSizeCommand(int) {
  if (RunDialog(IDD_CUSTOM_SIZE, CustomSizeDlgProc) != 1) return;
  Game.GameSettings.BoardSize = 3;
  ResizeMainWindow();
  NewGame();
  Repaint();
}

void LevelCommand(int id) {
  Game.GameSettings.Level = id - IDM_LEVEL_EASY;
  NewGame();
  Repaint();
}

void ShapeCommand(int id) {
  Game.GameSettings.Shape = id - IDM_SHAPE_RECTANGLE;
  ReloadTileSprites();
  ResizeMainWindow();
  Repaint();
}

void ScoringCommand(int id) { Game.GameSettings.ScoringRule = id - IDM_SCORING_0; }

void SoundCommand(int) {
  Game.GameSettings.SoundOff ^= 1;
  OpenMidiIfSoundOn();
}

struct Command {
  int First;
  int Last;
  void (*Run)(int id);
};

const Command CommandTable[] = {
    {IDM_NEW, IDM_NEW, NewGameCommand},
    {IDM_OPEN, IDM_OPEN, OpenGameCommand},
    {IDM_SAVE, IDM_SAVE, SaveGameCommand},
    {IDM_REPLAY, IDM_REPLAY, ReplayCommand},
    {IDM_UNDO, IDM_UNDO, UndoCommand},
    {IDM_REDO, IDM_REDO, RedoCommand},
    {IDM_SCORES, IDM_SCORES, ScoresCommand},
    {IDM_EXIT, IDM_EXIT, ExitCommand},
    {IDM_ABOUT, IDM_ABOUT, AboutCommand},
    {IDM_SIZE_SMALL, IDM_SIZE_BIG, FixedSizeCommand},
    {IDM_SIZE_CUSTOM, IDM_SIZE_CUSTOM, CustomSizeCommand},
    {IDM_LEVEL_EASY, IDM_LEVEL_HARD, LevelCommand},
    {IDM_SHAPE_RECTANGLE, IDM_SHAPE_CUSTOM, ShapeCommand},
    {IDM_SCORING_0, IDM_SCORING_2, ScoringCommand},
    {IDM_SOUND, IDM_SOUND, SoundCommand},
};

// ---- Message handlers -----------------------------------------------------

void OnCreate(HWND window) {
  CreatingWindow = window;
  StatusBar = CreateStatusWindowA(StatusBarStyle, "", window, IDC_STATUS_BAR);
  // A file that could not be read, or was kept aside as unreadable, leaves
  // nothing to resume: start afresh instead of showing an empty board.
  if (TransferState(TS_SETTINGS) != TS_DONE) {
    std::strcpy(PlayerName, "Anonymus");
    NewGame();
  }
  CreateBrushes();
  LoadTileSprites();
  Game.HitColumn = 0;
  Game.HitRow = 0;
}

void OnDestroy() {
  CancelPendingRemoval();
  SaveSettingsAtExit();
  PostQuitMessage(0);
  DeleteBrushes();
  DeleteTileSprites();
  MidiDevice(0);
  MainWindow = nullptr;
  CreatingWindow = nullptr;
  StatusBar = nullptr;
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  DrawBoard(dc, DRAW_TILES | DRAW_OUTLINES);
  EndPaint(window, &paint);
}

void OnCommand(WPARAM wParam) {
  const int id = LOWORD(wParam);
  for (const Command& command : CommandTable) {
    if (id >= command.First && id <= command.Last) {
      command.Run(id);
      return;
    }
  }
}

void OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(lParam) != 0) return;  // the system menu
  HMENU menu = reinterpret_cast<HMENU>(wParam);
  const GameSettingsRecord& s = Game.GameSettings;
  EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | (Game.MoveCount <= 0 ? MF_GRAYED : MF_ENABLED));
  EnableMenuItem(menu, IDM_REDO, MF_BYCOMMAND | (Game.MoveCount >= Game.MoveTotal ? MF_GRAYED : MF_ENABLED));
  EnableMenuItem(menu, IDM_REPLAY, MF_BYCOMMAND | (Game.MoveCount <= 0 ? MF_GRAYED : MF_ENABLED));
  for (int id = IDM_SCORING_0; id <= IDM_SCORING_2; ++id) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (Game.MoveCount != 0 ? MF_GRAYED : MF_ENABLED));
  }
  CheckMenuItem(menu, IDM_SOUND, MF_BYCOMMAND | (s.SoundOff == 0 ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuRadioItem(menu, IDM_SCORING_0, IDM_SCORING_2, IDM_SCORING_0 + s.ScoringRule, MF_BYCOMMAND);
  CheckMenuRadioItem(menu, IDM_LEVEL_EASY, IDM_LEVEL_HARD, IDM_LEVEL_EASY + s.Level, MF_BYCOMMAND);
  CheckMenuRadioItem(menu, IDM_SIZE_SMALL, IDM_SIZE_CUSTOM, IDM_SIZE_SMALL + s.BoardSize, MF_BYCOMMAND);
  CheckMenuRadioItem(menu, IDM_SHAPE_RECTANGLE, IDM_SHAPE_CUSTOM, IDM_SHAPE_RECTANGLE + s.Shape,
                     MF_BYCOMMAND);
}

}  // namespace

HWND BoardWindow() { return MainWindow ? MainWindow : CreatingWindow; }

ATOM RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MARBLEQUAKE));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
  windowClass.lpszClassName = ClassName;
  return RegisterClassA(&windowClass);
}

int CreateMainWindow(HINSTANCE instance, int showCommand) {
  AppInstance = instance;
  Game.ActiveColumns = Game.GameSettings.Columns;
  Game.ActiveRows = Game.GameSettings.Rows;
  HWND window = CreateWindowExA(0, ClassName, ClassName, MainWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  CreatingWindow = nullptr;
  if (!window) return 0;
  MainWindow = window;
  ResizeMainWindow();
  ShowWindow(MainWindow, showCommand);
  UpdateWindow(MainWindow);
  return 1;
}

void ResizeMainWindow() {
  Game.ActiveColumns = Game.GameSettings.Columns;
  Game.ActiveRows = Game.GameSettings.Rows;
  RECT status = {};
  GetWindowRect(StatusBar, &status);
  const int statusHeight = status.bottom - status.top;
  const int width = GetSystemMetrics(SM_CXFRAME) + Game.ActiveColumns * Game.CellPitch + 6;
  const int height = GetSystemMetrics(SM_CYFRAME) + Game.ActiveRows * Game.CellPitch +
                     GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION) + statusHeight + 6;
  SetWindowPos(MainWindow, HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

int RunMessageLoop() {
  HACCEL accelerators = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    if (!TranslateAcceleratorA(MainWindow, accelerators, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

}  // namespace mq

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  using namespace mq;
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_SIZE:
      LayoutStatusBar(lParam);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_KEYDOWN:
      return 0;  // keys arrive as commands through the accelerators
    case WM_COMMAND:
      OnCommand(wParam);
      return 0;
    case WM_TIMER:
      CompleteMove(static_cast<int>(wParam));
      return 0;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(wParam, lParam);
      return 0;
    case WM_LBUTTONDOWN:
      OpenMidiIfSoundOn();
      PressTile(static_cast<uint32_t>(lParam));
      return 0;
    case WM_LBUTTONUP:
      ReleaseTile(static_cast<uint32_t>(lParam));
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
