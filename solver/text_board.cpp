#include "solver/text_board.h"

#include <vector>

namespace solver {

bool ReadTextBoard(const std::string& text, TextGrid& grid, std::string& error) {
  std::vector<std::string> rows;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string row;
    for (size_t i = start; i < end; ++i) {
      const char ch = text[i];
      if (ch == ' ' || ch == '\t' || ch == '\r') continue;
      if ((ch < '0' || ch > '6') && ch != '.') {
        error = "row " + std::to_string(rows.size() + 1) + ": '" + std::string(1, ch) +
                "' is no colour (0-6) and no empty cell (.)";
        return false;
      }
      row += ch;
    }
    if (!row.empty()) {
      if (!rows.empty() && rows.back().empty()) {
        error = "row " + std::to_string(rows.size()) + " is empty";
        return false;
      }
      rows.push_back(row);
    } else if (!rows.empty()) {
      rows.push_back(row);  // an empty line: fine at the end only
    }
    start = end + 1;
  }
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  const size_t width = rows.empty() ? 0 : rows[0].size();
  for (size_t r = 1; r < rows.size(); ++r) {
    if (rows[r].size() != width) {
      error = "row " + std::to_string(r + 1) + " has " + std::to_string(rows[r].size()) +
              " cells, row 1 has " + std::to_string(width);
      return false;
    }
  }
  if (width < 2 || width > MaxDim || rows.size() < 2 || rows.size() > MaxDim) {
    error = "the board is " + std::to_string(width) + "x" + std::to_string(rows.size()) +
            "; it must have 2 to 29 columns and 2 to 29 rows";
    return false;
  }
  bool zero = false, six = false;
  for (const std::string& row : rows) {
    for (char ch : row) {
      zero = zero || ch == '0';
      six = six || ch == '6';
    }
  }
  if (zero && six) {
    error = "colours are 0-4 or 1-6, not both 0 and 6";
    return false;
  }
  grid = TextGrid{};
  grid.Columns = static_cast<int>(width);
  grid.Rows = static_cast<int>(rows.size());
  for (int r = 0; r < grid.Rows; ++r) {
    for (int c = 0; c < grid.Columns; ++c) {
      const char ch = rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
      grid.Colour[c * grid.Rows + r] = ch == '.' ? 0 : static_cast<uint8_t>(ch - '0' + (zero ? 1 : 0));
    }
  }
  Board check;
  if (!check.Load(grid.Columns, grid.Rows, grid.Colour)) {
    error = "tiles must stand on the bottom row without gaps, and empty columns only at the right";
    return false;
  }
  return true;
}

}  // namespace solver
