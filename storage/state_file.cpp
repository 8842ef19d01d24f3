#include "storage/state_file.h"

#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "game/platform.h"
#include "storage/byte_io.h"
#include "storage/game_check.h"
#include "storage/high_scores.h"

namespace mq {

char FilePath[FILE_PATH_SIZE];

namespace {

constexpr int32_t OLDEST_VERSION = 99;
constexpr int32_t NEWEST_VERSION = 199;
constexpr int32_t FIRST_WITH_HISTORY = 103;
constexpr int32_t FIRST_WITHOUT_SCORE_FIELD = 104;  // saved games
constexpr int32_t FIRST_WITH_LEVEL3_TABLES = 106;   // settings files

constexpr int STORED_MOVE_INDEX = 225;
constexpr int NAME_BYTES = 14;
constexpr int SETTINGS_FIELDS = 16;
// Before the tables of the hardest level existed: records 0..89, then 120..129.
constexpr int OLD_TABLES_FIRST_PART = 90;

// The longest layout, and room to spare so longer files are still read.
constexpr long FILE_IMAGE_CAPACITY = 8192;
constexpr int MAX_PROGRAM_PATH = 255;
constexpr int SIDE_PATH_SIZE = FILE_PATH_SIZE + 8;

unsigned char FileImage[FILE_IMAGE_CAPACITY];
char ProgramPath[MAX_PROGRAM_PATH + 1];
char FailureReason[160];

// Scratch copies a read fills before anything is accepted.
GameState Candidate;
HighScoreRecord CandidateTables[HIGH_SCORE_RECORDS];
char CandidateName[PLAYER_NAME_SIZE];

template <typename... Args>
void SetReason(const char* format, Args... args) {
  std::snprintf(FailureReason, sizeof FailureReason, format, args...);
}
void SetReason(const char* text) { std::snprintf(FailureReason, sizeof FailureReason, "%s", text); }

// The blocks of a state file in their order. Which of them a file holds
// depends on its kind and version; sizes, the reader and the writer all
// follow this one table.
enum class Block { Version, Settings, ScoreField, Board, Tables, OldTables, Name, History };

struct BlockRule {
  Block Kind;
  long Size;
  bool InSettings, InSavedGame;
  int32_t FromVersion, BeforeVersion;
};

constexpr long HISTORY_BYTES = 4 + 4 + LOG_CAPACITY * 3 + STORED_MOVE_INDEX * 2;
constexpr long RECORD_BYTES = sizeof(HighScoreRecord);
constexpr int32_t ALL_VERSIONS_END = NEWEST_VERSION + 1;

constexpr BlockRule Layout[] = {
    {Block::Version, 4, true, true, OLDEST_VERSION, ALL_VERSIONS_END},
    {Block::Settings, sizeof(GameSettingsRecord), true, true, OLDEST_VERSION, ALL_VERSIONS_END},
    {Block::ScoreField, 4, false, true, OLDEST_VERSION, FIRST_WITHOUT_SCORE_FIELD},
    {Block::Board, GRID_CELLS, true, true, OLDEST_VERSION, ALL_VERSIONS_END},
    {Block::OldTables, (OLD_TABLES_FIRST_PART + HIGH_SCORE_RECORDS - SHARED_TABLE) * RECORD_BYTES, true,
     false, OLDEST_VERSION, FIRST_WITH_LEVEL3_TABLES},
    {Block::Tables, (HIGH_SCORE_RECORDS * RECORD_BYTES), true, false, FIRST_WITH_LEVEL3_TABLES,
     ALL_VERSIONS_END},
    {Block::Name, PLAYER_NAME_SIZE, true, false, OLDEST_VERSION, ALL_VERSIONS_END},
    {Block::History, HISTORY_BYTES, true, true, FIRST_WITH_HISTORY, ALL_VERSIONS_END},
};

bool Holds(const BlockRule& b, int32_t version, bool settings) {
  return (settings ? b.InSettings : b.InSavedGame) && version >= b.FromVersion && version < b.BeforeVersion;
}

long LayoutSize(int32_t version, bool settings) {
  long size = 0;
  for (const BlockRule& b : Layout) size += Holds(b, version, settings) ? b.Size : 0;
  return size;
}

int32_t* SettingsField(GameSettingsRecord& s, int i) {
  int32_t* fields[SETTINGS_FIELDS] = {&s.Shape,       &s.Level,         &s.Columns,     &s.Rows,
                                      &s.SavedScore,  &s.SavedGameOver, &s.ScoringRule, &s.BoardSize,
                                      &s.SoundOff,    &s.Reserved[0],   &s.Reserved[1], &s.Reserved[2],
                                      &s.Reserved[3], &s.Reserved[4],   &s.Reserved[5], &s.Reserved[6]};
  return fields[i];
}

void WriteSettings(ByteWriter& w, GameSettingsRecord& s) {
  for (int i = 0; i < SETTINGS_FIELDS; ++i) w.I32(*SettingsField(s, i));
}
void ReadSettings(ByteReader& r, GameSettingsRecord& s) {
  for (int i = 0; i < SETTINGS_FIELDS; ++i) r.I32(*SettingsField(s, i));
}

void WriteRecord(ByteWriter& w, const HighScoreRecord& record) {
  w.Bytes(record.Name, NAME_BYTES);
  w.U16(record.Date);
  w.I32(record.Points);
}
void ReadRecord(ByteReader& r, HighScoreRecord& record) {
  r.Bytes(record.Name, NAME_BYTES);
  r.U16(record.Date);
  r.I32(record.Points);
  // A name always ends inside its field, whatever the file held.
  record.Name[NAME_BYTES - 1] = '\0';
}

void WriteHistory(ByteWriter& w, const GameState& g) {
  w.I32(g.MoveCount);
  w.I32(g.MoveTotal);
  // Three single bytes an entry, {Column, Row, Colour}: the same in memory and on disk.
  static_assert(sizeof g.RemovedCellLog == LOG_CAPACITY * 3);
  w.Bytes(g.RemovedCellLog, sizeof g.RemovedCellLog);
  for (int i = 0; i < STORED_MOVE_INDEX; ++i) w.U16(g.MoveIndex[i]);
}
void ReadHistory(ByteReader& r, GameState& g) {
  r.I32(g.MoveCount);
  r.I32(g.MoveTotal);
  r.Bytes(g.RemovedCellLog, sizeof g.RemovedCellLog);
  for (int i = 0; i < STORED_MOVE_INDEX; ++i) r.U16(g.MoveIndex[i]);
  // The file does not carry the rest; nothing of the game it replaces may
  // survive there.
  for (int i = STORED_MOVE_INDEX; i < MOVE_INDEX_CAPACITY; ++i) g.MoveIndex[i] = 0;
}

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// The bounds the game itself relies on, whatever the history check says:
// counts within what the file holds, an index that starts at 0, rises with
// every move and stays inside the log.
bool HistoryFitsArrays(const GameState& g) {
  if (g.MoveCount < 0 || g.MoveTotal < g.MoveCount || g.MoveTotal >= STORED_MOVE_INDEX) return false;
  if (g.MoveIndex[0] != 0) return false;
  for (int m = 1; m <= g.MoveTotal; ++m) {
    if (g.MoveIndex[m] < g.MoveIndex[m - 1] + 2 || g.MoveIndex[m] > LOG_CAPACITY) return false;
  }
  return true;
}

// Checks the candidate as a game the program can go on playing. Returns
// false with the reason set.
bool AcceptCandidate(GameState& c, bool hasHistory) {
  const GameSettingsRecord& s = c.GameSettings;
  if (!InRange(s.Columns, MIN_BOARD_DIM, MAX_BOARD_DIM) || !InRange(s.Rows, MIN_BOARD_DIM, MAX_BOARD_DIM)) {
    SetReason("the board size %dx%d is out of range", s.Columns, s.Rows);
    return false;
  }
  if (!InRange(s.Level, 0, 3)) {
    SetReason("the level %d is out of range", s.Level);
    return false;
  }
  if (!InRange(s.Shape, 0, 4)) {
    SetReason("the tile shape %d is out of range", s.Shape);
    return false;
  }
  if (!InRange(s.BoardSize, 0, 3)) {
    SetReason("the board size choice %d is out of range", s.BoardSize);
    return false;
  }

  // The board and its history are judged on the board the file describes.
  c.ActiveColumns = s.Columns;
  c.ActiveRows = s.Rows;
  if (!IsLegalBoard(c)) {
    SetReason("the board is not a legal position");
    return false;
  }

  // A finished game stays finished when its board agrees: no group of two
  // left. A file that says finished while a group is left is read as its
  // board says, still counted as handled (see InstallCandidate).
  const int grade = c.GameSettings.SavedGameOver != 0 ? EndGrade(c) : 0;
  c.GameOver = grade != 0;
  c.EndBonus = EndBonusFor(grade);

  if (!hasHistory) {
    c.MoveCount = c.MoveTotal = c.LogCursor = 0;
    return true;
  }
  if (TrimHistory(c) > 0 && c.GameOver) {
    // Gone back before the end: the bonus was never earned there.
    AddScore(c, -c.EndBonus);
    c.GameOver = 0;
  }
  // Whatever the check said, the game itself relies on these bounds.
  if (!HistoryFitsArrays(c)) {
    c.MoveCount = c.MoveTotal = 0;
    c.MoveIndex[0] = 0;
    c.LogCursor = 0;
  }
  return true;
}

// Replaces the game by the accepted candidate: only what a file carries,
// plus the resets every read makes. Fields of the window and the move cycle
// stay with the running program.
void InstallCandidate(const GameState& c) {
  CancelPendingRemoval();
  std::memcpy(Game.Board, c.Board, sizeof Game.Board);
  std::memcpy(Game.RemovedCellLog, c.RemovedCellLog, sizeof Game.RemovedCellLog);
  std::memcpy(Game.MoveIndex, c.MoveIndex, sizeof Game.MoveIndex);
  Game.MoveCount = c.MoveCount;
  Game.MoveTotal = c.MoveTotal;
  Game.LogCursor = c.LogCursor;
  Game.Score = c.Score;
  Game.GameSettings = c.GameSettings;
  if (c.GameSettings.SavedGameOver != 0) Game.HighScoreHandled = 1;
  Game.GameOver = c.GameOver;
  if (c.GameOver) Game.EndBonus = c.EndBonus;
  std::memset(Game.MarkGrid, 0, sizeof Game.MarkGrid);
  Game.SelectedCount = 0;
  ForgetNewRecord();
}

bool DeriveSettingsPath() {
  std::memset(FilePath, 0, sizeof FilePath);
  std::memcpy(FilePath, ProgramPath, sizeof ProgramPath);
  const int n = static_cast<int>(std::strlen(FilePath));
  if (n < 11) return false;
  int dot = n - 1;
  while (dot >= 8 && FilePath[dot] != '.') --dot;
  if (dot < 8) return false;
  std::memcpy(FilePath + dot, ".ini", 5);
  return true;
}

bool SidePath(char (&out)[SIDE_PATH_SIZE], const char* suffix) {
  const int written = std::snprintf(out, sizeof out, "%s%s", FilePath, suffix);
  return written > 0 && written < static_cast<int>(sizeof out);
}

int WriteState(bool settings) {
  Game.GameSettings.SavedScore = Game.Score;
  Game.GameSettings.SavedGameOver = Game.GameOver;

  ByteWriter w(FileImage, sizeof FileImage);
  for (const BlockRule& b : Layout) {
    if (!Holds(b, StateVersion, settings)) continue;
    switch (b.Kind) {
      case Block::Version:
        w.I32(StateVersion);
        break;
      case Block::Settings:
        WriteSettings(w, Game.GameSettings);
        break;
      case Block::Board:
        w.Bytes(Game.Board, sizeof Game.Board);
        break;
      case Block::Tables:
        for (const HighScoreRecord& record : HighScoreTables) WriteRecord(w, record);
        break;
      case Block::Name:
        w.Bytes(PlayerName, PLAYER_NAME_SIZE);
        break;
      case Block::History:
        WriteHistory(w, Game);
        break;
      case Block::ScoreField:
      case Block::OldTables:
        break;  // older versions only
    }
  }
  const long size = static_cast<long>(w.Position());
  if (w.Failed() || size != LayoutSize(StateVersion, settings)) {
    SetReason("the file image does not fit its layout");
    return TS_FAILED;
  }

  // The new file goes beside the old one first, so a failed write never
  // costs the file that was there.
  char temporary[SIDE_PATH_SIZE];
  if (!SidePath(temporary, ".tmp")) {
    SetReason("the file path is too long");
    return TS_FAILED;
  }
  if (!Host().WriteWholeFile(temporary, FileImage, size)) {
    unsigned char probe = 0;
    if (Host().ReadWholeFile(temporary, &probe, 0) >= 0) {
      // Created but not filled: the disk, not the folder, refused.
      Host().RemoveFileAt(temporary);
      SetReason("the file cannot be written");
      return TS_FAILED;
    }
    // The folder allows no new file, but the file itself may still be
    // writable: without the spare copy a failure here can cost the old file.
    if (!Host().WriteWholeFile(FilePath, FileImage, size)) {
      SetReason("the file cannot be written, nor a new file created beside it");
      return TS_FAILED;
    }
    return TS_DONE;
  }
  if (!Host().MoveFileOver(temporary, FilePath)) {
    Host().RemoveFileAt(temporary);
    SetReason("the file cannot be replaced");
    return TS_FAILED;
  }
  return TS_DONE;
}

// Parses the image into the scratch copies; false with the reason set when
// the file is not accepted.
bool ParseState(long size, bool settings, int32_t& version) {
  ByteReader r(FileImage, static_cast<size_t>(size));
  if (!r.I32(version)) {
    SetReason("the file is too short (%ld bytes)", size);
    return false;
  }
  if (version < OLDEST_VERSION || version > NEWEST_VERSION) {
    SetReason("version %d is not supported", version);
    return false;
  }
  const long needed = LayoutSize(version, settings);
  if (size < needed) {
    SetReason("the file is too short (%ld bytes, version %d needs %ld)", size, version, needed);
    return false;
  }

  Candidate = Game;
  std::memcpy(CandidateTables, HighScoreTables, sizeof CandidateTables);
  std::memcpy(CandidateName, PlayerName, sizeof CandidateName);

  const bool hasHistory = version >= FIRST_WITH_HISTORY;
  if (!hasHistory) {
    // An empty history: nothing of the previous game's log stays behind.
    Candidate.MoveCount = 0;
    Candidate.MoveTotal = 0;
    std::memset(Candidate.RemovedCellLog, 0, sizeof Candidate.RemovedCellLog);
    std::memset(Candidate.MoveIndex, 0, sizeof Candidate.MoveIndex);
  }
  for (const BlockRule& b : Layout) {
    if (!Holds(b, version, settings)) continue;
    switch (b.Kind) {
      case Block::Version:
        break;  // read first, to choose the layout
      case Block::Settings:
        ReadSettings(r, Candidate.GameSettings);
        Candidate.Score = Candidate.GameSettings.SavedScore;
        break;
      case Block::ScoreField:
        r.I32(Candidate.Score);
        break;
      case Block::Board:
        r.Bytes(Candidate.Board, sizeof Candidate.Board);
        break;
      case Block::OldTables:
        for (int i = 0; i < OLD_TABLES_FIRST_PART; ++i) ReadRecord(r, CandidateTables[i]);
        for (int i = SHARED_TABLE; i < HIGH_SCORE_RECORDS; ++i) ReadRecord(r, CandidateTables[i]);
        break;
      case Block::Tables:
        for (HighScoreRecord& record : CandidateTables) ReadRecord(r, record);
        break;
      case Block::Name:
        r.Bytes(CandidateName, PLAYER_NAME_SIZE);
        CandidateName[MAX_NAME_LENGTH] = '\0';
        break;
      case Block::History:
        ReadHistory(r, Candidate);
        break;
    }
  }
  if (r.Failed()) {
    SetReason("the file is too short (%ld bytes)", size);
    return false;
  }
  return AcceptCandidate(Candidate, hasHistory);
}

int ReadState(bool settings, bool keepRejected) {
  const long read = Host().ReadWholeFile(FilePath, FileImage, FILE_IMAGE_CAPACITY);
  if (read < 0) {
    SetReason("the file cannot be opened");
    return TS_FAILED;
  }
  const long size = read > FILE_IMAGE_CAPACITY ? FILE_IMAGE_CAPACITY : read;

  int32_t version = 0;
  if (!ParseState(size, settings, version)) {
    if (keepRejected) {
      // Kept aside, so the settings written at exit cannot destroy what a
      // later version, or a damaged disk, left there.
      char backup[SIDE_PATH_SIZE];
      if (SidePath(backup, ".bak")) Host().MoveFileOver(FilePath, backup);
    }
    return TS_REJECTED;
  }

  InstallCandidate(Candidate);
  if (settings) {
    std::memcpy(HighScoreTables, CandidateTables, sizeof HighScoreTables);
    std::memcpy(PlayerName, CandidateName, sizeof PlayerName);
  }
  return TS_DONE;
}

}  // namespace

void SetProgramPath(const char* path) {
  std::memset(ProgramPath, 0, sizeof ProgramPath);
  if (path == nullptr) return;
  for (int i = 0; i < MAX_PROGRAM_PATH && path[i] != '\0'; ++i) ProgramPath[i] = path[i];
}

int TransferState(int flags) {
  FailureReason[0] = '\0';
  const bool settings = (flags & TS_SETTINGS) != 0;
  if (settings) {
    if (!DeriveSettingsPath()) {
      SetReason("the settings path cannot be derived from the program path");
      return TS_FAILED;
    }
  } else {
    FilePath[FILE_PATH_SIZE - 1] = '\0';
  }
  return (flags & TS_WRITE) != 0 ? WriteState(settings) : ReadState(settings, settings);
}

int TransferStateFile(int flags) {
  FailureReason[0] = '\0';
  FilePath[FILE_PATH_SIZE - 1] = '\0';
  const bool settings = (flags & TS_SETTINGS) != 0;
  return (flags & TS_WRITE) != 0 ? WriteState(settings) : ReadState(settings, false);
}

const char* TransferFailureReason() { return FailureReason; }

long StateFileSize(int32_t version, bool settings) {
  return version < OLDEST_VERSION || version > NEWEST_VERSION ? 0 : LayoutSize(version, settings);
}

}  // namespace mq
