// Best-play search: beam searches with duplicate positions merged, each
// position judged by a playout that keeps its most frequent colour together
// and remembering the best game found through it, widened while time lasts,
// each level judged on all threads; late passes search on from the start of
// the best game.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "solver/board.h"

namespace solver {

struct Progress {
  double Elapsed;      // seconds
  int Best;            // best total so far, -1 before the first
  uint64_t Positions;  // positions judged so far
};

struct SearchOptions {
  Rule ScoringRule = Rule::Standard;
  double Seconds = 10;
  int Threads = 1;
  size_t MemoryBytes = size_t{768} << 20;
  uint64_t Seed = 1;
  // Set from outside (a signal) to stop early with the best found so far.
  const std::atomic<bool>* Stop = nullptr;
  // Called on the calling thread about ten times a second.
  std::function<void(const Progress&)> OnProgress;
};

struct SearchResult {
  int Score = 0;            // points of the moves from the position, end score included
  std::vector<Move> Moves;  // empty when the position has no move
  uint64_t Positions = 0;
  double Elapsed = 0;
};

SearchResult Solve(const Board& root, const SearchOptions& options);

// Points of a sequence replayed on the engine's own board; -1 when a move is
// not legal there.
int ScoreOf(const Board& root, Rule rule, const std::vector<Move>& moves);

}  // namespace solver
