// Seeded mutation of real state files: whatever the bytes, a read either
// installs a game the rules can go on with or changes nothing at all.
//
// MQ_FUZZ_ITERATIONS sets the number of mutated inputs (default 1,000,000),
// MQ_FUZZ_SEED the seed of the mutations.
//
// The seed corpus beside this file is written by the program itself:
//   MQ_WRITE_CORPUS=1 core_tests --gtest_also_run_disabled_tests
//       --gtest_filter='StateFileFuzz.DISABLED_WriteSeedCorpus'
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "storage/tests/storage_test_support.h"

namespace mq {
namespace {

using Bytes = std::vector<unsigned char>;

std::string CorpusDir() {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/corpus";
}

struct Seed {
  const char* file;
  bool settings;
};
const Seed kSeeds[] = {
    {"settings_107.ini", true}, {"settings_105.ini", true},   {"settings_101.ini", true},
    {"saved_107.mqz", false},   {"saved_107_big.mqz", false}, {"saved_107_finished.mqz", false},
    {"saved_103.mqz", false},   {"saved_101.mqz", false},
};

Bytes Load(const std::string& path) {
  Bytes bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  unsigned char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

// Serves one buffer as every file; writes are not expected.
class BufferPlatform : public Platform {
 public:
  const Bytes* Served = nullptr;
  int Moves = 0;
  long ReadWholeFile(const char*, unsigned char* buffer, long capacity) override {
    const long n = std::min<long>(capacity, static_cast<long>(Served->size()));
    if (n > 0) std::memcpy(buffer, Served->data(), static_cast<size_t>(n));
    return n;
  }
  bool WriteWholeFile(const char*, const unsigned char*, long) override { return false; }
  bool MoveFileOver(const char*, const char*) override {
    ++Moves;  // the backup of a rejected settings file
    return true;
  }
  bool RemoveFileAt(const char*) override { return true; }
};

// Offsets of the fields worth breaking, for the layout of a given version.
struct FieldMap {
  std::vector<size_t> ints;    // 32-bit fields
  std::vector<size_t> shorts;  // MoveIndex entries
  size_t board = 68, log = 0, history = 0;
};

FieldMap MapFields(int32_t version, bool settings) {
  FieldMap m;
  m.ints.push_back(0);
  for (int i = 0; i < 9; ++i) m.ints.push_back(4 + 4 * i);
  size_t at = 68;
  if (!settings && version < 104) {
    m.ints.push_back(at);
    at += 4;
  }
  m.board = at;
  at += GRID_CELLS;
  if (settings) at += (version < 106 ? 2000 : 2600) + 16;
  if (version >= 103) {
    m.history = at;
    m.ints.push_back(at);
    m.ints.push_back(at + 4);
    m.log = at + 8;
    for (int i = 0; i < 225; ++i) m.shorts.push_back(at + 8 + 2700 + 2 * i);
  }
  return m;
}

int32_t Interesting(std::mt19937& random) {
  static const int32_t values[] = {-1,  0,   1,   2,   3,   4,   5,   6,   7,          28,       29,
                                   30,  98,  99,  101, 102, 103, 104, 105, 106,        107,      108,
                                   199, 200, 224, 225, 420, 841, 900, 901, 0x7FFFFFFF, INT32_MIN};
  return values[random() % (sizeof values / sizeof values[0])];
}

void Put32(Bytes& b, size_t at, int32_t v) {
  for (int i = 0; i < 4 && at + i < b.size(); ++i)
    b[at + i] = static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i));
}

void Mutate(Bytes& b, const FieldMap& m, std::mt19937& random) {
  const int count = 1 + static_cast<int>(random() % 4);
  for (int k = 0; k < count; ++k) {
    switch (random() % 9) {
      case 0:  // bit flip anywhere
        if (!b.empty()) b[random() % b.size()] ^= static_cast<unsigned char>(1u << (random() % 8));
        break;
      case 1:  // byte set anywhere
        if (!b.empty()) b[random() % b.size()] = static_cast<unsigned char>(random());
        break;
      case 2:  // a 32-bit field out of range
        Put32(b, m.ints[random() % m.ints.size()], Interesting(random));
        break;
      case 3:  // a board cell
        if (m.board + GRID_CELLS <= b.size())
          b[m.board + random() % GRID_CELLS] = static_cast<unsigned char>(random() % 9);
        break;
      case 4:  // a log entry byte
        if (m.log != 0 && m.log + 2700 <= b.size()) {
          b[m.log + random() % 2700] = static_cast<unsigned char>(random() % 3 ? random() % 32 : random());
        }
        break;
      case 5:  // a MoveIndex entry
        if (!m.shorts.empty()) {
          const size_t at = m.shorts[random() % m.shorts.size()];
          const int32_t v = random() % 2 ? Interesting(random) : static_cast<int32_t>(random() % 1000);
          if (at + 1 < b.size()) {
            b[at] = static_cast<unsigned char>(v);
            b[at + 1] = static_cast<unsigned char>(v >> 8);
          }
        }
        break;
      case 6:  // move counts that may or may not fit the history
        if (m.history != 0) {
          Put32(b, m.history + 4 * (random() % 2), static_cast<int32_t>(random() % 240) - 4);
        }
        break;
      case 7:  // truncation
        b.resize(random() % (b.size() + 1));
        break;
      case 8:  // extension
        b.resize(b.size() + 1 + random() % 64, static_cast<unsigned char>(random()));
        break;
    }
  }
}

// What an accepted read must leave: a game the rules can play on.
void ExpectPlayable(const char* seed, int iteration) {
  const auto where = [&] { return testing::Numbered((std::string(seed) + " #").c_str(), iteration); };
  ASSERT_TRUE(IsLegalBoard(Game)) << where();
  ASSERT_GE(Game.MoveCount, 0) << where();
  ASSERT_LE(Game.MoveCount, Game.MoveTotal) << where();
  ASSERT_LE(Game.MoveTotal, 224) << where();
  ASSERT_EQ(Game.LogCursor, Game.MoveIndex[Game.MoveCount]) << where();
  if (Game.GameOver) {  // only a game that says so and has no group left
    static GameState shown;
    shown = Game;
    shown.ActiveColumns = Game.GameSettings.Columns;
    shown.ActiveRows = Game.GameSettings.Rows;
    ASSERT_NE(Game.GameSettings.SavedGameOver, 0) << where();
    ASSERT_NE(EndGrade(shown), 0) << where();
    ASSERT_EQ(Game.EndBonus, EndBonusFor(EndGrade(shown))) << where();
  }
  ASSERT_EQ(Game.SelectedCount, 0) << where();
  ASSERT_NE(std::memchr(PlayerName, 0, 14), nullptr) << where();
  for (const HighScoreRecord& r : HighScoreTables) ASSERT_EQ(r.Name[13], 0) << where();
}

// Walks the loaded history to both ends and back; sanitizers watch every access.
void PlayHistory() {
  Game.ActiveColumns = Game.GameSettings.Columns;
  Game.ActiveRows = Game.GameSettings.Rows;
  const int applied = Game.MoveCount;
  while (Game.MoveCount > 0) UndoMove();
  while (Game.MoveCount < Game.MoveTotal) RedoMove();
  while (Game.MoveCount > applied) UndoMove();
}

long EnvNumber(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtol(text, nullptr, 10);
}

// A state to read over: a game in progress, filled tables and a name.
void SetUpCurrentState() {
  testing::ResetStorageState();
  Game.GameSettings.Level = 3;
  Game.GameSettings.Columns = Game.ActiveColumns = 21;
  Game.GameSettings.Rows = Game.ActiveRows = 22;
  Game.GameSettings.BoardSize = 2;
  RandomState = 99;
  NewGame();
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i)
    HighScoreTables[i] = testing::Record("Before", 900 - i, 0x8001);
  std::strcpy(PlayerName, "Current");
  NewRecordIndex = 73;
  Game.MarkGrid[5] = 0x1F;
  Game.SelectedCount = 1;
}

TEST(StateFileFuzz, MutatedFilesAreAcceptedWholeOrNotAtAll) {
  std::vector<Bytes> seeds;
  for (const Seed& s : kSeeds) {
    seeds.push_back(Load(CorpusDir() + "/" + s.file));
    ASSERT_FALSE(seeds.back().empty()) << "missing seed " << s.file;
  }
  BufferPlatform platform;
  testing::ScopedPlatform scoped(&platform);
  SetProgramPath("C:\\Games\\marblequake.exe");

  // Every seed is accepted as it is.
  for (size_t i = 0; i < seeds.size(); ++i) {
    SetUpCurrentState();
    platform.Served = &seeds[i];
    std::strcpy(FilePath, "seed.mqz");
    ASSERT_EQ(TransferState(kSeeds[i].settings ? TS_SETTINGS : 0), TS_DONE)
        << kSeeds[i].file << ": " << TransferFailureReason();
  }

  const long iterations = EnvNumber("MQ_FUZZ_ITERATIONS", 1000000);
  std::mt19937 random(static_cast<uint32_t>(EnvNumber("MQ_FUZZ_SEED", 20260305)));
  SetUpCurrentState();
  const testing::StorageSnapshot current = testing::StorageSnapshot::Take();
  long accepted = 0, rejected = 0;
  Bytes input;
  for (long n = 0; n < iterations; ++n) {
    const size_t which = random() % seeds.size();
    input = seeds[which];
    int32_t version = 107;
    std::memcpy(&version, input.data(), 4);
    Mutate(input, MapFields(version, kSeeds[which].settings), random);
    platform.Served = &input;
    std::strcpy(FilePath, "fuzz.mqz");
    const int result = TransferState(kSeeds[which].settings ? TS_SETTINGS : 0);
    if (result == TS_DONE) {
      ++accepted;
      ExpectPlayable(kSeeds[which].file, static_cast<int>(n));
      if (n % 64 == 0) PlayHistory();
      if (::testing::Test::HasFatalFailure()) return;
      // Back to the same starting point for the next input.
      std::memcpy(&Game, &current.Game, sizeof Game);
      std::memcpy(HighScoreTables, current.Tables, sizeof HighScoreTables);
      std::memcpy(PlayerName, current.Name, sizeof PlayerName);
      NewRecordIndex = current.NewRecord;
    } else {
      ASSERT_EQ(result, TS_REJECTED) << kSeeds[which].file << " #" << n;
      ++rejected;
      ASSERT_TRUE(current.SameAsNow()) << kSeeds[which].file << " #" << n << ": " << TransferFailureReason();
      ASSERT_STRNE(TransferFailureReason(), "");
    }
  }
  std::printf("%ld inputs: %ld accepted, %ld rejected\n", iterations, accepted, rejected);
  SetProgramPath(nullptr);
  testing::ResetStorageState();
}

// --- The seed corpus -------------------------------------------------------

uint32_t CellPosition(int column, int row) {
  return (static_cast<uint32_t>(3 + row * 30 + 15) << 16) | static_cast<uint32_t>(3 + column * 30 + 15);
}

void PlayRandomMoves(int count, std::mt19937& random) {
  for (int m = 0; m < count && !Game.GameOver; ++m) {
    std::vector<std::pair<int, int>> moves;
    for (int c = 0; c < Game.ActiveColumns; ++c) {
      for (int r = 0; r < Game.ActiveRows; ++r) {
        const uint8_t t = BoardAt(c, r);
        if (t != 0 && (BoardAt(c + 1, r) == t || BoardAt(c, r + 1) == t)) moves.emplace_back(c, r);
      }
    }
    if (moves.empty()) return;
    const auto [c, r] = moves[random() % moves.size()];
    PressTile(CellPosition(c, r));
    ReleaseTile(CellPosition(c, r));
    CompleteMove(IDT_REMOVE);
  }
}

void DealAndPlay(int level, int columns, int rows, int size, int rule, int moves, int undos, uint32_t seed) {
  std::mt19937 random(seed);
  Game.GameSettings.Level = level;
  Game.GameSettings.Columns = Game.ActiveColumns = columns;
  Game.GameSettings.Rows = Game.ActiveRows = rows;
  Game.GameSettings.BoardSize = size;
  Game.GameSettings.ScoringRule = rule;
  NewGame();
  PlayRandomMoves(moves, random);
  for (int u = 0; u < undos && Game.MoveCount > 0; ++u) UndoMove();
}

class CorpusPlatform : public Platform {
 public:
  uint32_t TickCount() override { return 123456; }
  LocalDate Today() override { return {2026, 3, 5}; }
};

// Turns a file of this version into the layout of an older one.
Bytes Downgrade(const Bytes& b, int32_t version, bool settings) {
  Bytes out(b.begin(), b.begin() + 68);
  Put32(out, 0, version);
  if (!settings && version < 104) {
    Bytes score(b.begin() + 20, b.begin() + 24);
    out.insert(out.end(), score.begin(), score.end());
    Put32(out, 20, 0);  // the old reader took the score from the extra field
  }
  out.insert(out.end(), b.begin() + 68, b.begin() + 968);
  size_t at = 968;
  if (settings) {
    if (version < 106) {
      out.insert(out.end(), b.begin() + 968, b.begin() + 968 + 1800);
      out.insert(out.end(), b.begin() + 968 + 2400, b.begin() + 968 + 2600);
    } else {
      out.insert(out.end(), b.begin() + 968, b.begin() + 968 + 2600);
    }
    out.insert(out.end(), b.begin() + 3568, b.begin() + 3584);
    at = 3584;
  }
  if (version >= 103) out.insert(out.end(), b.begin() + static_cast<long>(at), b.end());
  return out;
}

void Save(const std::string& name, const Bytes& bytes) {
  std::FILE* f = std::fopen((CorpusDir() + "/" + name).c_str(), "wb");
  ASSERT_NE(f, nullptr) << name;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

Bytes WriteState(bool settings) {
  const std::string path = ::testing::TempDir() + (settings ? "corpus.ini" : "corpus.mqz");
  if (settings) {
    SetProgramPath((::testing::TempDir() + "corpus.exe").c_str());
  } else {
    std::snprintf(FilePath, sizeof FilePath, "%s", path.c_str());
  }
  EXPECT_EQ(TransferState(settings ? TS_SETTINGS | TS_WRITE : TS_WRITE), TS_DONE);
  Bytes bytes = Load(path);
  std::remove(path.c_str());
  return bytes;
}

TEST(StateFileFuzz, DISABLED_WriteSeedCorpus) {
  if (std::getenv("MQ_WRITE_CORPUS") == nullptr) GTEST_SKIP() << "set MQ_WRITE_CORPUS=1";
  CorpusPlatform platform;
  testing::ScopedPlatform scoped(&platform);
  testing::ResetStorageState();
  RandomState = 1;
  std::strcpy(PlayerName, "Anonymus");

  // Fill some tables by finishing small games.
  for (int g = 0; g < 12; ++g) {
    DealAndPlay(g % 4, 6 + g % 3, 6 + g % 2, 3 - (g % 2) * 3, 0, 200, 0, 100 + g);
    Game.HighScoreHandled = 0;
    Game.Score += g;
    InsertHighScore(Game.Score);
  }
  std::strcpy(PlayerName, "Marble Fan");

  DealAndPlay(2, 11, 12, 0, 0, 8, 2, 1);
  const Bytes settings = WriteState(true);
  Save("settings_107.ini", settings);
  Save("settings_105.ini", Downgrade(settings, 105, true));
  Save("settings_101.ini", Downgrade(settings, 101, true));

  DealAndPlay(1, 16, 17, 1, 1, 10, 3, 2);
  Save("saved_107.mqz", WriteState(false));
  DealAndPlay(3, 29, 29, 3, 2, 12, 0, 3);
  Save("saved_107_big.mqz", WriteState(false));
  DealAndPlay(0, 6, 6, 3, 0, 200, 0, 4);
  EXPECT_EQ(Game.GameOver, 1);
  Save("saved_107_finished.mqz", WriteState(false));
  DealAndPlay(0, 8, 7, 3, 0, 6, 1, 5);
  const Bytes small = WriteState(false);
  Save("saved_103.mqz", Downgrade(small, 103, false));
  Save("saved_101.mqz", Downgrade(small, 101, false));
  SetProgramPath(nullptr);
  testing::ResetStorageState();
}

}  // namespace
}  // namespace mq
