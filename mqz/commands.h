// The actions of `mqz play`: parsed from their command-line words and
// carried out through the game's own operations, as the window's mouse and
// menu would. Kept in a header so the tests can drive them too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/game_state.h"
#include "game/platform.h"

namespace mqz {

enum class ActionKind { Move, Undo, Redo, Replay, New, Level, Size, Custom, Shape, Scoring, Sound };

struct Action {
  ActionKind Kind = ActionKind::Move;
  int First = 0;   // column, or the value of a setting
  int Second = 0;  // row, or the rows of a custom size
};

// A plain decimal number without sign, spaces or trailing text.
inline bool ParseNumber(const char* text, size_t length, long limit, long& out) {
  if (length == 0 || length > 10) return false;
  long value = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  if (value > limit) return false;
  out = value;
  return true;
}

inline bool ParseNumber(const char* text, long limit, long& out) {
  return ParseNumber(text, std::strlen(text), limit, out);
}

// "A<sep>B" with both parts numbers.
inline bool ParsePair(const char* text, char separator, long limit, long& a, long& b) {
  const char* mark = std::strchr(text, separator);
  if (mark == nullptr) return false;
  return ParseNumber(text, static_cast<size_t>(mark - text), limit, a) && ParseNumber(mark + 1, limit, b);
}

// Parses one action word; false with a one-line message when it is none.
inline bool ParseAction(const char* word, Action& out, std::string& error) {
  const auto fail = [&](const char* why) {
    error = std::string("action \"") + word + "\": " + why;
    return false;
  };
  const auto setting = [&](const char* name, ActionKind kind, long low, long high) -> int {
    const size_t n = std::strlen(name);
    if (std::strncmp(word, name, n) != 0 || word[n] != '=') return 0;
    long value = 0;
    if (!ParseNumber(word + n + 1, 1000, value) || value < low || value > high) return -1;
    out = {kind, static_cast<int>(value), 0};
    return 1;
  };

  struct Word {
    const char* text;
    Action action;
  };
  static const Word words[] = {{"undo", {ActionKind::Undo}},         {"redo", {ActionKind::Redo}},
                               {"replay", {ActionKind::Replay}},     {"new", {ActionKind::New}},
                               {"sound=on", {ActionKind::Sound, 1}}, {"sound=off", {ActionKind::Sound, 0}}};
  for (const Word& w : words) {
    if (std::strcmp(word, w.text) == 0) {
      out = w.action;
      return true;
    }
  }
  if (std::strncmp(word, "sound=", 6) == 0) return fail("the sound is on or off");

  struct Setting {
    const char* name;
    ActionKind kind;
    long low, high;
    const char* range;
  };
  static const Setting settings[] = {{"level", ActionKind::Level, 0, 3, "the level is 0 to 3"},
                                     {"size", ActionKind::Size, 0, 2, "the size is 0 to 2"},
                                     {"shape", ActionKind::Shape, 0, 4, "the shape is 0 to 4"},
                                     {"scoring", ActionKind::Scoring, 0, 2, "the scoring rule is 0 to 2"}};
  for (const Setting& s : settings) {
    const int found = setting(s.name, s.kind, s.low, s.high);
    if (found == 1) return true;
    if (found == -1) return fail(s.range);
  }

  long a = 0, b = 0;
  if (std::strncmp(word, "custom=", 7) == 0) {
    if (!ParsePair(word + 7, 'x', 1000, a, b) || a < mq::MIN_BOARD_DIM || a > mq::MAX_BOARD_DIM ||
        b < mq::MIN_BOARD_DIM || b > mq::MAX_BOARD_DIM) {
      return fail("a custom size is CxR with 6 to 29 columns and rows");
    }
    out = {ActionKind::Custom, static_cast<int>(a), static_cast<int>(b)};
    return true;
  }
  if (std::strchr(word, ',') != nullptr) {
    if (!ParsePair(word, ',', 1000, a, b) || a >= mq::MAX_BOARD_DIM || b >= mq::MAX_BOARD_DIM) {
      return fail("a move is C,R with a column and a row from 0 to 28");
    }
    out = {ActionKind::Move, static_cast<int>(a), static_cast<int>(b)};
    return true;
  }
  return fail("unknown action");
}

// YYYY-MM-DD, a real calendar date.
inline bool ParseDate(const char* text, mq::LocalDate& out) {
  if (std::strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
  long year = 0, month = 0, day = 0;
  if (!ParseNumber(text, 4, 9999, year) || !ParseNumber(text + 5, 2, 12, month) ||
      !ParseNumber(text + 8, 2, 31, day)) {
    return false;
  }
  static const int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || day < 1 || day > days[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return false;
  out = {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
  return true;
}

inline bool ParseTicks(const char* text, uint32_t& out) {
  long value = 0;
  if (!ParseNumber(text, 4294967295L, value)) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

// What the window does after a size change: the board in play takes the
// configured size.
inline void ResizeBoardInPlay() {
  mq::Game.ActiveColumns = mq::Game.GameSettings.Columns;
  mq::Game.ActiveRows = mq::Game.GameSettings.Rows;
}

// The centre of a cell's tile at the default geometry, packed as a mouse
// message packs it.
inline uint32_t CellCentre(int column, int row) {
  const auto x = static_cast<uint32_t>(3 + column * 30 + 14);
  const auto y = static_cast<uint32_t>(3 + row * 30 + 14);
  return (y << 16) | x;
}

inline bool Refuse(std::string& refusal, const char* why) {
  refusal = why;
  return false;
}

// Why a click on (column, row) removed nothing, judged after the click.
inline const char* WhyNothingWent(int column, int row, bool wasOver) {
  if (wasOver) return "the game is over";
  if (column >= mq::Game.ActiveColumns || row >= mq::Game.ActiveRows) return "the cell is outside the board";
  if (mq::BoardAt(column, row) == 0) return "the cell is empty";
  return "the tile stands alone";
}

// Carries out one action. False, with the reason, when the menu would have
// it greyed or a move removes nothing; the game then changes no more than
// the same click in the window changes it.
inline bool ApplyAction(const Action& a, std::string& refusal) {
  using mq::Game;
  mq::GameSettingsRecord& s = Game.GameSettings;
  switch (a.Kind) {
    case ActionKind::Move: {
      Game.CellPitch = 30;
      Game.TileSize = 28;
      const bool wasOver = Game.GameOver != 0;
      const int moves = Game.MoveCount;
      const uint32_t at = CellCentre(a.First, a.Second);
      mq::PressTile(at);
      mq::ReleaseTile(at);
      mq::CompleteMove(mq::IDT_REMOVE);
      // No dialog holds the end-of-game sound: its timer runs out at once.
      const int timer = Game.CurrentTimerId;
      if (timer == mq::IDT_HIGH_SCORE || timer == mq::IDT_NO_HIGH_SCORE) mq::CompleteMove(timer);
      if (Game.MoveCount != moves) return true;
      refusal = "move " + std::to_string(a.First) + "," + std::to_string(a.Second) +
                ": nothing is removed, " + WhyNothingWent(a.First, a.Second, wasOver);
      return false;
    }
    case ActionKind::Undo:
      if (Game.MoveCount <= 0) return Refuse(refusal, "undo: there is no move to take back");
      mq::UndoMove();
      return true;
    case ActionKind::Redo:
      if (Game.MoveCount >= Game.MoveTotal) return Refuse(refusal, "redo: there is no move to apply again");
      mq::RedoMove();
      return true;
    case ActionKind::Replay:
      if (Game.MoveCount <= 0) return Refuse(refusal, "replay: the game is at its start");
      mq::ReplayGame();
      return true;
    case ActionKind::New:
      mq::NewGame();
      return true;
    case ActionKind::Level:
      s.Level = a.First;
      mq::NewGame();
      return true;
    case ActionKind::Size:
      s.BoardSize = a.First;
      s.Columns = a.First * 5 + 11;
      s.Rows = a.First * 5 + 12;
      ResizeBoardInPlay();
      mq::NewGame();
      return true;
    case ActionKind::Custom:
      s.Columns = a.First;
      s.Rows = a.Second;
      s.BoardSize = 3;
      ResizeBoardInPlay();
      mq::NewGame();
      return true;
    case ActionKind::Shape:
      s.Shape = a.First;
      ResizeBoardInPlay();
      return true;
    case ActionKind::Scoring:
      if (Game.MoveCount != 0)
        return Refuse(refusal, "scoring: the rule can change only before the first move");
      s.ScoringRule = a.First;
      return true;
    case ActionKind::Sound:
      s.SoundOff = a.First ? 0 : 1;
      return true;
  }
  return true;
}

}  // namespace mqz
