// Shared pieces of the game tests: a platform that records every call, a
// literal-board loader and pixel positions of cells.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/game_check.h"
#include "storage/high_scores.h"

namespace mq::testing {

class RecordingPlatform : public Platform {
 public:
  std::vector<std::string> Calls;
  bool TimersFail = false;
  std::function<uint32_t()> Ticks = [] { return 100000u; };
  // Runs inside RunScoresCommand, as the dialog's modal loop would.
  std::function<void()> OnScores;

  uint32_t TickCount() override { return Ticks(); }
  void DrawBoard(int flags) override { Log("DrawBoard(0x%x)", flags); }
  void UpdateStatusBar() override { Calls.push_back("UpdateStatusBar"); }
  void SetStatusText(int part, const char* text) override {
    Calls.push_back("SetStatusText(" + std::to_string(part) + "," + text + ")");
  }
  void RequestRepaint(int l, int t, int r, int b) override { Log("RequestRepaint(%d,%d,%d,%d)", l, t, r, b); }
  int StartTimer(int id, int ms) override {
    Log("StartTimer(%d,%d)", id, ms);
    return TimersFail ? 0 : id;
  }
  void StopTimer(int id) override { Log("StopTimer(%d)", id); }
  void SendMidi(int s, int d1, int d2) override { Log("SendMidi(0x%X,%d,%d)", s, d1, d2); }
  void RunScoresCommand() override {
    Calls.push_back("RunScoresCommand");
    if (OnScores) OnScores();
  }

  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(Calls);
    return out;
  }

 private:
  template <typename... A>
  void Log(const char* format, A... args) {
    char text[96];
    std::snprintf(text, sizeof text, format, args...);
    Calls.emplace_back(text);
  }
};

// Installs a clean game state, empty high-score tables and a recorder.
class GameTest : public ::testing::Test {
 protected:
  RecordingPlatform Recorder;

  void SetUp() override {
    Game = GameState{};
    std::memset(HighScoreTables, 0, sizeof HighScoreTables);
    std::strcpy(PlayerName, "Tester");
    NewRecordIndex = -1;
    RandomState = 1;
    SetPlatform(&Recorder);
  }
  void TearDown() override { SetPlatform(nullptr); }
};

// Rows from the top, one character per column: '1'..'6' a tile, '.' empty.
inline void LoadBoard(std::initializer_list<const char*> rows, int level = 3) {
  std::memset(Game.Board, 0, sizeof Game.Board);
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  const int height = static_cast<int>(rows.size());
  const int width = static_cast<int>(std::strlen(*rows.begin()));
  int r = 0;
  for (const char* line : rows) {
    for (int c = 0; c < width; ++c) BoardAt(c, r) = line[c] == '.' ? 0 : static_cast<uint8_t>(line[c] - '0');
    ++r;
  }
  Game.ActiveColumns = Game.GameSettings.Columns = width;
  Game.ActiveRows = Game.GameSettings.Rows = height;
  Game.GameSettings.Level = level;
}

// The board in the same notation, for comparing with a literal.
inline std::vector<std::string> BoardRows() {
  std::vector<std::string> rows;
  for (int r = 0; r < Game.ActiveRows; ++r) {
    std::string line;
    for (int c = 0; c < Game.ActiveColumns; ++c) line += BoardAt(c, r) ? char('0' + BoardAt(c, r)) : '.';
    rows.push_back(line);
  }
  return rows;
}

// A pointer position inside cell (column, row) at the default pitch of 30,
// `dx`, `dy` pixels from the cell's hit-area origin.
inline uint32_t CellPosition(int column, int row, int dx = 10, int dy = 10) {
  const uint32_t x = static_cast<uint32_t>(3 + column * 30 + dx);
  const uint32_t y = static_cast<uint32_t>(3 + row * 30 + dy);
  return (y << 16) | x;
}

inline bool BoardInvariantsHold() { return IsLegalBoard(Game); }

}  // namespace mq::testing
