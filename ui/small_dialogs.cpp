// The custom board size dialog, the About box and the Open and Save dialogs
// for saved games.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "app.h"
#include "game/game_state.h"
#include "resource.h"
#include "storage/state_file.h"

namespace mq {

namespace {

void FillSizeList(HWND dialog, int list, int selected) {
  char text[8];
  for (int value = MIN_BOARD_DIM; value <= MAX_BOARD_DIM; ++value) {
    std::snprintf(text, sizeof text, "%d", value);
    SendDlgItemMessageA(dialog, list, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(text));
  }
  SendDlgItemMessageA(dialog, list, CB_SETCURSEL, selected - MIN_BOARD_DIM, 0);
}

// A list left without a selection (opened with a size it does not hold)
// gives the nearest size it does hold, never one outside 6..29.
int ChosenSize(HWND dialog, int list, int current) {
  LRESULT selection = SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0);
  if (selection >= 0 && selection <= MAX_BOARD_DIM - MIN_BOARD_DIM)
    return static_cast<int>(selection) + MIN_BOARD_DIM;
  return current < MIN_BOARD_DIM ? MIN_BOARD_DIM : current > MAX_BOARD_DIM ? MAX_BOARD_DIM : current;
}

using FileDialog = BOOL(WINAPI*)(LPOPENFILENAMEA);

// Importing the common dialogs would load the shell with them at every
// start, for dialogs most sessions never open.
FileDialog CommonFileDialog(int save) {
  HMODULE library = GetModuleHandleA(CommonDialogLibrary);
  if (!library) library = LoadLibraryA(CommonDialogLibrary);
  return LibraryFunction<FileDialog>(library, save ? "GetSaveFileNameA" : "GetOpenFileNameA");
}

}  // namespace

const char* CommonDialogLibrary = "COMDLG32.DLL";

INT_PTR CALLBACK CustomSizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      FillSizeList(dialog, IDC_COLUMNS_LIST, Game.GameSettings.Columns);
      FillSizeList(dialog, IDC_ROWS_LIST, Game.GameSettings.Rows);
      return 1;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        Game.GameSettings.Columns = ChosenSize(dialog, IDC_COLUMNS_LIST, Game.GameSettings.Columns);
        Game.GameSettings.Rows = ChosenSize(dialog, IDC_ROWS_LIST, Game.GameSettings.Rows);
        EndDialog(dialog, IDOK);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
      }
      return 0;
  }
  return 0;
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      std::snprintf(TextBuffer, sizeof TextBuffer, "About %s", "Marblequake");
      SetWindowTextA(dialog, TextBuffer);
      std::snprintf(TextBuffer, sizeof TextBuffer, "Version: %d.%02d", static_cast<int>(StateVersion / 100),
                    static_cast<int>(StateVersion % 100));
      SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, TextBuffer);
      SetDlgItemTextA(dialog, IDC_ABOUT_CREDIT, "By the Marblequake project");
      return 1;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
      return 0;
  }
  return 0;
}

int ChooseGameFile(HWND owner, int save) {
  FilePath[0] = '\0';
  FileDialog runDialog = CommonFileDialog(save);
  if (!runDialog) {
    std::snprintf(TextBuffer, sizeof TextBuffer, "The %s dialog cannot be shown: %s could not be loaded.",
                  save ? "Save" : "Open", CommonDialogLibrary);
    MessageBoxA(owner, TextBuffer, "Marblequake", MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  char file[FILE_PATH_SIZE] = {};
  OPENFILENAMEA dialog;
  std::memset(&dialog, 0, sizeof dialog);
  // The 76-byte layout: the dialog without the places bar. (A 64-bit build,
  // made only where 32-bit programs cannot run, has wider pointers.)
  static_assert(sizeof(void*) == 8 || offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76);
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "Text (*.mqz)\0*.mqz\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.Flags = OFN_PATHMUSTEXIST;
  dialog.lpstrDefExt = "mqz";
  if (save) {
    dialog.Flags |= OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    SYSTEMTIME today;
    GetLocalTime(&today);
    std::snprintf(file, sizeof file, "Mqz%02d%02d%02d", today.wYear % 100, today.wMonth, today.wDay);
  }
  if (!runDialog(&dialog)) return 0;
  file[sizeof file - 1] = '\0';
  std::memcpy(FilePath, file, sizeof FilePath);
  return 1;
}

}  // namespace mq
