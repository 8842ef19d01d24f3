// The game's seam on Windows: the system clock and date, plain Win32 file
// calls, and the window operations the move cycle needs.
#include <cstdio>

#include "app.h"
#include "game/platform.h"
#include "resource.h"

namespace mq {

namespace {

// The system's error of the last read, write or replace that failed, 0 after
// one that succeeded; removing a file leaves it alone, as a failed write
// removes its temporary file before it returns.
DWORD FileError;

template <typename Result>
Result Failed(Result result) {
  FileError = GetLastError();
  return result;
}

class WindowsPlatform final : public Platform {
 public:
  uint32_t TickCount() override { return GetTickCount(); }

  LocalDate Today() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
  }

  void FormatShortDate(LocalDate date, char* out, int room) override {
    if (room <= 0) return;
    SYSTEMTIME day = {};
    day.wYear = static_cast<WORD>(date.Year);
    day.wMonth = static_cast<WORD>(date.Month);
    day.wDay = static_cast<WORD>(date.Day);
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, out, room) == 0) {
      Platform::FormatShortDate(date, out, room);
    }
  }

  long ReadWholeFile(const char* path, unsigned char* buffer, long capacity) override {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed(-1);
    FileError = 0;
    long total = 0;
    while (total < capacity) {
      DWORD got = 0;
      if (!ReadFile(file, buffer + total, static_cast<DWORD>(capacity - total), &got, nullptr) || got == 0)
        break;
      total += static_cast<long>(got);
    }
    CloseHandle(file);
    return total;
  }

  bool WriteWholeFile(const char* path, const unsigned char* data, long size) override {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed(false);
    FileError = 0;
    long total = 0;
    while (total < size) {
      DWORD put = 0;
      if (!WriteFile(file, data + total, static_cast<DWORD>(size - total), &put, nullptr)) {
        Failed(false);
        break;
      }
      if (put == 0) {
        FileError = ERROR_WRITE_FAULT;
        break;
      }
      total += static_cast<long>(put);
    }
    bool ok = total == size && (FlushFileBuffers(file) || Failed(false));
    ok = (CloseHandle(file) || Failed(false)) && ok;
    return ok;
  }

  bool MoveFileOver(const char* from, const char* to) override {
    if (!MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return Failed(false);
    FileError = 0;
    return true;
  }

  bool RemoveFileAt(const char* path) override { return DeleteFileA(path) != 0; }

  void DrawBoard(int flags) override { mq::DrawBoard(nullptr, flags); }
  void UpdateStatusBar() override { mq::UpdateStatusBar(); }

  void SetStatusText(int part, const char* text) override {
    SendMessageA(StatusBar, SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
  }

  void RequestRepaint(int left, int top, int right, int bottom) override {
    HWND window = BoardWindow();
    if (!window) return;
    RECT area = {left, top, right, bottom};
    InvalidateRect(window, &area, TRUE);
  }

  // A thread timer (null window) would get an identifier of its own, which
  // the game could not recognise: without a window there is no timer.
  int StartTimer(int id, int milliseconds) override {
    HWND window = BoardWindow();
    if (!window) return 0;
    return static_cast<int>(
        SetTimer(window, static_cast<UINT_PTR>(id), static_cast<UINT>(milliseconds), nullptr));
  }

  void StopTimer(int id) override {
    HWND window = BoardWindow();
    if (window) KillTimer(window, static_cast<UINT_PTR>(id));
  }

  void SendMidi(int status, int data1, int data2) override { mq::SendMidi(status, data1, data2); }

  void RunScoresCommand() override {
    if (MainWindow) SendMessageA(MainWindow, WM_COMMAND, IDM_SCORES, 0);
  }
};

WindowsPlatform TheWindowsPlatform;

}  // namespace

void InstallWindowsPlatform() { SetPlatform(&TheWindowsPlatform); }

const char* FileErrorText() {
  static char text[256];
  text[0] = '\0';
  if (FileError == 0) return text;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                FileError, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
    text[--length] = '\0';
  if (length == 0) std::snprintf(text, sizeof text, "System error %lu.", FileError);
  return text;
}

}  // namespace mq
