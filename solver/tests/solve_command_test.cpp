// mqz solve and mqz hint from the outside: the text board reader's refusals
// and the positions with nothing or little to search.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "mqz/tests/mqz_runner.h"
#include "solver/text_board.h"

namespace {

TEST(TextBoard, RefusesWhatIsNoBoard) {
  struct Case {
    const char* text;
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {"0 1\n2 3\n", ""},
      {"1 . .\n2 . 6\n3 4 5\r\n\n", ""},
      {"1 x\n2 3\n", "row 1: 'x' is no colour"},
      {"1 2\n2 7\n", "row 2: '7' is no colour"},
      {"1 2 3\n2 3\n", "row 2 has 2 cells, row 1 has 3"},
      {"1 2\n\n2 3\n", "row 2 is empty"},
      {"1 2\n", "the board is 2x1"},
      {"", "the board is 0x0"},
      {"0 6\n1 1\n", "not both 0 and 6"},
      {"1 .\n2 3\n. .\n", "tiles must stand on the bottom row"},
      {". 1\n. 2\n", "empty columns only at the right"},
  };
  for (const Case& c : cases) {
    auto grid = std::make_unique<solver::TextGrid>();
    std::string error;
    const bool ok = solver::ReadTextBoard(c.text, *grid, error);
    EXPECT_EQ(ok, c.error[0] == '\0') << c.text << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << error;
  }
  std::string big;
  for (int r = 0; r < 30; ++r) big += "1 2\n";
  solver::TextGrid grid;
  std::string error;
  EXPECT_FALSE(solver::ReadTextBoard(big, grid, error));
  EXPECT_NE(error.find("2 to 29 rows"), std::string::npos) << error;
}

using mqz::testing::MqzRun;

MqzRun Mqz(const std::string& arguments) { return mqz::testing::RunMqz(arguments, "2>/dev/null"); }

std::string Write(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + "solve_" + std::to_string(getpid()) + "_" + name;
  std::ofstream(path) << text;
  return path;
}

TEST(SolveCommand, AnswersPositionsWithNothingOrLittleToSearch) {
  struct Case {
    const char* board;
    const char* arguments;
    const char* output;
    int status;
  };
  const Case cases[] = {
      {"1 2\n2 1\n", "solve", "score: 0\nmoves:\n", 0},
      {". .\n. .\n", "solve", "score: 0\nmoves:\n", 0},
      {"1 2\n2 1\n", "hint", "hint: none, no move is left\nexpected score: 0\n", 0},
      {"1 2 3\n1 3 2\n", "solve --rule standard", "score: 0\nmoves: 0,1\n", 0},
      {"1 2 3\n1 3 2\n", "solve --rule 0", "score: 22\nmoves: 0,1\n", 0},
      {". 3\n3 3\n", "solve --rule 0", "score: 106\nmoves: 0,1\n", 0},
      {". 3\n3 3\n", "hint --rule standard", "hint: 0,1 (3 tiles, 1 points)\nexpected score: 1001\n", 0},
      {"1 2 3\n1 2 2\n", "solve --rule 5", "", 2},
      {"1 2 3\n1 2 x\n", "solve", "", 1},
      {"1 2 3\n1 3 2\n", "solve --threads 0", "", 2},
      {"1 2 3\n1 3 2\n", "hint --memory 1", "", 2},
      {"1 2 3\n1 3 2\n", "solve --seconds -1", "", 2},
  };
  for (const Case& c : cases) {
    const std::string path = Write("board.txt", c.board);
    const MqzRun run = Mqz(std::string(c.arguments) + " --seconds 0.5 --board " + path);
    EXPECT_EQ(run.status, c.status) << c.board << c.arguments;
    if (c.status == 0) {
      EXPECT_EQ(run.output, c.output) << c.board << c.arguments;
    }
    std::remove(path.c_str());
  }
}

// The game's own program plays what solve reports on a saved game and
// ends with the file's score plus the reported one.
TEST(SolveCommand, SolvesASavedGameThatMqzPlayThenScores) {
  std::string here = __FILE__;
  here = here.substr(0, here.find_last_of('/'));
  const std::string saved = here + "/../../storage/tests/corpus/saved_107_big.mqz";
  const MqzRun before = Mqz("show " + saved);
  const MqzRun solved = Mqz("solve " + saved + " --seconds 0.3");
  ASSERT_EQ(solved.status, 0);
  const size_t moves = solved.output.find("moves:");
  ASSERT_NE(moves, std::string::npos) << solved.output;
  const std::string out = ::testing::TempDir() + "solved_" + std::to_string(getpid()) + ".mqz";
  const std::string list = solved.output.substr(moves + 6, solved.output.find('\n', moves) - moves - 6);
  ASSERT_EQ(Mqz("play " + saved + " " + out + list + " --date 2026-01-01").status, 0);
  const MqzRun after = Mqz("show " + out);
  std::remove(out.c_str());
  const auto score = [](const std::string& text) {
    return std::stoi(text.substr(text.find("\nscore: ") + 8));
  };
  EXPECT_EQ(score(after.output), score(before.output) + std::stoi(solved.output.substr(7)))
      << solved.output << after.output;
  EXPECT_NE(after.output.find("finished: yes"), std::string::npos) << after.output;
}

}  // namespace
