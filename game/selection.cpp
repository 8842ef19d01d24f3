#include <cstring>

#include "game/game_state.h"

namespace mq {

bool HitTest(uint32_t position) {
  const int x = static_cast<int>(position & 0xFFFFu);
  const int y = static_cast<int>(position >> 16);
  // A pitch of 0 would divide by zero; sprite loading never sets one.
  const int pitch = Game.CellPitch > 0 ? Game.CellPitch : 1;
  Game.HitColumn = (x - 3) / pitch;
  Game.HitRow = (y - 3) / pitch;
  return Game.HitColumn >= 0 && Game.HitColumn < Game.ActiveColumns && Game.HitRow >= 0 &&
         Game.HitRow < Game.ActiveRows && BoardAt(Game.HitColumn, Game.HitRow) != 0;
}

void SelectGroup(int column, int row) { SelectGroup(Game, column, row); }

void SelectGroup(GameState& g, int column, int row) {
  std::memset(g.MarkGrid, 0, sizeof g.MarkGrid);
  g.MarkGrid[CellIndex(column, row)] = MARK_NEW_GROUP;
  g.SelectedCount = 1;
  MarkNeighbours(g, column, row, g.Board[CellIndex(column, row)]);
}

void MarkNeighbours(int column, int row, int colour) { MarkNeighbours(Game, column, row, colour); }

namespace {

// One neighbour direction: the offset, the edge bit of the visiting cell
// that faces it and the edge bit of the neighbour that faces back.
struct Direction {
  int dc, dr;
  uint8_t ownEdge, otherEdge;
};
constexpr Direction Directions[4] = {
    {1, 0, MARK_EDGE_RIGHT, MARK_EDGE_LEFT},
    {-1, 0, MARK_EDGE_LEFT, MARK_EDGE_RIGHT},
    {0, 1, MARK_EDGE_BOTTOM, MARK_EDGE_TOP},
    {0, -1, MARK_EDGE_TOP, MARK_EDGE_BOTTOM},
};

// A suspended visit: the cell and the next direction it will examine.
struct Visit {
  uint8_t column, row, next;
};

}  // namespace

// Depth first in the order right, left, below, above, with the recursion
// unrolled into a fixed stack: a group of one colour can fill the whole
// board, and 841 nested calls would be a lot of stack for little reason.
void MarkNeighbours(GameState& g, int column, int row, int colour) {
  Visit stack[GRID_CELLS];
  int depth = 0;
  stack[depth++] = {static_cast<uint8_t>(column), static_cast<uint8_t>(row), 0};
  while (depth > 0) {
    Visit& top = stack[depth - 1];
    if (top.next == 4) {
      --depth;
      continue;
    }
    const Direction& d = Directions[top.next++];
    const int c = top.column + d.dc;
    const int r = top.row + d.dr;
    if (c < 0 || c >= g.ActiveColumns || r < 0 || r >= g.ActiveRows) continue;
    if (g.Board[CellIndex(c, r)] != colour) continue;
    g.MarkGrid[CellIndex(top.column, top.row)] &= static_cast<uint8_t>(~d.ownEdge);
    uint8_t& mark = g.MarkGrid[CellIndex(c, r)];
    if (mark == 0) {
      mark = static_cast<uint8_t>(MARK_NEW_GROUP & ~d.otherEdge);
      ++g.SelectedCount;
      stack[depth++] = {static_cast<uint8_t>(c), static_cast<uint8_t>(r), 0};
    } else {
      mark &= static_cast<uint8_t>(~d.otherEdge);
    }
  }
}

}  // namespace mq
