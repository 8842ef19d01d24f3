// Starts a program in the current folder, waits for its window, closes it as
// the close button would and says how the program ended. Exit status 0 only
// when the window showed and the program then ended by itself with status 0.
//   start_and_close PROGRAM WINDOW_CLASS
#include <windows.h>

#include <cstdio>

namespace {

HWND WaitForWindow(const PROCESS_INFORMATION& process, const char* className) {
  for (int i = 0; i < 300; ++i) {  // 30 s: a first start in a new Wine prefix is slow
    if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) return nullptr;
    HWND window = FindWindowA(className, nullptr);
    DWORD owner = 0;
    if (window) GetWindowThreadProcessId(window, &owner);
    if (owner == process.dwProcessId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: start_and_close PROGRAM WINDOW_CLASS\n");
    return 2;
  }
  // The full path: CreateProcess would look in this helper's own folder first.
  char path[MAX_PATH];
  char command[MAX_PATH + 3];
  if (!GetFullPathNameA(argv[1], sizeof path, path, nullptr)) return 1;
  std::snprintf(command, sizeof command, "\"%s\"", path);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  int result = 1;
  DWORD code = 0;
  if (HWND window = WaitForWindow(process, argv[2])) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &code)) {
      std::printf("%s showed its window and ended with status %lu\n", argv[1], code);
      result = code == 0 ? 0 : 1;
    } else {
      std::printf("%s did not end after WM_CLOSE\n", argv[1]);
    }
  } else {
    std::printf("%s showed no %s window\n", argv[1], argv[2]);
  }
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}
