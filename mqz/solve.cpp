// mqz solve and mqz hint: the best sequence the search finds from a saved
// game, a settings file or a plain text board.
#include "mqz/solve.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "game/game_state.h"
#include "solver/search.h"
#include "solver/text_board.h"
#include "storage/state_file.h"

#ifdef _WIN32
#include <io.h>
#define MQZ_ISATTY _isatty
#else
#include <unistd.h>
#define MQZ_ISATTY isatty
#endif

namespace mqz {

namespace {

std::atomic<bool> Interrupted{false};

extern "C" void OnInterrupt(int) { Interrupted = true; }

int Usage(const std::string& message) {
  std::fprintf(stderr, "mqz: %s (mqz --help shows the usage)\n", message.c_str());
  return 2;
}

int Failure(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "mqz: %s: %s\n", path.c_str(), reason.c_str());
  return 1;
}

bool ParseSeconds(const char* text, double& out) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value > 0) || value > 1e6) return false;
  out = value;
  return true;
}

bool ParseCount(const char* text, long low, long high, long& out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) return false;
  out = value;
  return true;
}

bool ReadText(const char* path, std::string& text) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0 && text.size() < (1u << 20))
    text.append(chunk, got);
  std::fclose(f);
  return true;
}

struct Request {
  const char* Path = nullptr;
  bool TextBoard = false;
  bool HasRule = false;
  solver::Rule ScoringRule = solver::Rule::Standard;
  solver::SearchOptions Search;
};

// The position and its rule; 0, or the exit status after the message.
int LoadPosition(Request& q, solver::Board& board) {
  if (q.TextBoard) {
    std::string text, error;
    if (!ReadText(q.Path, text)) return Failure(q.Path, "the file cannot be opened");
    auto grid = std::make_unique<solver::TextGrid>();
    if (!solver::ReadTextBoard(text, *grid, error)) return Failure(q.Path, error);
    board.Load(grid->Columns, grid->Rows, grid->Colour);
    if (!q.HasRule) q.ScoringRule = solver::Rule::Standard;
    return 0;
  }
  if (const int status = ReadStateFile(q.Path)) return status;
  const int columns = mq::Game.GameSettings.Columns, rows = mq::Game.GameSettings.Rows;
  uint8_t grid[solver::MaxCells] = {};
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) grid[c * rows + r] = mq::BoardAt(c, r);
  }
  if (!board.Load(columns, rows, grid))
    return Failure(q.Path, "the board in the file is no position of the game");
  if (mq::Game.GameOver) board = solver::Board{};  // the game takes no more moves
  if (!q.HasRule) {
    const int rule = mq::Game.GameSettings.ScoringRule;
    if (rule < 0 || rule > 2)
      return Failure(q.Path, "the scoring rule in the file is none of 0..2; give --rule");
    q.ScoringRule = static_cast<solver::Rule>(rule);
  }
  return 0;
}

void ShowProgress(const solver::Progress& p, double budget, bool terminal) {
  static int lastSecond = -1;
  const double rate = p.Elapsed > 0 ? static_cast<double>(p.Positions) / p.Elapsed : 0;
  if (terminal) {
    std::fprintf(stderr, "\r%5.1f of %.1f s  best %d  %.0f positions/s   ", p.Elapsed, budget,
                 p.Best < 0 ? 0 : p.Best, rate);
  } else if (static_cast<int>(p.Elapsed) != lastSecond) {
    lastSecond = static_cast<int>(p.Elapsed);
    std::fprintf(stderr, "%.1f of %.1f s  best %d  %.0f positions/s\n", p.Elapsed, budget,
                 p.Best < 0 ? 0 : p.Best, rate);
  }
  std::fflush(stderr);
}

}  // namespace

int RunSolver(int argc, char** argv) {
  const bool hint = std::strcmp(argv[1], "hint") == 0;
  Request q;
  q.Search.Seconds = hint ? 1 : 10;
  q.Search.Threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long value = 0;
    if (arg == "--seconds") {
      if (!hasValue || !ParseSeconds(argv[i + 1], q.Search.Seconds))
        return Usage("--seconds needs a positive time");
      ++i;
    } else if (arg == "--threads") {
      if (!hasValue || !ParseCount(argv[i + 1], 1, 256, value))
        return Usage("--threads needs a count from 1 to 256");
      q.Search.Threads = static_cast<int>(value);
      ++i;
    } else if (arg == "--memory") {
      if (!hasValue || !ParseCount(argv[i + 1], 16, 1 << 20, value))
        return Usage("--memory needs 16 MiB or more");
      // Part of it goes to what the search needs besides its levels. A
      // 32-bit program's address space is the most it could ever use.
      q.Search.MemoryBytes = std::min<size_t>(static_cast<size_t>(value) * 3 / 4, SIZE_MAX >> 20) << 20;
      ++i;
    } else if (arg == "--rule") {
      const std::string rule = hasValue ? argv[i + 1] : "";
      if (rule == "standard") {
        q.ScoringRule = solver::Rule::Standard;
      } else if (rule == "0" || rule == "1" || rule == "2") {
        q.ScoringRule = static_cast<solver::Rule>(rule[0] - '0');
      } else {
        return Usage("--rule is 0, 1, 2 or standard");
      }
      q.HasRule = true;
      ++i;
    } else if (arg == "--board") {
      if (!hasValue || q.Path) return Usage("--board needs one text file instead of a state file");
      q.Path = argv[++i];
      q.TextBoard = true;
    } else if (arg.rfind("--", 0) == 0) {
      return Usage("unknown option " + arg);
    } else {
      if (q.Path) return Usage(std::string(argv[1]) + " takes one file");
      q.Path = argv[i];
    }
  }
  if (!q.Path) return Usage(std::string(argv[1]) + " needs a file");

  solver::Board board;
  if (const int status = LoadPosition(q, board)) return status;
  q.Search.ScoringRule = q.ScoringRule;
  q.Search.Stop = &Interrupted;
  const bool terminal = MQZ_ISATTY(2) != 0;
  const double budget = q.Search.Seconds;
  q.Search.OnProgress = [&](const solver::Progress& p) { ShowProgress(p, budget, terminal); };
  std::signal(SIGINT, OnInterrupt);
  const solver::SearchResult result = solver::Solve(board, q.Search);
  std::signal(SIGINT, SIG_DFL);
  if (terminal && result.Positions > 0) std::fputc('\n', stderr);

  if (hint) {
    if (result.Moves.empty()) {
      std::printf("hint: none, no move is left\n");
    } else {
      const solver::Move m = result.Moves[0];
      solver::Board after = board;
      auto finder = std::make_unique<solver::GroupFinder>();
      const int size = solver::ApplyMove(after, m, *finder);
      std::printf("hint: %d,%d (%d tiles, %d points)\n", m.Column, m.Row, size,
                  solver::GroupScore(q.ScoringRule, size));
    }
    std::printf("expected score: %d\n", result.Score);
    return 0;
  }
  std::printf("score: %d\nmoves:", result.Score);
  for (const solver::Move& m : result.Moves) std::printf(" %d,%d", m.Column, m.Row);
  std::printf("\n");
  return 0;
}

}  // namespace mqz
