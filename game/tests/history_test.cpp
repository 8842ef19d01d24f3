#include "game/tests/game_test_support.h"

namespace mq::testing {
namespace {

class History : public GameTest {
 protected:
  void Play(int column, int row) {
    PressTile(CellPosition(column, row));
    ReleaseTile(CellPosition(column, row));
    CompleteMove(IDT_REMOVE);
  }
};

struct UndoCase {
  const char* name;
  std::vector<const char*> rows;
  int column, row;
  int size;
};

class UndoCases : public History, public ::testing::WithParamInterface<UndoCase> {};

TEST_P(UndoCases, UndoRestoresTheBoardAndSelectsTheGroup) {
  const UndoCase& t = GetParam();
  std::memset(Game.Board, 0, sizeof Game.Board);
  const int height = static_cast<int>(t.rows.size());
  const int width = static_cast<int>(std::strlen(t.rows[0]));
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c) BoardAt(c, r) = t.rows[r][c] == '.' ? 0 : t.rows[r][c] - '0';
  Game.ActiveColumns = Game.GameSettings.Columns = width;
  Game.ActiveRows = Game.GameSettings.Rows = height;
  Game.GameSettings.Level = 3;
  Game.Score = 1000;
  const std::vector<std::string> before = BoardRows();
  PressTile(CellPosition(t.column, t.row));
  uint8_t marks[GRID_CELLS];
  std::memcpy(marks, Game.MarkGrid, sizeof marks);
  ReleaseTile(CellPosition(t.column, t.row));
  CompleteMove(IDT_REMOVE);
  ASSERT_EQ(Game.MoveCount, 1);
  ASSERT_NE(BoardRows(), before);

  UndoMove();
  EXPECT_EQ(BoardRows(), before);
  EXPECT_EQ(Game.SelectedCount, t.size);
  EXPECT_EQ(std::memcmp(Game.MarkGrid, marks, sizeof marks), 0);  // shown outlined again
  EXPECT_EQ(Game.Score, 1000);
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.MoveTotal, 1);
  EXPECT_EQ(Game.LogCursor, 0);
  EXPECT_EQ(Game.GameOver, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, UndoCases,
    ::testing::Values(
        UndoCase{
            "leftmost_column_closed", {"512121", "521212", "512121", "521212", "512121", "552121"}, 0, 0, 7},
        UndoCase{
            "closed_and_open_columns", {"125123", "215214", "125123", "215214", "125123", "215554"}, 2, 0, 8},
        UndoCase{"two_columns_closed",
                 {"1216634", "2126643", "1216634", "2126643", "1216634", "2126643"},
                 3,
                 3,
                 12},
        UndoCase{"last_column_closed", {"123421", "214331", "123421", "214331", "123421", "214331"}, 5, 0, 6},
        UndoCase{"with_empty_columns_right", {"1....", "2....", "12...", "21...", "12...", "2122."}, 2, 5, 2},
        UndoCase{"ends_the_game", {"......", "......", "......", "......", "......", "11232."}, 0, 5, 2}),
    [](const ::testing::TestParamInfo<UndoCase>& info) { return std::string(info.param.name); });

TEST_F(History, UndoAfterTheEndTakesTheBonusBack) {
  LoadBoard({"......", "......", "......", "......", "......", "1122.."});
  Play(0, 5);
  Play(0, 5);
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Game.Score, 104);
  UndoMove();
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.Score, 2);
  EXPECT_EQ(Game.EndBonus, 100);  // kept, but no longer counted
  EXPECT_EQ(Game.MoveTotal, 2);
  RedoMove();  // a redo never ends a game
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.Score, 4);
  EXPECT_EQ(Game.LastMovePoints, 2);
}

TEST_F(History, NewMoveAfterUndoDropsTheRedo) {
  LoadBoard({"......", "......", "......", "......", "3.....", "112233"});
  Play(0, 5);
  Play(1, 5);
  UndoMove();
  UndoMove();
  EXPECT_EQ(Game.MoveTotal, 2);
  Play(4, 5);
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_EQ(Game.MoveTotal, 1);
  EXPECT_EQ(Game.MoveIndex[1], 2);
  EXPECT_EQ(Game.RemovedCellLog[0].Column, 4);
}

TEST_F(History, ReplayThenRedoUnderAnotherRule) {
  LoadBoard({"......", "......", "......", "......", "3.....", "111333"});
  Play(0, 5);
  Play(0, 5);
  EXPECT_EQ(Game.Score, 6 + 12 + 100);  // cleared
  ReplayGame();
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.MoveTotal, 2);
  EXPECT_EQ(Game.SelectedCount, 3);  // the first move's group, outlined
  Game.GameSettings.ScoringRule = 1;
  RedoMove();
  RedoMove();
  EXPECT_EQ(Game.Score, 4 + 9);
  EXPECT_EQ(Game.LastMovePoints, 9);
}

TEST_F(History, ReplayOfAnUntouchedGameOnlyResets) {
  LoadBoard({"......", "......", "......", "......", "3.....", "111333"});
  Game.HighScoreHandled = 1;
  Game.MoveIndex[0] = 5;
  Game.LogCursor = 5;
  const std::vector<std::string> before = BoardRows();
  ReplayGame();
  EXPECT_EQ(BoardRows(), before);
  EXPECT_EQ(Game.HighScoreHandled, 0);
  EXPECT_EQ(Game.MoveIndex[0], 0);
  EXPECT_EQ(Game.LogCursor, 0);
}

// Every column holds a single of colour 3 or 4 on top of fourteen vertical
// pairs of 1s and 2s, checkered so that no two pairs touch: 406 moves of
// two tiles each, more than the state file can carry.
void LoadPairBoard() {
  std::memset(Game.Board, 0, sizeof Game.Board);
  for (int c = 0; c < 29; ++c) {
    BoardAt(c, 0) = static_cast<uint8_t>(3 + c % 2);
    for (int j = 0; j < 14; ++j) {
      BoardAt(c, 2 * j + 1) = BoardAt(c, 2 * j + 2) = static_cast<uint8_t>(1 + (c + j) % 2);
    }
  }
  Game.ActiveColumns = Game.GameSettings.Columns = 29;
  Game.ActiveRows = Game.GameSettings.Rows = 29;
  Game.GameSettings.Level = 3;
}

void PlayPairBoard() {
  for (int j = 0; j < 14; ++j) {
    for (int c = 0; c < 29; ++c) {
      PressTile(CellPosition(c, 2 * j + 2));
      ReleaseTile(CellPosition(c, 2 * j + 2));
      CompleteMove(IDT_REMOVE);
    }
  }
}

TEST_F(History, LongestLineFitsTheArrays) {
  LoadPairBoard();
  uint8_t start[GRID_CELLS];
  std::memcpy(start, Game.Board, sizeof start);
  PlayPairBoard();
  EXPECT_EQ(Game.MoveCount, 406);
  EXPECT_EQ(Game.LogCursor, 812);
  EXPECT_EQ(Game.MoveIndex[406], 812);
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Game.Score, 406 * 2);
  ReplayGame();
  EXPECT_EQ(std::memcmp(start, Game.Board, sizeof start), 0);
  EXPECT_EQ(Game.Score, 0);
  while (Game.MoveCount < Game.MoveTotal) RedoMove();
  EXPECT_EQ(Game.Score, 406 * 2);
  EXPECT_EQ(Game.GameOver, 0);
  for (int c = 0; c < 29; ++c) EXPECT_EQ(BoardAt(c, 28), 3 + c % 2);
}

TEST_F(History, CheckHistoryCutsWhatTheFileCannotHold) {
  LoadPairBoard();
  PlayPairBoard();
  const GameState played = Game;
  const TrustedHistory all = CheckHistory(played);
  EXPECT_EQ(all.MoveCount, 0);  // 406 applied moves: their start is not in the file
  EXPECT_EQ(all.MoveTotal, 0);
  for (int k = 0; k < 406 - 100; ++k) UndoMove();
  ASSERT_EQ(Game.MoveCount, 100);
  Recorder.Take();
  const GameState before = Game;
  const TrustedHistory cut = CheckHistory(Game);
  EXPECT_EQ(cut.MoveCount, 100);
  EXPECT_EQ(cut.MoveTotal, 224);
  EXPECT_EQ(std::memcmp(&before, &Game, sizeof Game), 0);  // the game is put back
  EXPECT_TRUE(Recorder.Take().empty());                    // and nothing reached the window
}

// Pair-board games of 50 moves with 30 applied; each case damages one
// thing and names the counts that can still be trusted.
struct Damage {
  const char* name;
  void (*apply)(GameState&);
  int count, total;
};

class CheckHistoryDamage : public History, public ::testing::WithParamInterface<Damage> {};

TEST_P(CheckHistoryDamage, KeepsOnlyTheConsistentPart) {
  LoadPairBoard();
  for (int k = 0; k < 50; ++k) {
    const int c = k % 29, j = k / 29;
    PressTile(CellPosition(c, 2 * j + 2));
    ReleaseTile(CellPosition(c, 2 * j + 2));
    CompleteMove(IDT_REMOVE);
  }
  for (int k = 0; k < 20; ++k) UndoMove();
  GameState candidate = Game;
  GetParam().apply(candidate);
  const TrustedHistory kept = CheckHistory(candidate);
  EXPECT_EQ(kept.MoveCount, GetParam().count);
  EXPECT_EQ(kept.MoveTotal, GetParam().total);
}

RemovedCell& FirstEntry(GameState& g, int move) { return g.RemovedCellLog[g.MoveIndex[move - 1]]; }

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckHistoryDamage,
    ::testing::Values(
        Damage{"genuine", [](GameState&) {}, 30, 50},
        Damage{"stale_log_beyond_the_record",
               [](GameState& g) {
                 g.RemovedCellLog[500] = {200, 200, 200};
               },
               30, 50},
        Damage{"colour_of_a_redo_move", [](GameState& g) { FirstEntry(g, 40).Colour ^= 3; }, 30, 39},
        Damage{"colour_of_an_applied_move", [](GameState& g) { FirstEntry(g, 10).Colour ^= 3; }, 0, 0},
        Damage{"cell_of_a_redo_move_elsewhere", [](GameState& g) { FirstEntry(g, 44).Column = 3; }, 30, 43},
        Damage{"column_outside_the_board", [](GameState& g) { FirstEntry(g, 35).Column = 29; }, 30, 34},
        Damage{"row_outside_the_board", [](GameState& g) { FirstEntry(g, 5).Row = 200; }, 0, 0},
        Damage{"colour_beyond_the_level", [](GameState& g) { FirstEntry(g, 45).Colour = 7; }, 30, 44},
        Damage{"stray_bit", [](GameState& g) { FirstEntry(g, 45).Colour |= 0x40; }, 30, 44},
        Damage{"closed_above_the_bottom", [](GameState& g) { FirstEntry(g, 33).Colour |= ColumnClosedBit; },
               30, 32},
        Damage{"entries_out_of_order",
               [](GameState& g) { std::swap(FirstEntry(g, 41), g.RemovedCellLog[g.MoveIndex[40] + 1]); }, 30,
               40},
        Damage{"index_not_increasing", [](GameState& g) { g.MoveIndex[45] = g.MoveIndex[44]; }, 30, 44},
        Damage{"index_beyond_the_log", [](GameState& g) { g.MoveIndex[50] = 900; }, 30, 49},
        Damage{"index_zero_not_zero", [](GameState& g) { g.MoveIndex[0] = 1; }, 0, 0},
        Damage{"count_above_total", [](GameState& g) { g.MoveCount = 51; }, 0, 0},
        Damage{"negative_count", [](GameState& g) { g.MoveCount = -1; }, 0, 0},
        Damage{"count_beyond_the_file", [](GameState& g) { g.MoveCount = g.MoveTotal = 225; }, 0, 0},
        Damage{"total_beyond_the_file", [](GameState& g) { g.MoveTotal = 100000; }, 30, 50},
        Damage{"tile_under_a_redo_move", [](GameState& g) { g.Board[CellIndex(10, 3)] = 5; }, 30, 39},
        Damage{"tile_the_history_never_touches", [](GameState& g) { g.Board[CellIndex(28, 28)] ^= 3; }, 30,
               50},
        Damage{"extra_tile_on_a_column", [](GameState& g) { g.Board[CellIndex(5, 1)] = 1; }, 0, 0},
        Damage{"board_with_a_gap", [](GameState& g) { g.Board[CellIndex(5, 20)] = 0; }, 0, 0},
        Damage{"board_beyond_the_level", [](GameState& g) { g.GameSettings.Level = 0; }, 0, 0},
        Damage{"board_size_out_of_range", [](GameState& g) { g.GameSettings.Columns = 30; }, 0, 0},
        Damage{"one_tile_move", [](GameState& g) { g.MoveIndex[1] = 1; }, 0, 0}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

struct LegalCase {
  const char* name;
  void (*change)(GameState&);
  bool legal;
};

class LegalBoards : public GameTest, public ::testing::WithParamInterface<LegalCase> {};

TEST_P(LegalBoards, ReachablePositionsOnly) {
  LoadBoard({"1.....", "2.3...", "321...", "123...", "231...", "312..."}, 0);
  GetParam().change(Game);
  EXPECT_EQ(IsLegalBoard(Game), GetParam().legal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LegalBoards,
    ::testing::Values(
        LegalCase{"as_dealt", [](GameState&) {}, true},
        LegalCase{"empty", [](GameState& g) { std::memset(g.Board, 0, sizeof g.Board); }, true},
        LegalCase{"colour_of_the_level", [](GameState& g) { g.Board[CellIndex(0, 5)] = 3; }, true},
        LegalCase{"colour_beyond_the_level", [](GameState& g) { g.Board[CellIndex(0, 5)] = 4; }, false},
        LegalCase{"gap_in_a_column", [](GameState& g) { g.Board[CellIndex(0, 3)] = 0; }, false},
        LegalCase{"tile_in_the_next_column", [](GameState& g) { g.Board[CellIndex(3, 5)] = 1; }, true},
        LegalCase{"tile_beyond_an_empty_column", [](GameState& g) { g.Board[CellIndex(5, 5)] = 1; }, false},
        LegalCase{"tile_outside_the_columns", [](GameState& g) { g.Board[CellIndex(6, 5)] = 1; }, false},
        LegalCase{"tile_outside_the_rows", [](GameState& g) { g.Board[CellIndex(0, 6)] = 1; }, false},
        LegalCase{"tile_in_the_border_column", [](GameState& g) { g.Board[CellIndex(29, 0)] = 1; }, false},
        LegalCase{"tile_in_the_border_row",
                  [](GameState& g) {
                    g.GameSettings.Columns = g.GameSettings.Rows = 29;
                    g.Board[CellIndex(0, 29)] = 1;
                  },
                  false},
        LegalCase{"too_few_columns", [](GameState& g) { g.GameSettings.Columns = 5; }, false},
        LegalCase{"too_many_rows", [](GameState& g) { g.GameSettings.Rows = 30; }, false},
        LegalCase{"level_out_of_range", [](GameState& g) { g.GameSettings.Level = 4; }, false}),
    [](const ::testing::TestParamInfo<LegalCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mq::testing
