// Acts on the modal dialogs a test opens. The dialogs run their own message
// loops inside the call that opens them, so a thread timer looks every 20 ms
// for the visible dialog with the expected title and hands it to the next
// step. A step whose dialog does not come within its time fails, and every
// dialog of the thread still open is then cancelled, so a test never hangs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace mq::test {

class DialogDriver {
 public:
  using Action = std::function<void(HWND dialog)>;

  DialogDriver();
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // Queues an action for the next visible dialog titled `title`.
  void Expect(const std::string& title, Action action, DWORD timeoutMs = 5000);

  // Runs `body` (which opens the dialogs) with the timer going.
  void Run(const std::function<void()>& body);

  // Steps that were carried out, and what went wrong, in order.
  int StepsDone() const { return done_; }
  bool AllDone() const { return failures_.empty() && steps_.empty(); }
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  struct Step {
    std::string Title;
    Action Act;
    DWORD Timeout;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();

  std::vector<Step> steps_;
  std::vector<std::string> failures_;
  int done_ = 0;
  DWORD stepStart_ = 0;
  UINT_PTR timer_ = 0;
  bool acting_ = false;
  int strayTicks_ = 0;
  static DialogDriver* active_;
};

// The visible top-level dialog (#32770) of this thread titled `title`, or null.
HWND FindThreadDialog(const char* title);
// Posts the command a click on button `id` would send.
void Click(HWND dialog, int id);
std::string ItemText(HWND dialog, int id);
std::string WindowText(HWND window);
// Pumps this thread's messages for `ms` milliseconds (timers included).
void PumpFor(DWORD ms);
// Pumps until `done` holds or `ms` pass; returns whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

}  // namespace mq::test
