// Drives the real main window from inside the test process: the window is
// created with the program's own class and procedure, and every input goes
// in as the message the system would send. The settings file lives in a
// private temporary folder, never beside a real program.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>

namespace mqtest {

// The run's private folder (also the current directory) and a path in it.
const std::string& TempDir();
std::string TempPath(const char* name);
// The settings file the window reads at creation and writes at destruction.
std::string SettingsPath();
void RemoveSettings();

// Resets the game, the player name and the tables to a fresh start and
// removes the settings file, so the next window deals a new game.
void ResetProgramState();

// Creates and shows the main window at the top left of the screen; returns it.
HWND OpenMainWindow();
// Destroys it (which writes the settings file) and swallows its WM_QUIT.
void CloseMainWindow();
HWND Window();

// Runs every pending message of the thread except WM_QUIT.
void PumpMessages();

// Mouse input in client pixels, and the centre pixel of a cell.
void Press(int x, int y);
void Release(int x, int y);
POINT CellCentre(int column, int row);
void PressCell(int column, int row);
void ReleaseCell(int column, int row);
// A press and release on one cell.
void ClickCell(int column, int row);
// A click on a cell followed by the expiry of the removal timer.
void RemoveGroupAt(int column, int row);
void FireTimer(int id);
// WM_COMMAND as the menu sends it.
void RunCommand(int id);

// The text of a status bar part.
std::string StatusText(int part);
// The state of a menu item after the popup holding it was prepared the way
// opening it would (WM_INITMENUPOPUP).
UINT MenuState(int id);
bool IsGrayed(int id);
bool IsChecked(int id);

// A painted client pixel (the window is updated first).
COLORREF Pixel(int x, int y);

// Puts a literal board in play: rows top to bottom, '1'..'6' a colour, '.'
// empty. The configured size becomes the board's (custom size), history and
// score start over, and the window is resized and repainted.
void LoadBoard(std::initializer_list<const char*> rows);

// Dialogs. An action runs on the next visible dialog of this thread whose
// title equals `title` (null: any title); actions are taken in order, one
// per dialog, from a 20 ms thread timer, so queue them before the command
// that opens the dialog.
using DialogAction = void (*)(HWND dialog);
void WhenDialog(const char* title, DialogAction action);
int PendingDialogActions();
void ClearDialogActions();
// When on, any dialog that no queued action waits for is cancelled.
void SetAutoCancelDialogs(bool on);
// Common actions.
void PressOk(HWND dialog);
void PressCancel(HWND dialog);
// Posts WM_COMMAND with `id` to the dialog, as a button click would.
void PressButton(HWND dialog, int id);
void AnswerYes(HWND box);
// The Open and Save dialogs: type ChosenFile in and press OK.
extern std::string ChosenFile;
void ChooseFileToOpen(HWND dialog);
void ChooseFileToSave(HWND dialog);

// gdi_count.cpp: the GDI objects and device contexts the program holds now,
// and the committed private memory of the process.
int LiveGdiObjects();
size_t PrivateBytes();

// Creates the window for each test from a fresh start and destroys it after.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace mqtest
