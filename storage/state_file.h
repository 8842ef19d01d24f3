// The one binary state format: the settings file beside the program and the
// saved games the player chooses.
#pragma once

#include <cstdint>

namespace mq {

constexpr int TS_WRITE = 1;
constexpr int TS_SETTINGS = 8;
constexpr int32_t StateVersion = 107;
constexpr int FILE_PATH_SIZE = 260;
constexpr long SETTINGS_FILE_SIZE = 6742;
constexpr long SAVED_GAME_SIZE = 4126;

// TransferState results.
constexpr int TS_FAILED = 0;     // no path, or the file could not be opened or written
constexpr int TS_DONE = 1;       // the whole file was read or written
constexpr int TS_REJECTED = -1;  // read, but not accepted: nothing changed

extern char FilePath[FILE_PATH_SIZE];

// The program's own path, from which the settings path is derived.
void SetProgramPath(const char* path);

int TransferState(int flags);

// The same transfer on the file named in FilePath, in the layout that
// TS_SETTINGS selects, without deriving the settings path and without moving
// a rejected file aside: for tools that work on copies of state files.
int TransferStateFile(int flags);

// The length of a file of `version` in the settings or the saved-game
// layout; 0 for a version that is not read. The two differ for every
// version, so the length tells the kinds apart.
long StateFileSize(int32_t version, bool settings);

// Why the last TransferState did not succeed, as one short sentence.
const char* TransferFailureReason();

}  // namespace mq
