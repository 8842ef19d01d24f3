#include "game/platform.h"

#include <cstdio>

namespace mq {

void Platform::FormatShortDate(LocalDate date, char* out, int room) {
  if (room <= 0) return;
  std::snprintf(out, static_cast<size_t>(room), "%04d-%02d-%02d", date.Year, date.Month, date.Day);
}

long Platform::ReadWholeFile(const char* path, unsigned char* buffer, long capacity) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return -1;
  size_t n = std::fread(buffer, 1, static_cast<size_t>(capacity), f);
  std::fclose(f);
  return static_cast<long>(n);
}

bool Platform::WriteWholeFile(const char* path, const unsigned char* data, long size) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

bool Platform::MoveFileOver(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool Platform::RemoveFileAt(const char* path) { return std::remove(path) == 0; }

namespace {
Platform QuietPlatform;
Platform* Current = &QuietPlatform;
}  // namespace

Platform& Host() { return *Current; }

Platform* SetPlatform(Platform* platform) {
  Platform* previous = Current;
  Current = platform ? platform : &QuietPlatform;
  return previous;
}

}  // namespace mq
