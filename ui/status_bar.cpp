// The three-part status bar: player name (or the selection's count and
// points), the score, and the tiles left of each colour.
#include <cstdio>
#include <cstring>

#include "app.h"
#include "game/game_state.h"
#include "storage/high_scores.h"

namespace mq {

int StatusPartEdges[3] = {0, 0, -1};
int ColourCounts[8];

namespace {

void SetPart(int part, const char* text) {
  SendMessageA(StatusBar, SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
}

}  // namespace

void LayoutStatusBar(LPARAM clientSize) {
  ClientWidth = LOWORD(clientSize);
  ClientHeight = HIWORD(clientSize);
  const int third = ClientWidth / 3;
  SendMessageA(StatusBar, WM_SIZE, 0, 0);
  StatusPartEdges[0] = third;
  StatusPartEdges[1] = 2 * third;
  SendMessageA(StatusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(StatusPartEdges));
  UpdateStatusBar();
}

void FormatColourCounts() {
  std::memset(ColourCounts, 0, sizeof ColourCounts);
  const int columns = Game.ActiveColumns < MAX_BOARD_DIM ? Game.ActiveColumns : MAX_BOARD_DIM;
  const int rows = Game.ActiveRows < MAX_BOARD_DIM ? Game.ActiveRows : MAX_BOARD_DIM;
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) ++ColourCounts[BoardAt(c, r) & 7];
  }
  int colours = Game.GameSettings.Level + 3;
  if (colours < 1) colours = 1;
  if (colours > MAX_COLOURS) colours = MAX_COLOURS;
  int length = std::snprintf(TextBuffer, sizeof TextBuffer, "\t\t");
  int total = 0;
  for (int k = 1; k <= colours; ++k) {
    length += std::snprintf(TextBuffer + length, sizeof TextBuffer - length, "%d+", ColourCounts[k]);
    total += ColourCounts[k];
  }
  // Twenty pixels a character, tabs included, against the board's width.
  if (length * 20 < Game.ActiveColumns * Game.CellPitch) {
    std::snprintf(TextBuffer + length - 1, sizeof TextBuffer - (length - 1), "=%d", total);
  } else {
    std::snprintf(TextBuffer, sizeof TextBuffer, "\t\t%d", total);
  }
}

void UpdateStatusBar() {
  // A name read from a file need not be terminated inside its buffer.
  char name[PLAYER_NAME_SIZE + 1];
  std::memcpy(name, PlayerName, PLAYER_NAME_SIZE);
  name[PLAYER_NAME_SIZE] = '\0';
  SetPart(0, name);
  std::snprintf(TextBuffer, sizeof TextBuffer, "\tScore: %d", static_cast<int>(Game.Score));
  SetPart(1, TextBuffer);
  FormatColourCounts();
  SetPart(2, TextBuffer);
}

}  // namespace mq
