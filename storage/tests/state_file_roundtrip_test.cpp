// Games played with the real rules, written and read back: the history
// must carry on exactly as it would have without the file in between.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "storage/tests/storage_test_support.h"

namespace mq {
namespace {

using testing::MemoryPlatform;
using testing::ScopedPlatform;

constexpr const char* kProgram = "C:\\Games\\marblequake.exe";
constexpr const char* kSettings = "C:\\Games\\marblequake.ini";
constexpr const char* kSaved = "C:\\Games\\game.mqz";

class TickingPlatform : public MemoryPlatform {
 public:
  uint32_t Ticks = 987654;
  uint32_t TickCount() override { return Ticks; }
};

uint32_t Position(int column, int row) {
  const auto x = static_cast<uint32_t>(3 + column * 30 + 15);
  const auto y = static_cast<uint32_t>(3 + row * 30 + 15);
  return (y << 16) | x;
}

// Plays the group at (column, row) through the move cycle, as the window does.
void Play(int column, int row) {
  PressTile(Position(column, row));
  ReleaseTile(Position(column, row));
  CompleteMove(IDT_REMOVE);
}

// Every cell that has an equal neighbour, i.e. every cell a move can start from.
std::vector<std::pair<int, int>> Moves() {
  std::vector<std::pair<int, int>> moves;
  for (int c = 0; c < Game.ActiveColumns; ++c) {
    for (int r = 0; r < Game.ActiveRows; ++r) {
      const uint8_t t = BoardAt(c, r);
      if (t != 0 && (BoardAt(c + 1, r) == t || BoardAt(c, r + 1) == t)) moves.emplace_back(c, r);
    }
  }
  return moves;
}

struct Snapshot {
  std::vector<uint8_t> Board;
  int32_t Score;
};

Snapshot Now() { return {std::vector<uint8_t>(Game.Board, Game.Board + GRID_CELLS), Game.Score}; }

// The boards and scores met by undoing to the start and redoing to the end;
// leaves the game where it was.
std::vector<Snapshot> WalkHistory() {
  std::vector<Snapshot> seen;
  const int applied = Game.MoveCount;
  while (Game.MoveCount > 0) {
    UndoMove();
    seen.push_back(Now());
  }
  while (Game.MoveCount < Game.MoveTotal) {
    RedoMove();
    seen.push_back(Now());
  }
  while (Game.MoveCount > applied) UndoMove();
  return seen;
}

class StateFileRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetStorageState();
    RandomState = 1;
    SetProgramPath(kProgram);
  }
  void TearDown() override {
    SetProgramPath(nullptr);
    testing::ResetStorageState();
  }

  void Deal(int level, int columns, int rows, int boardSize) {
    Game.GameSettings.Level = level;
    Game.GameSettings.Columns = Game.ActiveColumns = columns;
    Game.GameSettings.Rows = Game.ActiveRows = rows;
    Game.GameSettings.BoardSize = boardSize;
    NewGame();
  }

  // As the window does after opening a game: the board in play follows the file.
  static void ResizeToTheFile() {
    Game.ActiveColumns = Game.GameSettings.Columns;
    Game.ActiveRows = Game.GameSettings.Rows;
  }

  // Writes the game in play as a saved game and reads it back into a fresh
  // program, as the next start would.
  static ::testing::AssertionResult SaveAndReadBack() {
    std::strcpy(FilePath, kSaved);
    if (TransferState(TS_WRITE) != TS_DONE)
      return ::testing::AssertionFailure() << "write: " << TransferFailureReason();
    testing::ResetStorageState();
    std::strcpy(FilePath, kSaved);
    if (TransferState(0) != TS_DONE)
      return ::testing::AssertionFailure() << "read: " << TransferFailureReason();
    ResizeToTheFile();
    return ::testing::AssertionSuccess();
  }

  TickingPlatform platform_;
  ScopedPlatform scoped_{&platform_};
};

TEST_F(StateFileRoundTripTest, GamesInProgressCarryOnAfterWriteAndRead) {
  std::mt19937 random(20260305);
  for (int round = 0; round < 40; ++round) {
    const int level = static_cast<int>(random() % 4);
    const int size = static_cast<int>(random() % 4);
    const int columns = size < 3 ? 11 + 5 * size : 6 + static_cast<int>(random() % 24);
    const int rows = size < 3 ? 12 + 5 * size : 6 + static_cast<int>(random() % 24);
    platform_.Ticks = 1000 + static_cast<uint32_t>(random() % 100000);
    Deal(level, columns, rows, size);
    Game.GameSettings.ScoringRule = static_cast<int>(random() % 3);

    const int wanted = static_cast<int>(random() % 60);
    for (int m = 0; m < wanted && !Game.GameOver; ++m) {
      const auto moves = Moves();
      if (moves.empty()) break;
      const auto [c, r] = moves[random() % moves.size()];
      Play(c, r);
    }
    const int undos = Game.MoveCount > 0 ? static_cast<int>(random() % (Game.MoveCount + 1)) : 0;
    for (int u = 0; u < undos; ++u) UndoMove();
    ASSERT_LE(Game.MoveTotal, 224);

    const bool settings = round % 2 == 0;
    std::strcpy(FilePath, kSaved);
    ASSERT_EQ(TransferState(settings ? TS_SETTINGS | TS_WRITE : TS_WRITE), TS_DONE);
    const GameState written = Game;
    const std::vector<Snapshot> history = WalkHistory();

    // Something else in between: another size, another game.
    Deal(3, 29, 29, 3);
    Play(Moves()[0].first, Moves()[0].second);
    std::strcpy(FilePath, kSaved);
    ASSERT_EQ(TransferState(settings ? TS_SETTINGS : 0), TS_DONE) << TransferFailureReason();
    ResizeToTheFile();

    EXPECT_EQ(std::memcmp(Game.Board, written.Board, GRID_CELLS), 0) << round;
    EXPECT_EQ(Game.Score, written.Score);
    EXPECT_EQ(Game.MoveCount, written.MoveCount);
    EXPECT_EQ(Game.MoveTotal, written.MoveTotal);
    EXPECT_EQ(Game.LogCursor, written.LogCursor);
    EXPECT_EQ(std::memcmp(Game.MoveIndex, written.MoveIndex, 2 * (written.MoveTotal + 1)), 0);
    EXPECT_EQ(std::memcmp(Game.RemovedCellLog, written.RemovedCellLog, sizeof written.RemovedCellLog), 0);
    EXPECT_EQ(std::memcmp(&Game.GameSettings, &written.GameSettings, sizeof written.GameSettings), 0);
    EXPECT_EQ(Game.ActiveColumns, columns);

    const std::vector<Snapshot> after = WalkHistory();
    ASSERT_EQ(after.size(), history.size()) << round;
    for (size_t i = 0; i < history.size(); ++i) {
      EXPECT_EQ(after[i].Board, history[i].Board) << "round " << round << " step " << i;
      EXPECT_EQ(after[i].Score, history[i].Score) << "round " << round << " step " << i;
    }
  }
}

TEST_F(StateFileRoundTripTest, FinishedGameComesBackFinished) {
  // A lone pair: one move clears the board.
  Deal(0, 6, 6, 3);
  std::memset(Game.Board, 0, sizeof Game.Board);
  for (int r = 4; r < 6; ++r) BoardAt(0, r) = 1;
  Game.Score = 0;
  Play(0, 5);
  ASSERT_EQ(Game.GameOver, 1);
  ASSERT_EQ(Game.Score, 2 + 100);
  ASSERT_EQ(NewRecordIndex, 120);
  ASSERT_TRUE(SaveAndReadBack());
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Game.HighScoreHandled, 1);
  EXPECT_EQ(Game.EndBonus, 100);
  EXPECT_EQ(Game.Score, 102);
  EXPECT_EQ(NewRecordIndex, -1) << "the record is not this run's";
  UndoMove();
  EXPECT_EQ(Game.Score, 0);
  RedoMove();
  EXPECT_EQ(Game.GameOver, 0);
}

// A program that took input during the removal pause could record a move of
// one tile, or of none. The history ends just before such a move; when the
// move was applied, the game goes back to the position before it.
TEST_F(StateFileRoundTripTest, MoveOfFewerThanTwoTilesEndsTheHistoryJustBeforeIt) {
  struct Case {
    const char* what;
    int at;     // the faulty move, from 1, among 8
    bool lone;  // one tile; else none
    int undos;  // before the write
    int count, total;
  };
  const Case cases[] = {
      {"lone tile applied", 4, true, 0, 3, 3},
      {"nothing removed, applied", 3, false, 1, 2, 2},
      {"lone tile to redo", 7, true, 3, 5, 6},
      {"lone tile first", 1, true, 0, 0, 0},
  };
  for (const Case& c : cases) {
    platform_.Ticks = 4242;
    RandomState = 9;
    Deal(3, 10, 10, 3);
    std::vector<Snapshot> line{Now()};
    for (int move = 1; move <= 8; ++move) {
      if (move == c.at) {
        // Press on a lone tile, or a group whose marks a miss then cleared.
        const auto moves = Moves();
        int lc = -1, lr = -1;
        for (int col = 0; col < Game.ActiveColumns && lc < 0; ++col) {
          for (int row = 0; row < Game.ActiveRows; ++row) {
            const uint8_t t = BoardAt(col, row);
            if (t == 0 || BoardAt(col + 1, row) == t || BoardAt(col, row + 1) == t ||
                (col > 0 && BoardAt(col - 1, row) == t) || (row > 0 && BoardAt(col, row - 1) == t))
              continue;
            lc = col, lr = row;
            break;
          }
        }
        ASSERT_GE(lc, 0) << c.what;
        PressTile(Position(c.lone ? lc : moves[0].first, c.lone ? lr : moves[0].second));
        if (!c.lone) std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
        Game.RemovalPending = 1;
        CompleteMove(IDT_REMOVE);
      } else {
        const auto moves = Moves();
        Play(moves[moves.size() / 2].first, moves[moves.size() / 2].second);
      }
      ASSERT_EQ(Game.MoveCount, move) << c.what;
      line.push_back(Now());
    }
    for (int u = 0; u < c.undos; ++u) UndoMove();
    const Snapshot written = Now();
    ASSERT_TRUE(SaveAndReadBack());
    EXPECT_EQ(Game.MoveCount, c.count) << c.what;
    EXPECT_EQ(Game.MoveTotal, c.total) << c.what;
    const Snapshot expected = c.count < 8 - c.undos ? line[c.count] : written;
    EXPECT_EQ(Now().Board, expected.Board) << c.what;
    // The points a move of no tiles added are nowhere in its log: they stay.
    const int32_t unknown = !c.lone && c.count < 8 - c.undos ? line[c.at].Score - line[c.at - 1].Score : 0;
    EXPECT_EQ(Now().Score, expected.Score + unknown) << c.what;
    // What is kept plays back to the start and forward again.
    while (Game.MoveCount > 0) UndoMove();
    EXPECT_EQ(Now().Board, line[0].Board) << c.what;
    while (Game.MoveCount < Game.MoveTotal) RedoMove();
    EXPECT_EQ(Now().Board, line[c.total].Board) << c.what;
  }
}

TEST_F(StateFileRoundTripTest, SettingsCarryTablesAndName) {
  Deal(1, 16, 17, 1);
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) {
    HighScoreTables[i] =
        testing::Record(testing::Numbered("N", i).c_str(), 5000 - i, static_cast<uint16_t>(0x8000 + i));
  }
  std::strcpy(PlayerName, "Player One");
  ASSERT_EQ(TransferState(TS_SETTINGS | TS_WRITE), TS_DONE);
  EXPECT_STREQ(FilePath, kSettings);
  const std::vector<unsigned char> first = platform_.Files.at(kSettings);
  const testing::StorageSnapshot written = testing::StorageSnapshot::Take();

  testing::ResetStorageState();
  ASSERT_EQ(TransferState(TS_SETTINGS), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(std::memcmp(HighScoreTables, written.Tables, sizeof HighScoreTables), 0);
  EXPECT_STREQ(PlayerName, "Player One");
  // Writing again gives the same bytes.
  ASSERT_EQ(TransferState(TS_SETTINGS | TS_WRITE), TS_DONE);
  EXPECT_EQ(platform_.Files.at(kSettings), first);
}

TEST_F(StateFileRoundTripTest, HistoryBeyondTheStoredIndexIsDroppedAndTheBoardKept) {
  // Columns of vertical pairs that never match across: 14 moves a column.
  Deal(3, 29, 29, 3);
  for (int c = 0; c < 29; ++c) {
    for (int r = 0; r < 29; ++r) {
      const int pair = (28 - r) / 2;
      BoardAt(c, r) = static_cast<uint8_t>((c % 2) * 2 + pair % 2 + 1);
    }
  }
  for (int c = 0; c < 29 && Game.MoveCount <= 230; ++c) {
    while (BoardAt(c, 27) != 0 && Game.MoveCount <= 230) {
      const int before = Game.MoveCount;
      Play(c, 28);
      ASSERT_EQ(Game.MoveCount, before + 1);
    }
  }
  ASSERT_GT(Game.MoveCount, 224);
  const GameState written = Game;
  ASSERT_TRUE(SaveAndReadBack());
  EXPECT_EQ(std::memcmp(Game.Board, written.Board, GRID_CELLS), 0);
  EXPECT_EQ(Game.Score, written.Score);
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.MoveTotal, 0);
  EXPECT_EQ(Game.LogCursor, 0);
  EXPECT_EQ(Game.MoveIndex[0], 0);
  // Play goes on from here with a fresh history.
  int column = 0;
  while (BoardAt(column, 27) == 0) ++column;
  Play(column, 28);
  EXPECT_EQ(Game.MoveCount, 1);
  UndoMove();
  EXPECT_EQ(std::memcmp(Game.Board, written.Board, GRID_CELLS), 0);
}

}  // namespace
}  // namespace mq
