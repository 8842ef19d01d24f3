// Shared by the storage tests: a platform with a fixed date and files kept in
// memory, and a way back to the state of a fresh program.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"

namespace mq::testing {

class MemoryPlatform : public Platform {
 public:
  LocalDate Date{2026, 3, 5};
  std::map<std::string, std::vector<unsigned char>> Files;
  bool FailWrite = false;
  bool FailMove = false;
  int Writes = 0;

  LocalDate Today() override { return Date; }

  long ReadWholeFile(const char* path, unsigned char* buffer, long capacity) override {
    auto it = Files.find(path);
    if (it == Files.end()) return -1;
    long n = static_cast<long>(it->second.size());
    if (n > capacity) n = capacity;
    if (n > 0) std::memcpy(buffer, it->second.data(), static_cast<size_t>(n));
    return n;
  }
  bool WriteWholeFile(const char* path, const unsigned char* data, long size) override {
    ++Writes;
    if (FailWrite) {
      // A failed write may still leave a partial file behind.
      Files[path].assign(data, data + size / 2);
      return false;
    }
    Files[path].assign(data, data + size);
    return true;
  }
  bool MoveFileOver(const char* from, const char* to) override {
    if (FailMove) return false;
    auto it = Files.find(from);
    if (it == Files.end()) return false;
    Files[to] = it->second;
    Files.erase(from);
    return true;
  }
  bool RemoveFileAt(const char* path) override { return Files.erase(path) > 0; }
};

// Installs a platform for the life of a test and restores the previous one.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform* p) : previous_(SetPlatform(p)) {}
  ~ScopedPlatform() { SetPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

inline void ResetStorageState() {
  Game = GameState{};
  std::memset(HighScoreTables, 0, sizeof HighScoreTables);
  std::memset(PlayerName, 0, sizeof PlayerName);
  std::memset(TextBuffer, 0, sizeof TextBuffer);
  std::memset(FilePath, 0, sizeof FilePath);
  NewRecordIndex = -1;
}

inline HighScoreRecord Record(const char* name, int points, uint16_t date = 0) {
  HighScoreRecord r{};
  std::strncpy(r.Name, name, sizeof r.Name - 1);
  r.Points = points;
  r.Date = date;
  return r;
}

}  // namespace mq::testing
