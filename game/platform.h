// The seam between the portable game and the system it runs on. The Windows
// program implements it with real windows, timers, MIDI and files; tests and
// the command-line companion replace it. The base class does nothing, reads
// no clock and uses plain C file calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mq {

struct LocalDate {
  int Year;
  int Month;
  int Day;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // System services.
  virtual uint32_t TickCount() { return 0; }
  virtual LocalDate Today() { return {2008, 1, 1}; }
  // Writes the user's short form of the date, NUL-terminated, in at most
  // `room` bytes.
  virtual void FormatShortDate(LocalDate date, char* out, int room);

  // File access (names kept clear of the Win32 macros). ReadWholeFile
  // returns the bytes read (at most `capacity`) or -1 when the file cannot be
  // opened. WriteWholeFile creates or truncates and reports whether every
  // byte reached the disk. MoveFileOver replaces `to` by `from` in one step.
  virtual long ReadWholeFile(const char* path, unsigned char* buffer, long capacity);
  virtual bool WriteWholeFile(const char* path, const unsigned char* data, long size);
  virtual bool MoveFileOver(const char* from, const char* to);
  virtual bool RemoveFileAt(const char* path);

  // The window operations the move cycle calls.
  virtual void DrawBoard(int /*flags*/) {}
  virtual void UpdateStatusBar() {}
  virtual void SetStatusText(int /*part*/, const char* /*text*/) {}
  // Asks for a repaint, background erased, of a rectangle in client pixels.
  virtual void RequestRepaint(int /*left*/, int /*top*/, int /*right*/, int /*bottom*/) {}
  // Returns the identifier of the started timer, 0 when none could be started.
  virtual int StartTimer(int id, int /*milliseconds*/) { return id; }
  virtual void StopTimer(int /*id*/) {}
  virtual void SendMidi(int /*status*/, int /*data1*/, int /*data2*/) {}
  virtual void RunScoresCommand() {}
};

// The platform in use; a do-nothing one until SetPlatform installs another.
Platform& Host();
// Installs `platform` (null restores the do-nothing one) and returns the
// previous one.
Platform* SetPlatform(Platform* platform);

}  // namespace mq
