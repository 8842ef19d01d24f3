#include <array>

#include "game/tests/game_test_support.h"

namespace mq::testing {
namespace {

using Entry = std::array<int, 3>;  // Column, Row, Colour byte

std::vector<Entry> LoggedSince(int first) {
  std::vector<Entry> entries;
  for (int e = first; e < Game.LogCursor; ++e) {
    const RemovedCell& cell = Game.RemovedCellLog[e];
    entries.push_back({cell.Column, cell.Row, cell.Colour});
  }
  return entries;
}

bool MarksClear() {
  for (uint8_t m : Game.MarkGrid)
    if (m != 0) return false;
  return true;
}

struct RemovalCase {
  const char* name;
  std::vector<const char*> before;
  int column, row;  // the pressed tile
  std::vector<const char*> after;
  std::vector<Entry> log;
  PixelRect cells;  // the changed cells
};

class Removal : public GameTest, public ::testing::WithParamInterface<RemovalCase> {};

TEST_P(Removal, LogsFallsClosesAndRepaints) {
  const RemovalCase& t = GetParam();
  const int height = static_cast<int>(t.before.size());
  const int width = static_cast<int>(std::strlen(t.before[0]));
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c) BoardAt(c, r) = t.before[r][c] == '.' ? 0 : t.before[r][c] - '0';
  Game.ActiveColumns = width;
  Game.ActiveRows = height;
  Game.LogCursor = 17;  // the entries go where the cursor stands
  SelectGroup(t.column, t.row);
  Recorder.Take();

  RemoveMarkedGroup();

  EXPECT_EQ(BoardRows(), std::vector<std::string>(t.after.begin(), t.after.end()));
  EXPECT_EQ(LoggedSince(17), t.log);
  EXPECT_TRUE(MarksClear());
  EXPECT_EQ(Game.SelectedCount, 0);
  char repaint[96];
  std::snprintf(repaint, sizeof repaint, "RequestRepaint(%d,%d,%d,%d)", t.cells.left * 30, t.cells.top * 30,
                t.cells.right * 30 + 34, t.cells.bottom * 30 + 34);
  EXPECT_EQ(Recorder.Take(), (std::vector<std::string>{"UpdateStatusBar", repaint}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Removal,
    ::testing::Values(
        RemovalCase{"tiles_above_fall",
                    {"4.5", "514", "425", "534", "435"},
                    1,
                    3,
                    {"4.5", "5.4", "4.5", "514", "425"},
                    {{1, 3, 3}, {1, 4, 3}},
                    {1, 1, 1, 4}},
        RemovalCase{"bottom_tile_stays",
                    {"415", "524", "435", "534", "425"},
                    1,
                    2,
                    {"4.5", "5.4", "415", "524", "425"},
                    {{1, 2, 3}, {1, 3, 3}},
                    {1, 0, 1, 3}},
        RemovalCase{
            "one_column_closed",
            {"125123", "215214", "125123", "215214", "125123", "215554"},
            2,
            0,
            {"12..3.", "21124.", "12213.", "21124.", "12213.", "21124."},
            {{2, 0, 5}, {2, 1, 5}, {2, 2, 5}, {2, 3, 5}, {2, 4, 5}, {2, 5, 0x15}, {3, 5, 5}, {4, 5, 5}},
            {2, 0, 5, 5}},
        RemovalCase{"two_neighbouring_columns_closed",
                    {"1216634", "2126643", "1216634", "2126643", "1216634", "2126643"},
                    4,
                    2,
                    {"12134..", "21243..", "12134..", "21243..", "12134..", "21243.."},
                    {{3, 0, 6},
                     {3, 1, 6},
                     {3, 2, 6},
                     {3, 3, 6},
                     {3, 4, 6},
                     {3, 5, 0x16},
                     {4, 0, 6},
                     {4, 1, 6},
                     {4, 2, 6},
                     {4, 3, 6},
                     {4, 4, 6},
                     {4, 5, 0x16}},
                    {3, 0, 6, 5}},
        RemovalCase{"last_column_closed",
                    {"123421", "214331", "123421", "214331", "123421", "214331"},
                    5,
                    3,
                    {"12342.", "21433.", "12342.", "21433.", "12342.", "21433."},
                    {{5, 0, 1}, {5, 1, 1}, {5, 2, 1}, {5, 3, 1}, {5, 4, 1}, {5, 5, 0x11}},
                    {5, 0, 5, 5}}),
    [](const ::testing::TestParamInfo<RemovalCase>& info) { return std::string(info.param.name); });

TEST_F(Removal, ColumnTwentyKeepsItsPlainIndex) {
  Game.ActiveColumns = 22;
  Game.ActiveRows = 6;
  for (int c = 0; c < 22; ++c)
    for (int r = 0; r < 6; ++r) BoardAt(c, r) = c == 20 ? 6 : static_cast<uint8_t>(1 + (c + r) % 2);
  SelectGroup(20, 4);
  RemoveMarkedGroup();
  std::vector<Entry> expected;
  for (int r = 0; r < 6; ++r) expected.push_back({0x14, r, r == 5 ? 0x16 : 6});
  EXPECT_EQ(LoggedSince(0), expected);
  for (int r = 0; r < 6; ++r) {
    EXPECT_EQ(BoardAt(20, r), 1 + (21 + r) % 2);
    EXPECT_EQ(BoardAt(21, r), 0);
  }
}

TEST_F(Removal, NothingMarkedChangesNothing) {
  LoadBoard({"121212", "212121", "121212", "212121", "121212", "212121"});
  uint8_t board[GRID_CELLS];
  std::memcpy(board, Game.Board, sizeof board);
  Game.SelectedCount = 5;
  RemoveMarkedGroup();
  EXPECT_EQ(std::memcmp(board, Game.Board, sizeof board), 0);
  EXPECT_EQ(Game.LogCursor, 0);
  EXPECT_EQ(Game.SelectedCount, 0);
  EXPECT_EQ(Recorder.Take(),
            (std::vector<std::string>{"UpdateStatusBar", "RequestRepaint(1966050,1966050,34,34)"}));
}

TEST_F(Removal, DirtyRectFollowsTheTileGeometry) {
  Game.CellPitch = 42;
  Game.TileSize = 40;
  ResetDirtyRect();
  SetCellTracked(3, 7, 2);
  SetCellTracked(5, 2, 2);
  SetCellTracked(4, 4, 2);  // inside: no growth
  EXPECT_EQ(Game.DirtyRect.left, 3);
  EXPECT_EQ(Game.DirtyRect.top, 2);
  EXPECT_EQ(Game.DirtyRect.right, 5);
  EXPECT_EQ(Game.DirtyRect.bottom, 7);
  DirtyRectToPixels();
  EXPECT_EQ(Game.DirtyRect.left, 126);
  EXPECT_EQ(Game.DirtyRect.top, 84);
  EXPECT_EQ(Game.DirtyRect.right, 5 * 42 + 46);
  EXPECT_EQ(Game.DirtyRect.bottom, 7 * 42 + 46);
}

}  // namespace
}  // namespace mq::testing
