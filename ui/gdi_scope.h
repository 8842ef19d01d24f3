// Scoped device contexts and selections: every GetDC meets its ReleaseDC and
// every selected object is put back, whichever way a function returns.
#pragma once

#include <windows.h>

namespace mq {

// The client-area DC of a window, or nothing when the window is null.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(window ? GetDC(window) : nullptr) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~SelectScope() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace mq
