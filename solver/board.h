// The search engine's own board: column by column from the bottom up, so
// that removing a group is a compaction of a few short arrays, with its own
// group finding and scoring. Nothing here knows the game's global state.
#pragma once

#include <cstdint>
#include <cstring>

namespace solver {

constexpr int MaxDim = 29;
constexpr int ColumnRoom = 32;
constexpr int MaxColours = 6;
constexpr int MaxCells = MaxDim * MaxDim;

// The game's three rules (0..2) and the research literature's.
enum class Rule : uint8_t { Game0 = 0, Game1 = 1, Game2 = 2, Standard = 3 };

inline int GroupScore(Rule rule, int n) {
  switch (rule) {
    case Rule::Game0:
      return n * (n - 1);
    case Rule::Game1:
      return (n - 1) * (n - 1);
    case Rule::Game2:
      return n * (n - 3) + 4;
    case Rule::Standard:
      return (n - 2) * (n - 2);
  }
  return 0;
}

// What ending with `left` tiles adds once no move is left.
inline int EndScore(Rule rule, int left) {
  if (rule == Rule::Standard) return left == 0 ? 1000 : 0;
  return left <= 5 ? 20 * (5 - left) : 0;
}

// A move in the game's notation: column from the left, row from the top of
// the board as it stands before the move.
struct Move {
  uint8_t Column;
  uint8_t Row;
};

struct Board {
  uint8_t Columns = 0;  // columns that hold tiles; the rest are closed
  uint8_t Rows = 0;     // height of the board, for the row numbers of moves
  uint8_t Width = 0;    // columns of the board as dealt
  uint8_t Pad = 0;
  int16_t Tiles = 0;
  uint8_t Count[MaxColours + 1] = {};
  uint8_t Height[MaxDim] = {};
  // [column][height from the bottom], colour 1..6; 0 above a column's top
  // and in closed columns, which neighbour tests rely on.
  uint8_t Cell[MaxDim][ColumnRoom] = {};

  // From a grid in the game's layout: colour of (column, row from the top),
  // 0 empty. False when the board is no position the game can reach.
  bool Load(int columns, int rows, const uint8_t* colourAt /* [column * rows + row] */);
  uint64_t Hash() const;
};

struct Group {
  uint8_t Column;  // one cell of the group
  uint8_t Height;
  uint8_t Colour;
  uint8_t First;  // first and last column it touches
  uint8_t Last;
  uint16_t Size;
  uint16_t Label;
};

// Work area for group finding; one per thread.
struct GroupFinder {
  // The label of a tile in no group.
  static constexpr uint16_t Lone = 0xFFFF;
  uint16_t Label[MaxDim][ColumnRoom];
  Group Groups[MaxCells / 2];
  uint16_t Stack[MaxCells];
  int Count = 0;

  // Labels every tile and lists the groups of two or more.
  int Find(const Board& b);
  // Removes a group listed by the last Find on this board (or a copy of it).
  void Remove(Board& b, const Group& g) const;

  // Marks the group of one tile without labelling the rest; its size.
  int Flood(const Board& b, int column, int height, Group& g);
  // A flood's cells keep its stamp until the board changes or a later
  // flood takes them.
  uint32_t LastFlood() const { return Stamp; }
  // The cells of the last flood, a bit a height in each column from its
  // first to its last.
  const uint32_t* FloodBits() const { return Bits; }
  // Removes a group whose cells `bits` names in the same way.
  static void RemoveCells(Board& b, const Group& g, const uint32_t* bits);
  bool FloodedBy(int column, int height, uint32_t flood) const { return Mark[column][height] == flood; }
  // How many more tiles of colours other than `tabu` would stand with no
  // neighbour of their colour once the flooded group is removed, among the
  // tiles that fall and those beside where they fall (the whole board when
  // a column closes).
  int SinglesMade(const Board& b, const Group& g, int tabu) const;

 private:
  uint32_t Mark[MaxDim][ColumnRoom] = {};
  uint32_t Stamp = 0;
  uint32_t Bits[MaxDim] = {};
  template <typename Take>
  static void RemoveWhere(Board& b, const Group& g, Take take);
};

// Applies a move given in the game's notation; returns the group's size, 0
// when the cell holds no group of two or more.
int ApplyMove(Board& b, Move m, GroupFinder& f);

inline bool HasMove(const Board& b) {
  for (int c = 0; c < b.Columns; ++c) {
    const uint8_t* col = b.Cell[c];
    for (int h = 0; h < b.Height[c]; ++h) {
      if (h + 1 < b.Height[c] && col[h + 1] == col[h]) return true;
      if (c + 1 < b.Columns && h < b.Height[c + 1] && b.Cell[c + 1][h] == col[h]) return true;
    }
  }
  return false;
}

inline Move MoveOf(const Board& b, const Group& g) {
  return {g.Column, static_cast<uint8_t>(b.Rows - 1 - g.Height)};
}

// Small fast generator for playouts.
struct Random {
  uint64_t State;
  explicit Random(uint64_t seed) : State(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return State;
  }
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>((Next() >> 32) * n >> 32); }
};

// Groups of a second colour that a playout keeps whole as well: those of
// `Colour` with `Size` tiles or more. They go before the kept colour's.
struct Hold {
  int Colour = 0;
  int Size = 0;
  bool Holds(const Group& g) const { return g.Colour == Colour && g.Size >= Size; }
};

// Plays to the end at random, keeping groups of `tabu` (0 for none) and those
// `hold` names on the board while any other move is left, and of the groups
// met preferring the one that strands fewer tiles. Returns the points
// scored, end score included; the moves go to `moves` (room for MaxCells /
// 2) when not null.
int Playout(Board& b, Rule rule, int tabu, Random& rng, GroupFinder& f, Move* moves, int* moveCount,
            Hold hold = {});

}  // namespace solver
