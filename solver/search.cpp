#include "solver/search.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

namespace solver {

namespace {

using Clock = std::chrono::steady_clock;

// What a tile left at the end of a playout costs in the judgement of a
// position: at 10 s 15 to 50 alike, 0 and 100 worse; at 60 s with two
// threads 20 rather than 30 (boards 1-10, seeds 1 to 3: 89.0% of the
// records against 88.75%; with every sibling kept in wide passes, below,
// seeds 1 to 5 of a later session gave 89.5% against 88.7%; 10 lost on
// two seeds of another by 0.8 and 2.8 points); 15 rather than 20 in a later
// one (seeds 69 to 76: mean 88.5% against 87.9%, better on six seeds of
// eight, position 1 alone by 234 points on average).
constexpr int LeftTilePenalty = 15;

constexpr int PlayoutsPerChild = 2;

// A child whose first playout leaves it this far below where the last
// level's beam was cut is not played out again: the second would rarely
// lift it into the beam, and the time goes to wider passes (1.8 times the
// positions a second; at 60 s with two threads, seeds 7 to 12: mean 89.0%
// of the records against 88.6%, better on four seeds of six; 800 lost half
// a point on seeds 7 and 8, 500 even with 300 on seeds 11 and 12).
constexpr int CutMargin = 300;
constexpr int NoCut = std::numeric_limits<int>::min() / 2;

struct Shared {
  const Board& Root;
  const SearchOptions& Options;
  Clock::time_point Deadline;
  std::atomic<bool> Done{false};
  std::atomic<int> BestScore{-1};
  std::atomic<uint64_t> Positions{0};
  std::mutex Lock;
  std::vector<Move> BestMoves;

  Shared(const Board& root, const SearchOptions& options) : Root(root), Options(options) {}

  bool TimeUp() {
    if (Done.load(std::memory_order_relaxed)) return true;
    if ((Options.Stop && Options.Stop->load(std::memory_order_relaxed)) || Clock::now() >= Deadline) {
      Done = true;
      return true;
    }
    return false;
  }

  void Offer(int score, const std::vector<Move>& moves) {
    if (score <= BestScore.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> hold(Lock);
    if (score <= BestScore.load()) return;
    BestMoves = moves;
    BestScore = score;
  }
};

struct Candidate {
  uint64_t Hash;
  int32_t Eval;  // total of the best whole game known through it
  int32_t Score;
  uint32_t Parent;
  uint32_t Line;  // start of that game's remaining moves in the pool
  uint16_t Length;
  Move At;
  uint8_t Pool;  // the thread whose pool holds that game
};

struct Step {
  uint32_t Parent;
  Move At;
};

// A beam position: its points so far and the best game known from it.
struct Node {
  int32_t Score;
  int32_t Total;
  uint32_t Line;
  uint16_t Length;
};

// Keeping together the colour with the most tiles, as playouts do, pays
// while that colour is removed last in one big group; which colour that is
// is decided anew for every position judged (boards 1-10, 10 s, one thread:
// 34,656 points against 32,425 with one search per colour).
inline int MostTiles(const Board& b) {
  int colour = 0, most = 0;
  for (int c = 1; c <= MaxColours; ++c) {
    if (b.Count[c] > most) most = b.Count[c], colour = c;
  }
  return colour;
}

// Where another colour has nearly as many tiles as the kept one, which of
// the two a good game keeps together cannot be told from the counts, so the
// second playout of a child keeps that one instead (60 s, two threads,
// seeds 83 to 88: mean 88.2% of the records against 87.2% with no rival,
// better on five seeds of six, position 1 alone by 380 points on average;
// within three tiles, seeds 79 to 86: 87.0% against 86.9%). Within eight
// rather than five, seeds 89 to 97: mean 88.5% against 87.3%, better on
// eight seeds of nine; within twelve, seeds 93 to 97: 87.5% against 88.1%;
// the colour with the second-most tiles however far behind, seeds 91 and
// 92: 85.9% against 88.3% within five and 88.8% within eight.
constexpr int RivalWithin = 8;

// The colour other than `kept` with the most tiles, when it is within
// RivalWithin tiles of it; 0 otherwise.
inline int Rival(const Board& b, int kept) {
  int colour = 0;
  for (int c = 1; c <= MaxColours; ++c) {
    if (c != kept && b.Count[c] + RivalWithin >= b.Count[kept] && b.Count[c] > b.Count[colour]) colour = c;
  }
  return colour;
}

// What the largest group of a colour other than `kept` adds to the judgement
// of a position. The playout that judges it breaks such a group up as it
// meets its pieces, while the search can still remove it whole: the second
// large group beside the kept colour's is what the records have and
// playouts never show. Counted at twice what removing it whole scores
// (boards 1-10, 60 s, two threads, seeds 1 to 3: at its score 37,616,
// 37,286 and 37,316 points against 36,934, 36,248 and 36,768 uncounted; at
// twice 37,628, 37,456 and 37,190 against 36,504, 37,424 and 37,360 at half
// as much again and 36,972, 36,936 and 37,126 at three times, in one later
// session).
//
// Once that group has HoldFrom tiles, the first playout that judges the
// position leaves it, and any group of its colour as large, until only they
// and the kept colour have groups (60 s, two threads, seeds 1 to 4 of one
// session: 89.0%, 89.0%, 89.8% and 89.2% of the records against 88.8%,
// 88.7%, 89.6% and 88.6%; from 5 tiles, seeds 1 to 3: 88.9%, 89.5% and
// 89.1%; from 15, seed 37 of a later session: 87.6% against 88.1%). A
// smaller one, from SecondHoldFrom tiles, the second playout holds instead:
// two lines that differ in it judge a child better than two alike (60 s,
// two threads, seeds 44 to 55: mean 88.07% against 87.62% with neither
// holding it, better on seven seeds of twelve; the second holding any
// smaller group, seeds 50 to 55: 87.05%).
constexpr int HoldFrom = 10;
constexpr int SecondHoldFrom = 5;

int OtherGroupWorth(const Board& b, int kept, Rule rule, GroupFinder& f, Hold& largest) {
  const int count = f.Find(b);
  largest = {};
  for (int k = 0; k < count; ++k) {
    const Group& g = f.Groups[k];
    if (g.Colour != kept && g.Size > largest.Size) largest = {g.Colour, g.Size};
  }
  return largest.Size >= 2 ? 2 * GroupScore(rule, largest.Size) : 0;
}

// The group, if any, that playout `p` of a child leaves whole. A playout
// keeping the rival holds it as the first does, unless it is the rival's.
Hold HeldBy(int p, Hold largest, int rival) {
  if (p == 1 && rival != 0) return largest.Colour != rival ? HeldBy(0, largest, 0) : Hold{};
  const bool first = largest.Size >= HoldFrom;
  return (p == 0 ? first : !first && largest.Size >= SecondHoldFrom) ? largest : Hold{};
}

// How many children of one position a level keeps while others can fill
// the beam. Siblings' playouts are much alike, and a beam filled with the
// best of a few positions' children searches around those few positions
// only (boards 1-10, two threads, seeds 1 to 3, one session: at 10 s
// 85.7%, 87.3% and 86.5% of the records against 85.4%, 84.6% and 85.2%
// with no limit, and 2, 4 or 16 no better than 8; at 60 s 88.0%, 89.7% and
// 89.9% against 88.3%, 89.3% and 89.5%, position 5 alone losing). Passes
// of 1024 positions or wider keep every child: at 60 s 89.0% against
// 88.75% over seeds 1 to 3 with the limit in every pass; from 512 lost on
// two seeds of a later session by 0.3 and 1.5 points.
constexpr uint16_t MaxSiblings = 8;
constexpr size_t SiblingsUnlimitedFrom = 1024;

// What one thread needs to judge its share of a level's children.
struct Judge {
  explicit Judge(uint64_t seed) : Rng(seed), Tail(MaxCells / 2 + 1), OtherTail(MaxCells / 2 + 1) {}
  Random Rng;
  GroupFinder Finder;
  GroupFinder PlayoutFinder;
  std::vector<Candidate> Candidates;
  std::vector<Move> Pool;  // the remembered games of its candidates
  std::vector<Move> Tail;
  std::vector<Move> OtherTail;  // the latest playout's, swapped in when it is better
  uint64_t Positions = 0;
};

// Below this many positions a level is judged on one thread: starting
// threads would cost more than it saves.
constexpr size_t ParallelFrom = 8;

// One beam search of `width` positions a level. Each
// position remembers the best game found through it, so a level never
// judges worse than the best line seen before: the search follows that line
// while it tries the others. The children of a level are judged on all
// threads: two beams, one a thread, each starting from the best game either
// had found, gave no more at 60 s than one thread did.
class Beam {
 public:
  Beam(Shared& shared, uint64_t seed, int threads) : shared_(shared) {
    for (int t = 0; t < std::max(1, threads); ++t)
      judges_.push_back(std::make_unique<Judge>(seed + static_cast<uint64_t>(t)));
  }

  GroupFinder& Finder() { return judges_[0]->Finder; }

  // True when nothing was cut: the search was then exhaustive. The pass
  // starts after the first `from` moves of the best game so far.
  bool Run(size_t width, size_t from = 0) {
    const Rule rule = shared_.Options.ScoringRule;
    steps_.clear();
    boards_.assign(1, shared_.Root);
    // The pass starts from the best game found so far, by any pass: the
    // beam follows it and tries the others around it.
    int total = 0;
    {
      std::lock_guard<std::mutex> hold(shared_.Lock);
      lines_ = shared_.BestMoves;
      total = shared_.BestScore.load();
    }
    from = std::min(from, lines_.size());
    prefix_.assign(lines_.begin(), lines_.begin() + static_cast<long>(from));
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<long>(from));
    int done = 0;
    for (const Move& m : prefix_) done += GroupScore(rule, ApplyMove(boards_[0], m, Finder()));
    nodes_.assign(1, Node{done, total, 0, static_cast<uint16_t>(lines_.size())});
    steps_.push_back({Step{0, {0, 0}}});
    bool whole = true;
    cut_ = NoCut;
    while (!boards_.empty()) {
      next_parent_ = 0;
      for (auto& judge : judges_) {
        judge->Candidates.clear();
        judge->Pool.clear();
      }
      const size_t helpers = boards_.size() >= ParallelFrom ? judges_.size() - 1 : 0;
      std::vector<std::thread> threads;
      for (size_t t = 1; t <= helpers; ++t) threads.emplace_back([this, t] { JudgeLevel(t); });
      JudgeLevel(0);
      for (std::thread& t : threads) t.join();
      for (auto& judge : judges_) {
        shared_.Positions += judge->Positions;
        judge->Positions = 0;
      }
      // A level cut short by the clock is not searched on.
      if (shared_.TimeUp()) return false;
      whole = Select(width) && whole;
    }
    return whole;
  }

 private:
  // Judges every child of the parents it takes from the level, one parent
  // at a time, until none is left or time is up.
  void JudgeLevel(size_t t) {
    const Rule rule = shared_.Options.ScoringRule;
    Judge& j = *judges_[t];
    const auto pool = static_cast<uint8_t>(t);
    for (;;) {
      const uint32_t i = next_parent_.fetch_add(1);
      if (i >= boards_.size() || shared_.TimeUp()) return;
      const Board& parent = boards_[i];
      const Node& node = nodes_[i];
      GroupFinder& finder = j.Finder;
      const int count = finder.Find(parent);
      if (count == 0) {
        const int total = node.Score + EndScore(rule, parent.Tiles);
        if (total > shared_.BestScore.load(std::memory_order_relaxed)) Offer(i, nullptr, 0, total);
        continue;
      }
      // The group that the remembered line removes next.
      int followed = -1;
      if (node.Length > 0) {
        const Move m = lines_[node.Line];
        followed = finder.Label[m.Column][parent.Rows - 1 - m.Row];
      }
      for (int k = 0; k < count; ++k) {
        // A big board's level takes long: the clock is read per child.
        if (k % 8 == 7 && shared_.TimeUp()) break;
        const Group& g = finder.Groups[k];
        Board child = parent;
        finder.Remove(child, g);
        const int score = node.Score + GroupScore(rule, g.Size);
        const Move at = MoveOf(parent, g);
        Candidate c{0, -1, score, i, 0, 0, at, pool};
        if (g.Label == followed) {
          c.Eval = node.Total;
          c.Line = static_cast<uint32_t>(j.Pool.size());
          c.Length = static_cast<uint16_t>(node.Length - 1);
          j.Pool.insert(j.Pool.end(), lines_.begin() + node.Line + 1,
                        lines_.begin() + node.Line + node.Length);
        }
        c.Hash = child.Hash();
        const int kept = MostTiles(child);
        const int rival = Rival(child, kept);
        Hold largest;
        const int other = OtherGroupWorth(child, kept, rule, j.PlayoutFinder, largest);
        // The best of a few playouts stands for a child: one random line
        // misjudges a child often enough to drop a good one from the beam.
        // Two against one, at 60 s with two threads, seeds 1 to 7: mean
        // 88.6% against 88.1%, better on six seeds; at 10 s even (84.8%,
        // seeds 1 to 3), the narrower passes costing what the judging gains.
        // Of a large group of the other colour, only the first holds it
        // (HeldBy): the better of one line that keeps it whole and one that
        // does not serves the boards where holding it pays and those where
        // it costs (60 s, two threads, seeds 37 to 42: mean 88.95% of the
        // records against 88.26% with both holding it, better on five
        // seeds; position 5 gains most).
        int e = 0, n = 0, left = 0;
        // Tiles left count against a line beyond its points: a line that
        // nearly clears the board is the way to one that does (boards
        // 1-10, 10 s, one thread: 31,346 points against 29,567 without).
        const auto net = [](int points, int tiles) { return points - LeftTilePenalty * tiles; };
        for (int p = 0; p < PlayoutsPerChild; ++p) {
          if (p > 0 && std::max(c.Eval, net(e, left) + other) < cut_ - CutMargin) break;
          Board line = child;
          int count = 0;
          const int points =
              score + Playout(line, rule, p == 1 && rival != 0 ? rival : kept, j.Rng, j.PlayoutFinder,
                              j.OtherTail.data() + 1, &count, HeldBy(p, largest, rival));
          if (p == 0 || net(points, line.Tiles) > net(e, left)) {
            std::swap(j.Tail, j.OtherTail);
            e = points, n = count, left = line.Tiles;
          }
        }
        if (e > shared_.BestScore.load(std::memory_order_relaxed)) {
          j.Tail[0] = at;
          Offer(i, j.Tail.data(), n + 1, e);
        }
        const int judged = net(e, left) + other;
        if (judged > c.Eval) {
          c.Eval = judged;
          c.Line = static_cast<uint32_t>(j.Pool.size());
          c.Length = static_cast<uint16_t>(n);
          j.Pool.insert(j.Pool.end(), j.Tail.begin() + 1, j.Tail.begin() + 1 + n);
        }
        ++j.Positions;
        j.Candidates.push_back(c);
      }
    }
  }

  // Keeps the best of each position (the same tiles left: only the points
  // so far differ, and the best line from any of them serves them all),
  // then the `width` best judged.
  bool Select(size_t width) {
    candidates_.clear();
    for (const auto& judge : judges_)
      candidates_.insert(candidates_.end(), judge->Candidates.begin(), judge->Candidates.end());
    std::sort(candidates_.begin(), candidates_.end(), [](const Candidate& a, const Candidate& b) {
      if (a.Hash != b.Hash) return a.Hash < b.Hash;
      return a.Score > b.Score;
    });
    size_t kept = 0;
    for (size_t i = 0; i < candidates_.size();) {
      size_t best = i, j = i + 1;
      for (; j < candidates_.size() && candidates_[j].Hash == candidates_[i].Hash; ++j) {
        if (candidates_[j].Eval - candidates_[j].Score > candidates_[best].Eval - candidates_[best].Score)
          best = j;
      }
      Candidate c = candidates_[i];
      c.Eval = c.Score + candidates_[best].Eval - candidates_[best].Score;
      c.Line = candidates_[best].Line;
      c.Length = candidates_[best].Length;
      c.Pool = candidates_[best].Pool;
      candidates_[kept++] = c;
      i = j;
    }
    candidates_.resize(kept);
    const bool whole = candidates_.size() <= width;
    cut_ = NoCut;
    if (!whole) {
      std::sort(candidates_.begin(), candidates_.end(),
                [](const Candidate& a, const Candidate& b) { return a.Eval > b.Eval; });
      cut_ = candidates_[width - 1].Eval;
      // Siblings beyond the first few go on only when too few positions
      // are left to fill the beam.
      const bool limited = width < SiblingsUnlimitedFrom;
      siblings_.assign(boards_.size(), 0);
      passed_.clear();
      size_t n = 0;
      for (size_t i = 0; i < candidates_.size() && n < width; ++i) {
        if (!limited || siblings_[candidates_[i].Parent]++ < MaxSiblings) {
          candidates_[n++] = candidates_[i];
        } else if (passed_.size() < width) {
          passed_.push_back(candidates_[i]);
        }
      }
      for (size_t i = 0; n < width; ++i) candidates_[n++] = passed_[i];
      candidates_.resize(width);
    }
    next_.resize(candidates_.size());
    nextNodes_.resize(candidates_.size());
    nextLines_.clear();
    std::vector<Step> layer(candidates_.size());
    for (size_t i = 0; i < candidates_.size(); ++i) {
      const Candidate& c = candidates_[i];
      next_[i] = boards_[c.Parent];
      ApplyMove(next_[i], c.At, Finder());
      nextNodes_[i] = {c.Score, c.Eval, static_cast<uint32_t>(nextLines_.size()), c.Length};
      const std::vector<Move>& pool = judges_[c.Pool]->Pool;
      nextLines_.insert(nextLines_.end(), pool.begin() + c.Line, pool.begin() + c.Line + c.Length);
      layer[i] = {c.Parent, c.At};
    }
    boards_.swap(next_);
    nodes_.swap(nextNodes_);
    lines_.swap(nextLines_);
    steps_.push_back(std::move(layer));
    return whole;
  }

  // The moves that lead to node `i` of the last level, then `tail`.
  void Offer(uint32_t i, const Move* tail, int n, int total) {
    std::vector<Move> moves;
    for (size_t level = steps_.size() - 1; level > 0; --level) {
      moves.push_back(steps_[level][i].At);
      i = steps_[level][i].Parent;
    }
    moves.insert(moves.end(), prefix_.rbegin(), prefix_.rend());
    std::reverse(moves.begin(), moves.end());
    moves.insert(moves.end(), tail, tail + n);
    shared_.Offer(total, moves);
  }

  Shared& shared_;
  std::vector<std::unique_ptr<Judge>> judges_;
  std::atomic<uint32_t> next_parent_{0};
  std::vector<Board> boards_, next_;
  std::vector<Node> nodes_, nextNodes_;
  std::vector<Move> lines_, nextLines_, prefix_;
  std::vector<Candidate> candidates_, passed_;
  std::vector<uint16_t> siblings_;
  std::vector<std::vector<Step>> steps_;
  int cut_ = NoCut;  // judgement at the width-th place when the last level was cut
};

// The last share of the budget goes to passes that keep the start of the
// best game and search only its rest, which the same time searches wider
// (boards 1-10, 10 s, one thread: 35,126 points against 33,486 without;
// shares 0.3 to 0.5 and 2 to 4 slices alike, 8 slices worse).
constexpr double PrefixShare = 0.4;
constexpr int PrefixSlices = 3;

// Each pass of a round is this many times as wide as the one before. The
// narrower passes only find the game the widest follows. The widest is as
// wide as the time left allows, so at eight the narrower ones take between
// an eighth and a half of the time from the start (position 1, 60 s: 15.4 s
// against 36.0 s for the widest, 1551 positions). At eight, 60 s, two
// threads, seeds 18 to 22 of one session: 88.6%, 89.0%, 90.3%, 88.5% and
// 89.7% of the records against 88.6%, 88.4%, 88.4%, 88.3% and 88.7% at
// four; sixteen gave 87.6% and 87.3% on seeds 21 and 22. At four, seeds 15
// to 17 of an earlier session had given 89.9%, 89.7% and 89.8% against
// 88.0%, 88.3% and 89.1% at two.
constexpr size_t WidthGrowth = 8;

// Runs passes from the start of the game, or after its first `from` moves,
// until `end`, each WidthGrowth times as wide as the last; once such a pass
// would not end by `fit`, the next is as wide as the time left allows. False
// when a pass was exhaustive: no wider one can find more.
bool Widen(Shared& shared, Beam& beam, size_t from, Clock::time_point end, Clock::time_point fit,
           size_t widest) {
  size_t width = 1;
  while (!shared.TimeUp() && Clock::now() < end) {
    const auto t0 = Clock::now();
    if (beam.Run(width, from)) return false;
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    const double left = std::chrono::duration<double>(fit - Clock::now()).count();
    size_t next = width * WidthGrowth;
    if (took > 0 && static_cast<double>(WidthGrowth) * took > left)
      next = std::max(width, static_cast<size_t>(static_cast<double>(width) * left * 0.9 / took));
    width = std::min(widest, next);
  }
  return true;
}

void Work(Shared& shared) {
  auto beam = std::make_unique<Beam>(shared, shared.Options.Seed * 1000003u, shared.Options.Threads);
  // Room for the boards of two levels, the candidates of one with their
  // remembered games, and the moves of every level.
  GroupFinder& finder = beam->Finder();
  const size_t children = static_cast<size_t>(finder.Find(shared.Root));
  const size_t depth = static_cast<size_t>(shared.Root.Tiles / 2 + 1);
  const size_t perPosition = 2 * sizeof(Board) + depth * (sizeof(Step) + sizeof(Move)) +
                             children * (sizeof(Candidate) + depth * sizeof(Move));
  // A level's remembered games are found by 32-bit offsets into a pool that
  // holds up to a game a child: the widest level stays within their reach,
  // however much memory it is given.
  const size_t reach = std::numeric_limits<uint32_t>::max() / (depth * depth);
  const size_t widest = std::clamp<size_t>(shared.Options.MemoryBytes / perPosition, 1, reach);
  const double budget = std::chrono::duration<double>(shared.Deadline - Clock::now()).count();
  const auto settle =
      shared.Deadline - std::chrono::microseconds(static_cast<int64_t>(budget * PrefixShare * 1e6));
  // When the last slice's search is exhaustive before its time is up, the
  // time left goes to another round of slices on the best game by then,
  // unless every slice was exhaustive and found nothing. An exhaustive pass
  // from the start leaves nothing to find.
  for (bool open = Widen(shared, *beam, 0, settle, shared.Deadline, widest); open && !shared.TimeUp();) {
    open = false;
    const int before = shared.BestScore.load();
    size_t length = 0;
    {
      std::lock_guard<std::mutex> hold(shared.Lock);
      length = shared.BestMoves.size();
    }
    const auto now = Clock::now();
    const double span = std::chrono::duration<double>(shared.Deadline - now).count();
    for (int slice = 0; slice < PrefixSlices && !shared.TimeUp(); ++slice) {
      const size_t from = length * static_cast<size_t>(2 * slice + 2) / (2 * PrefixSlices + 2);
      const auto end =
          now + std::chrono::microseconds(static_cast<int64_t>(span * (slice + 1) / PrefixSlices * 1e6));
      open = Widen(shared, *beam, from, end, end, widest) || open;
    }
    open = open || shared.BestScore.load() > before;
  }
  shared.Done = true;
}

}  // namespace

SearchResult Solve(const Board& root, const SearchOptions& options) {
  const auto start = Clock::now();
  SearchResult result;
  if (!HasMove(root)) return result;
  Shared shared(root, options);
  shared.Deadline = start + std::chrono::microseconds(static_cast<int64_t>(options.Seconds * 1e6));
  {
    // A whole game before anything else, so that even the shortest budget
    // ends with a sequence.
    Board b = root;
    Random rng(options.Seed);
    auto finder = std::make_unique<GroupFinder>();
    std::vector<Move> moves(MaxCells / 2);
    int n = 0;
    const int score = Playout(b, options.ScoringRule, MostTiles(root), rng, *finder, moves.data(), &n);
    moves.resize(static_cast<size_t>(n));
    shared.Offer(score, moves);
  }
  std::thread worker(Work, std::ref(shared));
  const auto report = [&] {
    if (!options.OnProgress) return;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    options.OnProgress({elapsed, shared.BestScore.load(), shared.Positions.load()});
  };
  for (int tick = 1; !shared.TimeUp(); ++tick) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (tick % 5 == 0) report();
  }
  worker.join();
  report();
  result.Score = shared.BestScore.load();
  result.Moves = shared.BestMoves;
  result.Positions = shared.Positions.load();
  result.Elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

int ScoreOf(const Board& root, Rule rule, const std::vector<Move>& moves) {
  Board b = root;
  auto finder = std::make_unique<GroupFinder>();
  int score = 0;
  for (const Move& m : moves) {
    const int n = ApplyMove(b, m, *finder);
    if (n < 2) return -1;
    score += GroupScore(rule, n);
  }
  if (!moves.empty() && !HasMove(b)) score += EndScore(rule, b.Tiles);
  return score;
}

}  // namespace solver
