// Timings for the record, printed rather than asserted:
//   ui_measure startup <folder> [runs]  start-up to the first painted board
//                                and memory of marblequake.exe against
//                                empty_window.exe
//   ui_measure window            MainWndProc on an 841-tile press and on a
//                                full repaint of a 29 x 29 board
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app.h"
// after windows.h, which it needs
#include <psapi.h>

#include "game/game_state.h"
#include "resource.h"
#include "storage/state_file.h"

namespace {

double Frequency() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(f.QuadPart);
}

double Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / Frequency();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A window counts as painted when the pixel at (17, 17) of its client area
// shows on screen what its first paint puts there: for the game the first
// tile (no built-in tile is black or white there), for the bare window its
// background. A window shown but not yet painted is black under Wine.
bool Painted(const char* className, bool board) {
  HWND window = FindWindowA(className, nullptr);
  if (!window || !IsWindowVisible(window)) return false;
  POINT at = {17, 17};  // inside the first tile of every built-in shape
  ClientToScreen(window, &at);
  HDC screen = GetDC(nullptr);
  COLORREF pixel = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  const COLORREF background = GetSysColor(COLOR_WINDOW);
  if (!board) return pixel == background;
  return pixel != CLR_INVALID && pixel != background && pixel != RGB(0, 0, 0);
}

struct StartRecord {
  double ShownMs = -1;      // process start to the first painted board
  double ResidentMiB = -1;  // working set 3 s after the start
  double PlayedMiB = -1;    // and 1 s after a first click on the board
};

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// Under Wine the working set is the process's resident set (VmRSS).
double ResidentMiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  return GetProcessMemoryInfo(process, &memory, sizeof memory) ? MiB(memory.WorkingSetSize) : -1;
}

StartRecord TimeStart(const std::string& exe, const char* className, bool board, bool play = false) {
  StartRecord record;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + exe + "\"";
  // Marks in a load trace (measure.sh --trace) where each start begins and ends.
  OutputDebugStringA(("start " + exe + "\n").c_str());
  double start = Now();
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("cannot start %s\n", exe.c_str());
    return record;
  }
  while (Now() - start < 20) {
    if (Painted(className, board)) {
      record.ShownMs = (Now() - start) * 1000;
      OutputDebugStringA("painted\n");
      break;
    }
    Sleep(1);
  }
  while (Now() - start < 3.0) Sleep(10);
  record.ResidentMiB = ResidentMiB(process.hProcess);
  HWND window = FindWindowA(className, nullptr);
  if (window && play) {
    // The first press opens the MIDI output, on a thread of its own.
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(17, 17));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(17, 17));
    Sleep(1000);
    record.PlayedMiB = ResidentMiB(process.hProcess);
  }
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  Sleep(500);  // the display and the server finish with the last program first
  return record;
}

// A settings file with a dealt board and sounds switched off.
void WriteSoundOffSettings(const std::string& game) {
  mq::InstallWindowsPlatform();
  mq::SetProgramPath(game.c_str());
  mq::Game = mq::GameState{};
  mq::Game.ActiveColumns = mq::Game.GameSettings.Columns;
  mq::Game.ActiveRows = mq::Game.GameSettings.Rows;
  mq::NewGame();
  mq::Game.GameSettings.SoundOff = 1;
  mq::TransferState(mq::TS_SETTINGS | mq::TS_WRITE);
}

struct Series {
  std::vector<double> Shown, Resident, Played;
  void Add(const StartRecord& r) {
    Shown.push_back(r.ShownMs);
    Resident.push_back(r.ResidentMiB);
    Played.push_back(r.PlayedMiB);
  }
};

// The game and the bare window take turns, so both see the same machine.
int MeasureStartup(const std::string& folder, int runs) {
  const std::string game = folder + "\\marblequake.exe";
  const std::string empty = folder + "\\empty_window.exe";
  const std::string settings = folder + "\\marblequake.ini";
  Series soundOn, soundOff, bare;
  for (int run = 0; run < runs; ++run) {
    DeleteFileA(settings.c_str());  // a fresh start deals a full board, sounds on
    soundOn.Add(TimeStart(game, "Marblequake", true, true));
    // Written ahead of the bare window's turn, so no start waits for the disk.
    WriteSoundOffSettings(game);
    Sleep(500);
    bare.Add(TimeStart(empty, "EmptyWindow", false));
    soundOff.Add(TimeStart(game, "Marblequake", true));
  }
  DeleteFileA(settings.c_str());
  const double bareShown = Median(bare.Shown);
  const double bareResident = Median(bare.Resident);
  std::printf(
      "start-up, median of %d runs, alternating (process start to first paint; memory 3 s after start)\n",
      runs);
  std::printf("  %-28s %8s %7s %10s %9s\n", "", "paint ms", "ratio", "resident", "vs bare");
  auto row = [&](const char* name, const Series& s) {
    std::printf("  %-28s %8.1f %6.2fx %6.1f MiB %+5.1f MiB\n", name, Median(s.Shown),
                Median(s.Shown) / bareShown, Median(s.Resident), Median(s.Resident) - bareResident);
  };
  row("empty_window.exe", bare);
  row("marblequake.exe, sounds on", soundOn);
  row("marblequake.exe, sounds off", soundOff);
  std::printf("  %-28s %8s %7s %6.1f MiB %+5.1f MiB\n", "  sounds on, after a click", "", "",
              Median(soundOn.Played), Median(soundOn.Played) - bareResident);
  return 0;
}

// The tint as one GetPixel and SetPixel per pixel, for comparison.
void TintPixelByPixel(HBITMAP sprite, COLORREF colour) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, sprite);
  for (int x = 0; x < mq::Game.TileSize; ++x) {
    for (int y = 0; y < mq::Game.TileSize; ++y) {
      COLORREF p = GetPixel(dc, x, y);
      if (p != 0xFFFFFF) SetPixel(dc, x, y, p & colour);
    }
  }
  SelectObject(dc, old);
  DeleteDC(dc);
}

void MeasureTint() {
  const int rounds = 20;
  std::vector<double> fast;
  std::vector<double> slow;
  for (int i = 0; i < rounds; ++i) {
    HBITMAP sprites[6];
    for (HBITMAP& s : sprites) s = LoadBitmapA(mq::AppInstance, MAKEINTRESOURCEA(1));
    double t0 = Now();
    for (int j = 0; j < 6; ++j) mq::TintSprite(sprites[j], mq::ColourTable[j]);
    fast.push_back(Now() - t0);
    for (HBITMAP& s : sprites) DeleteObject(s);
    for (HBITMAP& s : sprites) s = LoadBitmapA(mq::AppInstance, MAKEINTRESOURCEA(1));
    t0 = Now();
    for (int j = 0; j < 6; ++j) TintPixelByPixel(sprites[j], mq::ColourTable[j]);
    slow.push_back(Now() - t0);
    for (HBITMAP& s : sprites) DeleteObject(s);
  }
  std::printf("tint of six 32 x 32 sprites: median %.2f ms; pixel by pixel: %.2f ms\n", Median(fast) * 1000,
              Median(slow) * 1000);
}

int MeasureWindow() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string program = std::string(temp) + "mq-measure.exe";
  mq::InstallWindowsPlatform();
  mq::SetProgramPath(program.c_str());
  HINSTANCE instance = GetModuleHandleA(nullptr);
  mq::RegisterMainClass(instance);
  mq::Game.GameSettings.Shape = 2;  // ellipse: 30-pixel pitch, the 29 x 29 board fits the screen
  mq::Game.GameSettings.Columns = mq::Game.GameSettings.Rows = 29;
  mq::Game.GameSettings.BoardSize = 3;
  if (!mq::CreateMainWindow(instance, SW_SHOWNORMAL)) return 1;
  SetWindowPos(mq::MainWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
  std::memset(mq::Game.Board, 0, sizeof mq::Game.Board);
  for (int c = 0; c < 29; ++c) {
    for (int r = 0; r < 29; ++r) mq::BoardAt(c, r) = 1;
  }
  InvalidateRect(mq::MainWindow, nullptr, TRUE);
  UpdateWindow(mq::MainWindow);

  const int rounds = 50;
  std::vector<double> press;
  std::vector<double> paint;
  for (int i = 0; i < rounds; ++i) {
    double t0 = Now();
    SendMessageA(mq::MainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20 + i, 20));
    press.push_back(Now() - t0);
    if (mq::Game.SelectedCount != 841) std::printf("unexpected selection of %d\n", mq::Game.SelectedCount);
  }
  // A board of mixed colours, as in play: every tile differs from the last.
  for (int c = 0; c < 29; ++c) {
    for (int r = 0; r < 29; ++r) mq::BoardAt(c, r) = static_cast<uint8_t>((c * 5 + r * 7) % 6 + 1);
  }
  for (int i = 0; i < rounds; ++i) {
    InvalidateRect(mq::MainWindow, nullptr, TRUE);
    double t0 = Now();
    UpdateWindow(mq::MainWindow);
    paint.push_back(Now() - t0);
  }
  std::printf(
      "press on an 841-tile group: median %.2f ms; full repaint of 29 x 29: median %.2f ms (%d rounds)\n",
      Median(press) * 1000, Median(paint) * 1000, rounds);
  mq::Game.TileSize = 32;
  MeasureTint();
  DestroyWindow(mq::MainWindow);
  DeleteFileA((std::string(temp) + "mq-measure.ini").c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "startup") == 0) {
    const int runs = argc >= 4 ? std::atoi(argv[3]) : 9;
    return MeasureStartup(argv[2], runs > 0 ? runs : 9);
  }
  if (argc >= 2 && std::strcmp(argv[1], "window") == 0) return MeasureWindow();
  std::printf("usage: ui_measure startup <folder> [runs] | ui_measure window\n");
  return 2;
}
