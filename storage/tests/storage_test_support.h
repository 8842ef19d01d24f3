// Shared by the storage tests: a platform with a fixed date and files kept in
// memory, and a way back to the state of a fresh program.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/game_check.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"

namespace mq::testing {

class MemoryPlatform : public Platform {
 public:
  LocalDate Date{2026, 3, 5};
  std::map<std::string, std::vector<unsigned char>> Files;
  bool FailWrite = false;
  bool FailMove = false;
  bool NoNewFiles = false;  // a folder without the right to create files
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
    if (NoNewFiles && Files.count(path) == 0) return false;
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

// "R7" and the like, for names that tell records apart.
inline std::string Numbered(const char* prefix, int n) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%d", prefix, n);
  return text;
}

inline HighScoreRecord Record(const char* name, int points, uint16_t date = 0) {
  HighScoreRecord r{};
  for (size_t i = 0; i + 1 < sizeof r.Name && name[i] != '\0'; ++i) r.Name[i] = name[i];
  r.Points = points;
  r.Date = date;
  return r;
}

}  // namespace mq::testing

namespace mq::testing {

// Everything a read may change, for comparing before and after.
struct StorageSnapshot {
  GameState Game;
  HighScoreRecord Tables[HIGH_SCORE_RECORDS];
  char Name[PLAYER_NAME_SIZE];
  int32_t NewRecord;

  static StorageSnapshot Take() {
    StorageSnapshot s;
    std::memcpy(&s.Game, &mq::Game, sizeof s.Game);
    std::memcpy(s.Tables, HighScoreTables, sizeof s.Tables);
    std::memcpy(s.Name, PlayerName, sizeof s.Name);
    s.NewRecord = NewRecordIndex;
    return s;
  }
  bool SameAsNow() const {
    return std::memcmp(&Game, &mq::Game, sizeof Game) == 0 &&
           std::memcmp(Tables, HighScoreTables, sizeof Tables) == 0 &&
           std::memcmp(Name, PlayerName, sizeof Name) == 0 && NewRecord == NewRecordIndex;
  }
};

// A file image assembled at explicit offsets, independent of the writer.
class FileBuilder {
 public:
  explicit FileBuilder(size_t size) : bytes(size, 0) {}
  std::vector<unsigned char> bytes;

  FileBuilder& Put32(size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes.at(at + i) = static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i));
    return *this;
  }
  FileBuilder& Put16(size_t at, uint16_t v) {
    bytes.at(at) = static_cast<unsigned char>(v);
    bytes.at(at + 1) = static_cast<unsigned char>(v >> 8);
    return *this;
  }
  FileBuilder& PutBytes(size_t at, const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) bytes.at(at + i) = p[i];
    return *this;
  }
  FileBuilder& PutRecord(size_t at, const char* name, uint16_t date, int32_t points) {
    unsigned char field[14] = {};
    std::memcpy(field, name, std::min<size_t>(std::strlen(name), 14));
    PutBytes(at, field, 14);
    Put16(at + 14, date);
    return Put32(at + 16, points);
  }
};

inline int32_t Get32(const std::vector<unsigned char>& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | b.at(at + i);
  return static_cast<int32_t>(v);
}
inline uint16_t Get16(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

}  // namespace mq::testing

namespace mq::testing {

// A game dealt on a board of the given size and played by random moves
// until it ends, through the move cycle as the window plays it. Tells the
// score and a cell of the final group as they were just before the final
// move.
struct FinishedGame {
  int32_t ScoreBefore = 0;
  int Column = 0, Row = 0;
};

template <typename Random>
FinishedGame PlayToTheEnd(Random& random, int columns, int rows) {
  Game.GameSettings.Level = static_cast<int>(random() % 4);
  Game.GameSettings.ScoringRule = static_cast<int>(random() % 3);
  Game.GameSettings.BoardSize = 3;
  Game.GameSettings.Columns = Game.ActiveColumns = columns;
  Game.GameSettings.Rows = Game.ActiveRows = rows;
  NewGame();
  FinishedGame end;
  while (!Game.GameOver) {
    std::vector<std::pair<int, int>> moves;
    for (int c = 0; c < Game.ActiveColumns; ++c) {
      for (int r = 0; r < Game.ActiveRows; ++r) {
        const uint8_t t = BoardAt(c, r);
        if (t != 0 && (BoardAt(c + 1, r) == t || BoardAt(c, r + 1) == t)) moves.emplace_back(c, r);
      }
    }
    if (moves.empty()) break;  // dealt without a move: never ends
    const auto [c, r] = moves[random() % moves.size()];
    end = {Game.Score, c, r};
    const uint32_t at = static_cast<uint32_t>((3 + r * 30 + 15) << 16 | (3 + c * 30 + 15));
    PressTile(at);
    ReleaseTile(at);
    CompleteMove(IDT_REMOVE);
  }
  return end;
}

}  // namespace mq::testing
