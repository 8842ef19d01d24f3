#include "ui/tests/dialog_driver.h"

namespace mq::test {

DialogDriver* DialogDriver::active_ = nullptr;

namespace {

struct Search {
  const char* Title;
  HWND Found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (search->Title && WindowText(window) != search->Title) return TRUE;
  search->Found = window;
  return FALSE;
}

}  // namespace

HWND FindThreadDialog(const char* title) {
  Search search = {title, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string WindowText(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  }
}

DialogDriver::DialogDriver() = default;

DialogDriver::~DialogDriver() {
  if (timer_) KillTimer(nullptr, timer_);
  if (active_ == this) active_ = nullptr;
}

void DialogDriver::Expect(const std::string& title, Action action, DWORD timeoutMs) {
  steps_.push_back({title, std::move(action), timeoutMs});
}

void DialogDriver::Run(const std::function<void()>& body) {
  // One driver at a time owns the timer's attention; runs do not nest.
  DialogDriver* previous = active_;
  active_ = this;
  stepStart_ = GetTickCount();
  timer_ = SetTimer(nullptr, 0, 20, Tick);
  body();
  // Steps may still wait for a dialog opened later (or never): give them
  // their time, then give up on them.
  DWORD left = 500;
  for (const Step& step : steps_) left += step.Timeout;
  PumpUntil([this] { return steps_.empty(); }, left);
  if (!steps_.empty()) {
    for (const Step& step : steps_) failures_.push_back("no dialog \"" + step.Title + "\"");
    steps_.clear();
  }
  KillTimer(nullptr, timer_);
  timer_ = 0;
  active_ = previous;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (active_) active_->OnTick();
}

void DialogDriver::OnTick() {
  if (acting_) return;
  if (steps_.empty()) {
    // Anything still open a while after the last step was not expected:
    // close it so the test goes on.
    HWND stray = FindThreadDialog(nullptr);
    if (!stray) {
      strayTicks_ = 0;
    } else if (++strayTicks_ >= 15) {
      failures_.push_back("unexpected dialog \"" + WindowText(stray) + "\"");
      PostMessageA(stray, WM_COMMAND, IDCANCEL, 0);
      strayTicks_ = 0;
    }
    return;
  }
  if (HWND dialog = FindThreadDialog(steps_.front().Title.c_str())) {
    Step step = std::move(steps_.front());
    steps_.erase(steps_.begin());
    acting_ = true;
    step.Act(dialog);
    acting_ = false;
    ++done_;
    stepStart_ = GetTickCount();
    return;
  }
  if (GetTickCount() - stepStart_ < steps_.front().Timeout) return;
  failures_.push_back("timed out waiting for \"" + steps_.front().Title + "\"");
  steps_.erase(steps_.begin());
  stepStart_ = GetTickCount();
  if (HWND stray = FindThreadDialog(nullptr)) PostMessageA(stray, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace mq::test
