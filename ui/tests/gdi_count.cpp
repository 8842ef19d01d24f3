// Counts the GDI objects and device contexts the program holds: its calls
// to make and free them go through the import slots defined below. Under
// Wine GetGuiResources always answers 0.
#include <map>

#include "app.h"
#include "harness.h"

namespace mqtest {
namespace {

std::map<HANDLE, int> Live;

template <typename Handle>
Handle Made(Handle object) {
  if (object) ++Live[object];
  return object;
}

template <typename Result>
Result Freed(HANDLE object, Result done) {
  auto at = Live.find(object);
  if (done && at != Live.end() && --at->second == 0) Live.erase(at);
  return done;
}

// The system's own function, looked up once in the library that exports it.
#define MQ_REAL(library, function) \
  static const auto real = mq::LibraryFunction<decltype(&::function)>(GetModuleHandleA(library), #function)

HDC WINAPI CountedCreateCompatibleDC(HDC dc) {
  MQ_REAL("gdi32.dll", CreateCompatibleDC);
  return Made(real(dc));
}

BOOL WINAPI CountedDeleteDC(HDC dc) {
  MQ_REAL("gdi32.dll", DeleteDC);
  return Freed(dc, real(dc));
}

HBRUSH WINAPI CountedCreateSolidBrush(COLORREF colour) {
  MQ_REAL("gdi32.dll", CreateSolidBrush);
  return Made(real(colour));
}

BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
  MQ_REAL("gdi32.dll", DeleteObject);
  return Freed(object, real(object));
}

HBITMAP WINAPI CountedLoadBitmapA(HINSTANCE instance, LPCSTR name) {
  MQ_REAL("user32.dll", LoadBitmapA);
  return Made(real(instance, name));
}

HDC WINAPI CountedGetDC(HWND window) {
  MQ_REAL("user32.dll", GetDC);
  return Made(real(window));
}

int WINAPI CountedReleaseDC(HWND window, HDC dc) {
  MQ_REAL("user32.dll", ReleaseDC);
  return Freed(dc, real(window, dc));
}

}  // namespace

int LiveGdiObjects() {
  int total = 0;
  for (const auto& [object, count] : Live) total += count;
  return total;
}

size_t PrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  const char* at = nullptr;
  while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

}  // namespace mqtest

// Every call of the test program to these functions goes through its import
// slot; defining the slots here puts the counters in between.
// 64-bit Windows has no stdcall decoration.
#ifdef _WIN64
#define MQ_COUNTED(function, bytes) \
  void* function##Slot __asm__("__imp_" #function) = (void*)mqtest::Counted##function
#else
#define MQ_COUNTED(function, bytes) \
  void* function##Slot __asm__("__imp__" #function "@" #bytes) = (void*)mqtest::Counted##function
#endif
MQ_COUNTED(CreateCompatibleDC, 4);
MQ_COUNTED(DeleteDC, 4);
MQ_COUNTED(CreateSolidBrush, 4);
MQ_COUNTED(DeleteObject, 4);
MQ_COUNTED(LoadBitmapA, 8);
MQ_COUNTED(GetDC, 4);
MQ_COUNTED(ReleaseDC, 8);
