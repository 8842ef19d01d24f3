// The plain text board of the research literature: one row a line from the
// top, colours as digits separated by spaces, '.' for an empty cell.
#pragma once

#include <cstdint>
#include <string>

#include "solver/board.h"

namespace solver {

struct TextGrid {
  int Columns = 0;
  int Rows = 0;
  uint8_t Colour[MaxCells] = {};  // [column * Rows + row], 1..6, 0 empty
};

// Colours 0-4 (the standard positions) become 1-5; a grid without 0 keeps
// its digits 1-6. False with a one-line reason for anything else.
bool ReadTextBoard(const std::string& text, TextGrid& grid, std::string& error);

}  // namespace solver
