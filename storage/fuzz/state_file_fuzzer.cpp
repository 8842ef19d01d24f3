// libFuzzer target for the state file reader; not part of the default build.
// The first byte picks the layout (odd: settings file); the rest is the file.
// Build, seed from the test corpus with that byte in front, and run:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I. storage/fuzz/state_file_fuzzer.cpp
//     storage/*.cpp game/*.cpp -o build/state_file_fuzzer
//   mkdir -p build/fuzz-corpus && for f in storage/tests/corpus/*; do
//     case $f in *.ini) p='\x01';; *) p='\x00';; esac
//     { printf "$p"; cat "$f"; } > build/fuzz-corpus/${f##*/}; done
//   build/state_file_fuzzer -max_len=8000 -max_total_time=60 build/fuzz-corpus
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/game_check.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"

namespace {

class BufferPlatform : public mq::Platform {
 public:
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  long ReadWholeFile(const char*, unsigned char* buffer, long capacity) override {
    const long n = static_cast<long>(Size) < capacity ? static_cast<long>(Size) : capacity;
    if (n > 0) std::memcpy(buffer, Data, static_cast<size_t>(n));
    return n;
  }
  bool WriteWholeFile(const char*, const unsigned char*, long) override { return false; }
  bool MoveFileOver(const char*, const char*) override { return true; }
  bool RemoveFileAt(const char*) override { return true; }
};

struct Saved {
  mq::GameState Game;
  mq::HighScoreRecord Tables[mq::HIGH_SCORE_RECORDS];
  char Name[mq::PLAYER_NAME_SIZE];
};

BufferPlatform Files;
Saved Before;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static bool ready = false;
  if (!ready) {
    mq::SetPlatform(&Files);
    mq::SetProgramPath("C:\\Games\\marblequake.exe");
    std::strcpy(mq::PlayerName, "Current");
    ready = true;
  }
  const bool settings = (data[0] & 1) != 0;
  Files.Data = data + 1;
  Files.Size = size - 1;

  std::memcpy(&Before.Game, &mq::Game, sizeof Before.Game);
  std::memcpy(Before.Tables, mq::HighScoreTables, sizeof Before.Tables);
  std::memcpy(Before.Name, mq::PlayerName, sizeof Before.Name);
  std::strcpy(mq::FilePath, "fuzz.mqz");
  const int result = mq::TransferState(settings ? mq::TS_SETTINGS : 0);
  if (result != mq::TS_DONE) {
    Check(std::memcmp(&Before.Game, &mq::Game, sizeof Before.Game) == 0);
    Check(std::memcmp(Before.Tables, mq::HighScoreTables, sizeof Before.Tables) == 0);
    Check(std::memcmp(Before.Name, mq::PlayerName, sizeof Before.Name) == 0);
    return 0;
  }
  Check(mq::IsLegalBoard(mq::Game));
  Check(mq::Game.MoveCount >= 0 && mq::Game.MoveCount <= mq::Game.MoveTotal && mq::Game.MoveTotal <= 224);
  Check(mq::Game.LogCursor == mq::Game.MoveIndex[mq::Game.MoveCount]);
  // Play the whole history back and forth: the sanitizers watch every access.
  mq::Game.ActiveColumns = mq::Game.GameSettings.Columns;
  mq::Game.ActiveRows = mq::Game.GameSettings.Rows;
  const int applied = mq::Game.MoveCount;
  while (mq::Game.MoveCount > 0) mq::UndoMove();
  while (mq::Game.MoveCount < mq::Game.MoveTotal) mq::RedoMove();
  while (mq::Game.MoveCount > applied) mq::UndoMove();
  return 0;
}
