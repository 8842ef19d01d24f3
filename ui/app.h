// Process-wide window handles and the entry points the window procedure
// dispatches to. Each .cpp file of ui/ holds one concern.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

namespace mq {

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HWND StatusBar;
extern int ClientWidth;
extern int ClientHeight;

// main_window.cpp
ATOM RegisterMainClass(HINSTANCE instance);
int CreateMainWindow(HINSTANCE instance, int showCommand);
void ResizeMainWindow();
// The message loop of WinMain, kept here so tests can run the same loop.
int RunMessageLoop();
// The window the board is drawn in: MainWindow, or during WM_CREATE (before
// MainWindow is set) the window being created.
HWND BoardWindow();

// A function of a library loaded at run time, or null.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
  return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                 : nullptr;
}

// windows_platform.cpp: puts the Windows implementation of the game's seam
// in place.
void InstallWindowsPlatform();
// The system's words for why the last file read, write or replace failed;
// empty when it succeeded.
const char* FileErrorText();

// status_bar.cpp
void UpdateStatusBar();
void FormatColourCounts();
// Lays the three parts out for a new client size (the WM_SIZE lParam).
void LayoutStatusBar(LPARAM clientSize);
extern int StatusPartEdges[3];
extern int ColourCounts[8];

// render.cpp
void LoadTileSprites();
void DeleteTileSprites();
void DrawBoard(HDC dc, int flags);
void CreateBrushes();
void DeleteBrushes();
// The tint of a grey sprite into one colour of the table.
void TintSprite(HBITMAP sprite, COLORREF colour);
constexpr int GDI_OBJECT_COUNT = 19;
constexpr int OUTLINE_BRUSH = 11;
constexpr int FIRST_SPRITE = 13;
extern const COLORREF ColourTable[12];
extern HGDIOBJ GdiObjects[GDI_OBJECT_COUNT];

// sound.cpp
// 1 starts opening the output on a thread of its own (once per window);
// 0 waits for an opening still running, then closes the output.
void MidiDevice(int open);
// Waits for an opening still running and takes its output.
void AwaitMidiDevice();
MMRESULT SendMidi(int status, int data1, int data2);
// The three calls of the MIDI output, loaded with WINMM.DLL when the output
// is opened, unless tests have put recorders in their place.
struct MidiApi {
  MMRESULT(WINAPI* Open)(LPHMIDIOUT out, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
  MMRESULT(WINAPI* ShortMsg)(HMIDIOUT out, DWORD message);
  MMRESULT(WINAPI* Close)(HMIDIOUT out);
};
extern MidiApi Midi;
extern HMIDIOUT MidiOut;

// scores_dialog.cpp
INT_PTR CALLBACK ScoresDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Sent by the dialog to itself whenever the ten lines must be filled again.
constexpr UINT WM_SCORES_REFRESH = WM_USER + 1;
extern const char* const LevelNames[4];
extern const char* const SizeNames[4];
extern int GameTableIndex;
extern int ShownTableIndex;

// small_dialogs.cpp
INT_PTR CALLBACK CustomSizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int ChooseGameFile(HWND owner, int save);
// The library of the Open and Save dialogs, loaded at their first use.
extern const char* CommonDialogLibrary;

}  // namespace mq

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
