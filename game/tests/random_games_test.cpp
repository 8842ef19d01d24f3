// Thousands of random games played through the pointer, with undo, redo and
// replay mixed in; after every step the board and history invariants must
// hold and the history must reproduce what was played.
#include <array>
#include <random>

#include "game/tests/game_test_support.h"

namespace mq::testing {
namespace {

using Board = std::array<uint8_t, GRID_CELLS>;
using Cells = std::vector<std::array<uint8_t, 3>>;

Board CurrentBoard() {
  Board b;
  std::memcpy(b.data(), Game.Board, sizeof Game.Board);
  return b;
}

Cells LoggedCells(int move) {
  Cells cells;
  for (int e = Game.MoveIndex[move - 1]; e < Game.MoveIndex[move]; ++e) {
    const RemovedCell& c = Game.RemovedCellLog[e];
    cells.push_back({c.Column, c.Row, c.Colour});
  }
  return cells;
}

int PointsFor(int n, int rule) {
  switch (rule) {
    case 0:
      return n * (n - 1);
    case 1:
      return (n - 1) * (n - 1);
    default:
      return n * (n - 3) + 4;
  }
}

// What the test saw of the line of play: entry k is after k moves.
struct Line {
  std::vector<Board> Boards;
  std::vector<int> Scores;  // without the end bonus
  std::vector<int> Points;
  std::vector<Cells> Logs;

  void Restart() {
    Boards.assign(1, CurrentBoard());
    Scores.assign(1, 0);
    Points.assign(1, 0);
    Logs.assign(1, {});
  }
};

void ExpectInvariants(const char* step) {
  ASSERT_TRUE(IsLegalBoard(Game)) << step;  // also: column 29 and row 29 empty
  ASSERT_GE(Game.MoveCount, 0) << step;
  ASSERT_LE(Game.MoveCount, Game.MoveTotal) << step;
  ASSERT_EQ(Game.LogCursor, Game.MoveIndex[Game.MoveCount]) << step;
  ASSERT_EQ(Game.MoveIndex[0], 0) << step;
  for (int k = 1; k <= Game.MoveTotal; ++k) ASSERT_GE(Game.MoveIndex[k] - Game.MoveIndex[k - 1], 2) << step;
  ASSERT_LE(Game.MoveIndex[Game.MoveTotal], Game.ActiveColumns * Game.ActiveRows) << step;
  ASSERT_EQ(Game.RemovalPending, 0) << step;
}

TrustedHistory ExpectedTrust() {
  if (Game.MoveCount > 224) return {0, 0};
  return {Game.MoveCount, Game.MoveTotal > 224 ? 224 : Game.MoveTotal};
}

class RandomGames : public GameTest {
 protected:
  std::mt19937_64 Rng{20261207};
  Line Seen;
  bool Tracking = true;

  int Below(int n) { return static_cast<int>(Rng() % static_cast<uint64_t>(n)); }

  void StartGame() {
    Game.ActiveColumns = Game.GameSettings.Columns = 6 + Below(24);
    Game.ActiveRows = Game.GameSettings.Rows = 6 + Below(24);
    Game.GameSettings.Level = Below(4);
    Game.GameSettings.ScoringRule = Below(3);
    RandomState = Rng();
    const uint32_t base = static_cast<uint32_t>(Rng());
    Recorder.Ticks = [this, base]() -> uint32_t {
      const int kind = Below(50);
      if (kind == 0) return 0;
      if (kind == 1) return 0x80000000u + static_cast<uint32_t>(Below(1000));
      return base + static_cast<uint32_t>(Below(1 << 20));
    };
    NewGame();
    Seen.Restart();
  }

  // Presses a random tile and, when a group of two or more lights up,
  // releases over one of its tiles; sometimes releases anywhere.
  bool TryMove() {
    for (int attempt = 0; attempt < 12; ++attempt) {
      const int c = Below(Game.ActiveColumns), r = Below(Game.ActiveRows);
      PressTile(CellPosition(c, r, Below(30), Below(30)));
      if (Game.SelectedCount < 2 || MarkAt(c, r) == 0) continue;
      uint32_t release;
      if (Below(8) == 0) {
        release = static_cast<uint32_t>(Below(3 + 30 * 30)) | static_cast<uint32_t>(Below(3 + 30 * 30)) << 16;
      } else {
        int mc, mr;
        do {
          mc = Below(Game.ActiveColumns);
          mr = Below(Game.ActiveRows);
        } while (MarkAt(mc, mr) == 0);
        release = CellPosition(mc, mr, Below(30), Below(30));
      }
      const int selected = Game.SelectedCount;
      ReleaseTile(release);
      if (!Game.RemovalPending) continue;
      if (Below(4) == 0) PressTile(CellPosition(Below(29), Below(29)));  // ignored while pending
      if (Below(6) == 0) CompleteMove(IDT_NO_HIGH_SCORE);                // a stale end sound
      CompleteMove(IDT_REMOVE);
      Recorded(selected);
      return true;
    }
    return false;
  }

  void Recorded(int selected) {
    const int k = Game.MoveCount;
    ASSERT_EQ(Game.MoveTotal, k);
    if (!Tracking) return;
    ASSERT_GE(static_cast<int>(Seen.Boards.size()), k);
    Seen.Boards.resize(k);  // a move after an undo drops what could be redone
    Seen.Scores.resize(k);
    Seen.Points.resize(k);
    Seen.Logs.resize(k);
    ASSERT_EQ(Game.MoveIndex[k] - Game.MoveIndex[k - 1], selected);
    ASSERT_EQ(Game.LastMovePoints, PointsFor(selected, Game.GameSettings.ScoringRule));
    const int score = Seen.Scores[k - 1] + Game.LastMovePoints;
    ASSERT_EQ(Game.Score, score + (Game.GameOver ? Game.EndBonus : 0));
    Seen.Boards.push_back(CurrentBoard());
    Seen.Scores.push_back(score);
    Seen.Points.push_back(Game.LastMovePoints);
    Seen.Logs.push_back(LoggedCells(k));
  }

  void Undo() {
    const int groupSize = Game.MoveIndex[Game.MoveCount] - Game.MoveIndex[Game.MoveCount - 1];
    UndoMove();
    const int k = Game.MoveCount;
    ASSERT_EQ(CurrentBoard(), Seen.Boards[k]);
    ASSERT_EQ(Game.Score, Seen.Scores[k]);
    ASSERT_EQ(Game.GameOver, 0);
    ASSERT_EQ(Game.SelectedCount, groupSize);
  }

  void Redo() {
    RedoMove();
    const int k = Game.MoveCount;
    ASSERT_EQ(CurrentBoard(), Seen.Boards[k]);
    ASSERT_EQ(Game.Score, Seen.Scores[k]);
    ASSERT_EQ(Game.LastMovePoints, Seen.Points[k]);
    ASSERT_EQ(LoggedCells(k), Seen.Logs[k]);
  }

  void Replay() {
    const int total = Game.MoveTotal;
    ReplayGame();
    ASSERT_EQ(Game.MoveCount, 0);
    ASSERT_EQ(Game.MoveTotal, total);
    ASSERT_EQ(CurrentBoard(), Seen.Boards[0]);
    ASSERT_EQ(Game.Score, 0);
  }

  void CheckHistoryKeepsIt() {
    const GameState before = Game;
    const TrustedHistory expected = ExpectedTrust();
    const TrustedHistory kept = CheckHistory(Game);
    ASSERT_EQ(kept.MoveCount, expected.MoveCount);
    ASSERT_EQ(kept.MoveTotal, expected.MoveTotal);
    ASSERT_EQ(std::memcmp(&before, &Game, sizeof Game), 0);
  }

  // The whole record from the start: every board, every move's points and
  // the same log bytes.
  void ReplayToTheEnd() {
    Replay();
    while (Game.MoveCount < Game.MoveTotal) {
      Redo();
      ExpectInvariants("redo to the end");
    }
  }

  void PlayGame(int steps) {
    StartGame();
    ExpectInvariants("new game");
    for (int step = 0; step < steps; ++step) {
      const int roll = Below(100);
      if (Game.GameOver) {
        if (roll < 60) {
          Undo();
        } else if (roll < 75) {
          Replay();
        } else {
          break;
        }
      } else if (roll < 70) {
        if (!TryMove() && Game.MoveCount > 0) Undo();
      } else if (roll < 85) {
        if (Game.MoveCount > 0) Undo();
      } else if (roll < 97) {
        if (Game.MoveCount < Game.MoveTotal) Redo();
      } else {
        Replay();
      }
      if (HasFatalFailure()) return;
      ExpectInvariants("step");
      if (HasFatalFailure()) return;
      if (Below(64) == 0) CheckHistoryKeepsIt();
    }
    CheckHistoryKeepsIt();
    ReplayToTheEnd();
  }
};

TEST_F(RandomGames, InvariantsHoldAndHistoryReproducesThePlay) {
  for (int game = 0; game < 2500 && !HasFatalFailure(); ++game) {
    SCOPED_TRACE(game);
    PlayGame(40 + Below(400));
  }
}

// A history damaged at random must never be read outside its arrays, and
// what CheckHistory keeps must then play back safely.
class DamagedHistories : public RandomGames {
 protected:
  void Damage(GameState& g) {
    const int hits = 1 + Below(4);
    auto recorded = [&g] { return g.MoveTotal >= 0 && g.MoveTotal < 448 ? g.MoveTotal : 0; };
    for (int i = 0; i < hits; ++i) {
      switch (Below(9)) {
        case 0: {
          const int span = g.MoveIndex[recorded()] + 4;
          reinterpret_cast<uint8_t*>(g.RemovedCellLog)[Below(span * 3 > 2700 ? 2700 : span * 3)] =
              static_cast<uint8_t>(Rng());
          break;
        }
        case 1:
          g.MoveIndex[Below(recorded() + 2)] += static_cast<uint16_t>(Below(5) - 2);
          break;
        case 2:
          g.MoveIndex[Below(450)] = static_cast<uint16_t>(Rng());
          break;
        case 3:
          g.MoveCount += Below(5) - 2;
          break;
        case 4:
          g.MoveTotal = Below(3) == 0 ? static_cast<int32_t>(Rng()) : g.MoveTotal + Below(5) - 2;
          break;
        case 5:
          g.Board[Below(GRID_CELLS)] = static_cast<uint8_t>(Below(8));
          break;
        case 6:
          g.GameSettings.Level = Below(6) - 1;
          break;
        case 7:
          (Below(2) ? g.GameSettings.Columns : g.GameSettings.Rows) = Below(34);
          break;
        default:
          reinterpret_cast<uint8_t*>(&g)[Below(sizeof g)] = static_cast<uint8_t>(Rng());
          break;
      }
    }
  }

  // Installs the candidate as a reader would and plays the kept history
  // back and forth.
  void PlayBack(const GameState& candidate, TrustedHistory kept) {
    Game = candidate;
    Game.ActiveColumns = candidate.GameSettings.Columns;
    Game.ActiveRows = candidate.GameSettings.Rows;
    Game.MoveCount = kept.MoveCount;
    Game.MoveTotal = kept.MoveTotal;
    Game.MoveIndex[0] = 0;
    Game.LogCursor = Game.MoveIndex[kept.MoveCount];
    Game.GameOver = Game.RemovalPending = 0;
    Game.CellPitch = 30;
    Game.TileSize = 28;
    std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
    ExpectInvariants("installed");
    while (Game.MoveCount < Game.MoveTotal) {
      RedoMove();
      ExpectInvariants("redo kept");
    }
    while (Game.MoveCount > 0) {
      UndoMove();
      ExpectInvariants("undo kept");
    }
    Tracking = false;  // a board of its own, not the line of play seen
    for (int i = 0; i < 5; ++i) TryMove();
    Tracking = true;
    ExpectInvariants("played on");
  }
};

TEST_F(DamagedHistories, NeverOverrunAndKeepOnlyWhatPlaysBack) {
  for (int round = 0; round < 600 && !HasFatalFailure(); ++round) {
    SCOPED_TRACE(round);
    StartGame();
    for (int step = 0; step < 400 && !Game.GameOver; ++step) {
      if (!TryMove()) break;
    }
    if (HasFatalFailure()) return;
    while (Game.MoveCount > 0 && Below(3) != 0) UndoMove();
    for (int variant = 0; variant < 4; ++variant) {
      GameState candidate = Game;
      Damage(candidate);
      const GameState before = Game;
      const TrustedHistory kept = CheckHistory(candidate);
      ASSERT_EQ(std::memcmp(&before, &Game, sizeof Game), 0);
      ASSERT_GE(kept.MoveCount, 0);
      ASSERT_LE(kept.MoveCount, kept.MoveTotal);
      ASSERT_LE(kept.MoveTotal, 224);
      // Applied moves are kept whole, or all go, or (a move of fewer than
      // two tiles among them) the game goes back to just before that move.
      static GameState trimmed;
      trimmed = candidate;
      const int takenBack = TrimHistory(trimmed);
      ASSERT_EQ(trimmed.MoveCount, kept.MoveCount);
      if (kept.MoveCount != 0 || takenBack != 0) {
        ASSERT_EQ(kept.MoveCount + takenBack, candidate.MoveCount);
      }
      if (takenBack != 0) {
        ASSERT_EQ(kept.MoveCount, kept.MoveTotal);
      }
      if (IsLegalBoard(candidate)) PlayBack(trimmed, kept);
      Game = before;
    }
  }
}

TEST_F(DamagedHistories, RandomBytesAreJudgedSafely) {
  static GameState noise;
  for (int round = 0; round < 3000; ++round) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&noise);
    for (size_t i = 0; i < sizeof noise; ++i) bytes[i] = static_cast<uint8_t>(Rng());
    if (round % 2 == 0) {  // a plausible frame around the noise
      noise.GameSettings.Level = Below(4);
      noise.GameSettings.Columns = 6 + Below(24);
      noise.GameSettings.Rows = 6 + Below(24);
      noise.MoveCount = Below(5);
      noise.MoveTotal = noise.MoveCount + Below(5);
      std::memset(noise.Board, 0, sizeof noise.Board);
      noise.MoveIndex[0] = 0;
    }
    const TrustedHistory kept = CheckHistory(noise);
    ASSERT_GE(kept.MoveCount, 0);
    ASSERT_LE(kept.MoveCount, kept.MoveTotal);
    ASSERT_LE(kept.MoveTotal, 224);
  }
}

}  // namespace
}  // namespace mq::testing
