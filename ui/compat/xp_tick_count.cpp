// Keeps the exe starting on Windows XP. The static thread library that the
// C++ runtime brings in imports GetTickCount64, which kernel32 has only from
// Vista on, and the loader refuses an exe with an import it cannot resolve.
// Defining the import slot here keeps it out of the import table; calls go to
// kernel32's own function where it exists.
#include <windows.h>

namespace {

using TickCountFunction = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI TickCount64() {
  // Looked up on every call: the thread library asks only for timed waits,
  // which this program never makes, and a cache would need a lock.
  FARPROC system = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64");
  if (system) return reinterpret_cast<TickCountFunction>(reinterpret_cast<void (*)()>(system))();
  // XP: the 32-bit count, which wraps after 49.7 days.
  return GetTickCount();
}

}  // namespace

extern "C" {
void* TickCount64Import __asm__("__imp__GetTickCount64@0") = reinterpret_cast<void*>(&TickCount64);
}
