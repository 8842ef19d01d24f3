#include <random>

#include "game/tests/game_test_support.h"

namespace mq::testing {
namespace {

class SelectionTest : public GameTest {};

TEST_F(SelectionTest, HitTestMapsPixelsToCells) {
  LoadBoard({"123456", "123456", "123456", "123456", "123456", "12345."});
  struct Case {
    uint32_t x, y;
    bool hit;
    int column, row;
  };
  const Case cases[] = {
      {0, 3, true, 0, 0},
      {2, 33, true, 0, 1},
      {1, 0, true, 0, 0},  // the margin counts as cell 0
      {32, 3, true, 0, 0},
      {33, 3, true, 1, 0},
      {31, 31, true, 0, 0},  // the gap belongs to the tile left of it
      {3 + 6 * 30, 3, false, 6, 0},
      {3, 3 + 6 * 30, false, 0, 6},           // right of and below the board
      {3 + 5 * 30, 3 + 5 * 30, false, 5, 5},  // an empty cell
      {65535, 65535, false, 2184, 2184},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HitTest((c.y << 16) | c.x), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(Game.HitColumn, c.column) << c.x << "," << c.y;
    EXPECT_EQ(Game.HitRow, c.row) << c.x << "," << c.y;
  }
}

struct MarkCase {
  const char* name;
  std::vector<const char*> rows;
  int column, row;
  int count;
  std::vector<const char*> marks;  // hex digit of the low nibble per cell, '.' for 0
};

class MarkValues : public GameTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(MarkValues, OutlineEdgesAndCount) {
  const MarkCase& m = GetParam();
  std::memset(Game.Board, 0, sizeof Game.Board);
  const int height = static_cast<int>(m.rows.size());
  const int width = static_cast<int>(std::strlen(m.rows[0]));
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c) BoardAt(c, r) = m.rows[r][c] == '.' ? 0 : m.rows[r][c] - '0';
  Game.ActiveColumns = width;
  Game.ActiveRows = height;
  MarkAt(5, 5) = 0x1F;  // a stale selection is replaced
  SelectGroup(m.column, m.row);
  EXPECT_EQ(Game.SelectedCount, m.count);
  for (int r = 0; r < GRID_STRIDE; ++r) {
    for (int c = 0; c < GRID_STRIDE; ++c) {
      uint8_t want = 0;
      if (r < height && c < width && m.marks[r][c] != '.') {
        const char h = m.marks[r][c];
        want = static_cast<uint8_t>(0x10 | (h <= '9' ? h - '0' : h - 'A' + 10));
      }
      EXPECT_EQ(MarkAt(c, r), want) << m.name << " cell " << c << "," << r;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Groups, MarkValues,
    ::testing::Values(MarkCase{"single", {"121", "212", "121"}, 1, 1, 1, {"...", ".F.", "..."}},
                      MarkCase{"horizontal", {"1221", "2112"}, 1, 0, 2, {".ED.", "...."}},
                      MarkCase{"vertical", {"121", "121", "212"}, 1, 0, 2, {".B.", ".7.", "..."}},
                      MarkCase{"block", {"1221", "1221", "2112"}, 2, 1, 4, {".A9.", ".65.", "...."}},
                      MarkCase{"ring",
                               {"11111", "12221", "12321", "12221", "11111"},
                               2,
                               1,
                               8,
                               {".....", ".AC9.", ".3.3.", ".6C5.", "....."}},
                      MarkCase{"ring around one", {"111", "121", "111"}, 0, 0, 8, {"AC9", "3.3", "6C5"}}),
    [](const ::testing::TestParamInfo<MarkCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == ' ') ch = '_';
      return name;
    });

TEST_F(SelectionTest, WholeBoardOfOneColour) {
  Game.ActiveColumns = Game.ActiveRows = 29;
  for (int c = 0; c < 29; ++c)
    for (int r = 0; r < 29; ++r) BoardAt(c, r) = 4;
  SelectGroup(14, 14);
  EXPECT_EQ(Game.SelectedCount, 841);
  for (int c = 0; c < 29; ++c) {
    for (int r = 0; r < 29; ++r) {
      uint8_t want = MARK_MEMBER;
      if (c == 0) want |= MARK_EDGE_LEFT;
      if (c == 28) want |= MARK_EDGE_RIGHT;
      if (r == 0) want |= MARK_EDGE_TOP;
      if (r == 28) want |= MARK_EDGE_BOTTOM;
      ASSERT_EQ(MarkAt(c, r), want) << c << "," << r;
    }
  }
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(MarkAt(29, i), 0);
    EXPECT_EQ(MarkAt(i, 29), 0);
  }
}

// The algorithm as written recursively, for comparison.
void ReferenceMark(int column, int row, int colour) {
  struct Step {
    int dc, dr;
    uint8_t own, other;
  };
  const Step steps[4] = {{1, 0, 0x01, 0x02}, {-1, 0, 0x02, 0x01}, {0, 1, 0x04, 0x08}, {0, -1, 0x08, 0x04}};
  for (const Step& s : steps) {
    const int c = column + s.dc, r = row + s.dr;
    if (c < 0 || c >= Game.ActiveColumns || r < 0 || r >= Game.ActiveRows || BoardAt(c, r) != colour)
      continue;
    MarkAt(column, row) &= static_cast<uint8_t>(~s.own);
    if (MarkAt(c, r) == 0) {
      MarkAt(c, r) = static_cast<uint8_t>(0x1F & ~s.other);
      ++Game.SelectedCount;
      ReferenceMark(c, r, colour);
    } else {
      MarkAt(c, r) &= static_cast<uint8_t>(~s.other);
    }
  }
}

TEST_F(SelectionTest, MatchesTheRecursiveMarkingOnRandomBoards) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    Game.ActiveColumns = 6 + static_cast<int>(random() % 24);
    Game.ActiveRows = 6 + static_cast<int>(random() % 24);
    const int colours = 1 + static_cast<int>(random() % 3);
    std::memset(Game.Board, 0, sizeof Game.Board);
    for (int c = 0; c < Game.ActiveColumns; ++c)
      for (int r = 0; r < Game.ActiveRows; ++r)
        BoardAt(c, r) = static_cast<uint8_t>(random() % (colours + 1));
    const int c = static_cast<int>(random() % Game.ActiveColumns);
    const int r = static_cast<int>(random() % Game.ActiveRows);
    if (BoardAt(c, r) == 0) continue;
    std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
    MarkAt(c, r) = 0x1F;
    Game.SelectedCount = 1;
    ReferenceMark(c, r, BoardAt(c, r));
    uint8_t expected[GRID_CELLS];
    std::memcpy(expected, Game.MarkGrid, sizeof expected);
    const int expectedCount = Game.SelectedCount;
    SelectGroup(c, r);
    ASSERT_EQ(Game.SelectedCount, expectedCount);
    ASSERT_EQ(std::memcmp(Game.MarkGrid, expected, sizeof expected), 0) << "round " << round;
  }
}

}  // namespace
}  // namespace mq::testing
