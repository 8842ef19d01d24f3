// Counts the GDI objects and device contexts the program holds: its calls
// to make and free them go through the import slots defined below. Under
// Wine GetGuiResources always answers 0.
#include <map>

#include "app.h"
#include "harness.h"

namespace mqtest {
namespace {

std::map<HANDLE, int> Live;

void Made(HANDLE object) {
  if (object) ++Live[object];
}

void Freed(HANDLE object) {
  auto at = Live.find(object);
  if (at != Live.end() && --at->second == 0) Live.erase(at);
}

template <typename Function>
Function Real(const char* library, const char* name) {
  return mq::LibraryFunction<Function>(GetModuleHandleA(library), name);
}

HDC WINAPI CountedCreateCompatibleDC(HDC dc) {
  static auto real = Real<decltype(&CountedCreateCompatibleDC)>("gdi32.dll", "CreateCompatibleDC");
  HDC made = real(dc);
  Made(made);
  return made;
}

BOOL WINAPI CountedDeleteDC(HDC dc) {
  static auto real = Real<decltype(&CountedDeleteDC)>("gdi32.dll", "DeleteDC");
  if (!real(dc)) return FALSE;
  Freed(dc);
  return TRUE;
}

HBRUSH WINAPI CountedCreateSolidBrush(COLORREF colour) {
  static auto real = Real<decltype(&CountedCreateSolidBrush)>("gdi32.dll", "CreateSolidBrush");
  HBRUSH made = real(colour);
  Made(made);
  return made;
}

BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
  static auto real = Real<decltype(&CountedDeleteObject)>("gdi32.dll", "DeleteObject");
  if (!real(object)) return FALSE;
  Freed(object);
  return TRUE;
}

HBITMAP WINAPI CountedLoadBitmapA(HINSTANCE instance, LPCSTR name) {
  static auto real = Real<decltype(&CountedLoadBitmapA)>("user32.dll", "LoadBitmapA");
  HBITMAP made = real(instance, name);
  Made(made);
  return made;
}

HANDLE WINAPI CountedLoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  static auto real = Real<decltype(&CountedLoadImageA)>("user32.dll", "LoadImageA");
  HANDLE made = real(instance, name, type, cx, cy, flags);
  if (type == IMAGE_BITMAP) Made(made);
  return made;
}

HDC WINAPI CountedGetDC(HWND window) {
  static auto real = Real<decltype(&CountedGetDC)>("user32.dll", "GetDC");
  HDC got = real(window);
  Made(got);
  return got;
}

int WINAPI CountedReleaseDC(HWND window, HDC dc) {
  static auto real = Real<decltype(&CountedReleaseDC)>("user32.dll", "ReleaseDC");
  int released = real(window, dc);
  if (released) Freed(dc);
  return released;
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
#define MQ_COUNTED(slot, function) void* function##Slot __asm__(slot) = (void*)mqtest::Counted##function
MQ_COUNTED("__imp__CreateCompatibleDC@4", CreateCompatibleDC);
MQ_COUNTED("__imp__DeleteDC@4", DeleteDC);
MQ_COUNTED("__imp__CreateSolidBrush@4", CreateSolidBrush);
MQ_COUNTED("__imp__DeleteObject@4", DeleteObject);
MQ_COUNTED("__imp__LoadBitmapA@8", LoadBitmapA);
MQ_COUNTED("__imp__LoadImageA@24", LoadImageA);
MQ_COUNTED("__imp__GetDC@4", GetDC);
MQ_COUNTED("__imp__ReleaseDC@8", ReleaseDC);
