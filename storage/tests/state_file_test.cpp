#include "storage/state_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "storage/tests/storage_test_support.h"

namespace mq {
namespace {

using testing::FileBuilder;
using testing::Get16;
using testing::Get32;
using testing::MemoryPlatform;
using testing::ScopedPlatform;
using testing::StorageSnapshot;

constexpr const char* kProgram = "C:\\Games\\Marblequake\\marblequake.exe";
constexpr const char* kSettings = "C:\\Games\\Marblequake\\marblequake.ini";
constexpr const char* kSaved = "C:\\Users\\me\\Mqz260305.mqz";

// Offsets of the two layouts written now.
struct Layout {
  size_t tables, name, moveCount, moveTotal, log, moveIndex, size;
};
constexpr Layout kSettingsLayout{968, 3568, 3584, 3588, 3592, 6292, 6742};
constexpr Layout kSavedLayout{0, 0, 968, 972, 976, 3676, 4126};

// A 6 by 6 game of level 0 after one move: the two 1s at the foot of
// column 0 were removed and the four tiles above them fell by two rows.
constexpr uint8_t kColumnsBefore[6][6] = {{2, 3, 2, 3, 1, 1}, {3, 2, 3, 2, 3, 2}, {1, 3, 1, 3, 1, 3},
                                          {2, 1, 2, 1, 2, 1}, {3, 1, 3, 1, 3, 1}, {1, 2, 1, 2, 1, 2}};
constexpr uint8_t kColumn0After[6] = {0, 0, 2, 3, 2, 3};

void PutOneMoveBoard(uint8_t* board) {
  std::memset(board, 0, GRID_CELLS);
  for (int c = 0; c < 6; ++c) {
    for (int r = 0; r < 6; ++r) board[CellIndex(c, r)] = c == 0 ? kColumn0After[r] : kColumnsBefore[c][r];
  }
}

// Builds a file of any accepted version around the one-move game.
FileBuilder BuildFile(int32_t version, bool settings, int32_t score = 37) {
  const bool scoreField = !settings && version < 104;
  const bool oldTables = version < 106;
  size_t at = 0;
  size_t size = 4 + 64 + 900 + (scoreField ? 4 : 0) + (settings ? (oldTables ? 2000 : 2600) + 16 : 0) +
                (version >= 103 ? 3158 : 0);
  FileBuilder f(size);
  f.Put32(0, version);
  const int32_t settingsRecord[16] = {2, 0, 6, 6, score, 0, 0, 3, 1, 11, 12, 13, 14, 15, 16, 17};
  for (int i = 0; i < 16; ++i) f.Put32(4 + 4 * i, settingsRecord[i]);
  at = 68;
  if (scoreField) {
    f.Put32(at, score + 1000);
    at += 4;
  }
  uint8_t board[GRID_CELLS];
  PutOneMoveBoard(board);
  f.PutBytes(at, board, GRID_CELLS);
  at += GRID_CELLS;
  if (settings) {
    const int records = oldTables ? 100 : 130;
    for (int i = 0; i < records; ++i) {
      const int record = oldTables && i >= 90 ? i + 30 : i;
      f.PutRecord(at, testing::Numbered("R", record).c_str(), static_cast<uint16_t>(0x8000 | record),
                  10000 - record);
      at += 20;
    }
    f.PutBytes(at, "Filed\0\0\0\0\0\0\0\0\0\0\0", 16);
    at += 16;
  }
  if (version >= 103) {
    f.Put32(at, 1).Put32(at + 4, 1);
    const uint8_t log[6] = {0, 4, 1, 0, 5, 1};
    f.PutBytes(at + 8, log, sizeof log);
    f.Put16(at + 8 + 2700, 0).Put16(at + 8 + 2702, 2);
    at += 3158;
  }
  EXPECT_EQ(at, size);
  return f;
}

class StateFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetStorageState();
    SetProgramPath(kProgram);
  }
  void TearDown() override {
    SetProgramPath(nullptr);
    testing::ResetStorageState();
  }

  int ReadSaved(const std::vector<unsigned char>& bytes) {
    platform_.Files[kSaved] = bytes;
    std::strcpy(FilePath, kSaved);
    return TransferState(0);
  }
  int ReadSettings(const std::vector<unsigned char>& bytes) {
    platform_.Files[kSettings] = bytes;
    return TransferState(TS_SETTINGS);
  }

  // A state with a distinct value in every stored field.
  static void FillDistinctState() {
    for (int i = 0; i < GRID_CELLS; ++i) Game.Board[i] = static_cast<uint8_t>(i * 7 + 1);
    for (int i = 0; i < LOG_CAPACITY; ++i) {
      Game.RemovedCellLog[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8),
                                static_cast<uint8_t>(i * 3)};
    }
    for (int i = 0; i < MOVE_INDEX_CAPACITY; ++i)
      Game.MoveIndex[i] = static_cast<uint16_t>(0x0101 * i + 0x8000);
    Game.MoveCount = 0x01020304;
    Game.MoveTotal = -2;
    Game.Score = -123456789;
    Game.GameOver = 1;
    int32_t* fields = &Game.GameSettings.Shape;
    for (int i = 0; i < 16; ++i) fields[i] = 0x11000000 * (i & 7) + 0x10101 * i;
    for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) {
      HighScoreRecord& r = HighScoreTables[i];
      for (int k = 0; k < 14; ++k) r.Name[k] = static_cast<char>('A' + (i + k) % 26);
      r.Date = static_cast<uint16_t>(0x8000 + i * 257);
      r.Points = 1000000 * i - 7;
    }
    std::memcpy(PlayerName, "ABCDEFGHIJKLMNO", 16);
  }

  void ExpectCommonLayout(const std::vector<unsigned char>& f, const Layout& l) {
    ASSERT_EQ(f.size(), l.size);
    EXPECT_EQ(Get32(f, 0), 107);
    const int32_t* fields = &Game.GameSettings.Shape;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(Get32(f, 4 + 4 * i), fields[i]) << "settings field " << i;
    EXPECT_EQ(Get32(f, 20), -123456789);  // SavedScore from Score
    EXPECT_EQ(Get32(f, 24), 1);           // SavedGameOver from GameOver
    for (int i = 0; i < GRID_CELLS; ++i) ASSERT_EQ(f[68 + i], Game.Board[i]) << "board " << i;
    EXPECT_EQ(Get32(f, l.moveCount), 0x01020304);
    EXPECT_EQ(Get32(f, l.moveTotal), -2);
    for (int i = 0; i < LOG_CAPACITY; ++i) {
      ASSERT_EQ(f[l.log + 3 * i], Game.RemovedCellLog[i].Column) << i;
      ASSERT_EQ(f[l.log + 3 * i + 1], Game.RemovedCellLog[i].Row) << i;
      ASSERT_EQ(f[l.log + 3 * i + 2], Game.RemovedCellLog[i].Colour) << i;
    }
    for (int i = 0; i < 225; ++i) ASSERT_EQ(Get16(f, l.moveIndex + 2 * i), Game.MoveIndex[i]) << i;
  }

  MemoryPlatform platform_;
  ScopedPlatform scoped_{&platform_};
};

TEST_F(StateFileTest, SettingsPathReplacesTheProgramsExtension) {
  struct Case {
    const char* program;
    const char* expected;  // nullptr: cannot be derived
  };
  const Case cases[] = {
      {"C:\\Games\\mq.exe", "C:\\Games\\mq.ini"},
      {"C:\\Games\\mq.tar.exe", "C:\\Games\\mq.tar.ini"},
      {"C:\\Games\\mq.", "C:\\Games\\mq.ini"},
      {"C:\\Games.d\\mqexe", "C:\\Games.ini"},  // the last dot, wherever it is
      {"C:\\abcde.fgh", "C:\\abcde.ini"},       // a dot at index 8 is the lowest found
      {"C:\\abcd.efgh", nullptr},               // a dot at index 7 is not looked at
      {"C:\\a\\b.exe", nullptr},                // shorter than 11
      {"C:\\Games\\marblequake", nullptr},      // no dot at all
      {"", nullptr},
  };
  for (const Case& c : cases) {
    SetProgramPath(c.program);
    const int result = TransferState(TS_SETTINGS | TS_WRITE);
    if (c.expected == nullptr) {
      EXPECT_EQ(result, TS_FAILED) << c.program;
      EXPECT_TRUE(platform_.Files.empty()) << c.program;
      EXPECT_STRNE(TransferFailureReason(), "");
    } else {
      EXPECT_EQ(result, TS_DONE) << c.program;
      EXPECT_STREQ(FilePath, c.expected);
      EXPECT_EQ(platform_.Files.count(c.expected), 1u) << c.program;
      platform_.Files.clear();
    }
  }
}

TEST_F(StateFileTest, ProgramPathIsCutAt255Characters) {
  std::string longPath = "C:\\" + std::string(250, 'd') + "\\marblequake.exe";
  SetProgramPath(longPath.c_str());
  // The first 255 characters end in the middle of the name: ".ini" goes
  // after the last dot within them, and there is none past index 8 here.
  EXPECT_EQ(TransferState(TS_SETTINGS | TS_WRITE), TS_FAILED);

  std::string dotted = "C:\\" + std::string(240, 'd') + ".x\\marblequake.exe";
  SetProgramPath(dotted.c_str());
  ASSERT_EQ(TransferState(TS_SETTINGS | TS_WRITE), TS_DONE);
  EXPECT_EQ(std::string(FilePath), "C:\\" + std::string(240, 'd') + ".ini");
}

TEST_F(StateFileTest, SettingsFileHoldsEveryFieldAtItsOffset) {
  FillDistinctState();
  ASSERT_EQ(TransferState(TS_SETTINGS | TS_WRITE), TS_DONE);
  EXPECT_EQ(Game.GameSettings.SavedScore, -123456789);
  EXPECT_EQ(Game.GameSettings.SavedGameOver, 1);
  ASSERT_EQ(platform_.Files.size(), 1u);  // no temporary left behind
  const std::vector<unsigned char>& f = platform_.Files.at(kSettings);
  ExpectCommonLayout(f, kSettingsLayout);
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) {
    const size_t at = kSettingsLayout.tables + 20 * i;
    ASSERT_EQ(std::memcmp(&f[at], HighScoreTables[i].Name, 14), 0) << i;
    ASSERT_EQ(Get16(f, at + 14), HighScoreTables[i].Date) << i;
    ASSERT_EQ(Get32(f, at + 16), HighScoreTables[i].Points) << i;
  }
  EXPECT_EQ(std::memcmp(&f[kSettingsLayout.name], "ABCDEFGHIJKLMNO", 16), 0);
}

TEST_F(StateFileTest, SavedGameLeavesOutTablesAndName) {
  FillDistinctState();
  std::strcpy(FilePath, kSaved);
  ASSERT_EQ(TransferState(TS_WRITE), TS_DONE);
  ASSERT_EQ(platform_.Files.size(), 1u);
  ExpectCommonLayout(platform_.Files.at(kSaved), kSavedLayout);
}

TEST_F(StateFileTest, FlagBitsOtherThanWriteAndSettingsAreIgnored) {
  FillDistinctState();
  std::strcpy(FilePath, kSaved);
  ASSERT_EQ(TransferState(TS_WRITE | 0x76), TS_DONE);
  EXPECT_EQ(platform_.Files.at(kSaved).size(), 4126u);
}

TEST_F(StateFileTest, FailedWriteKeepsThePreviousFileWhole) {
  const std::vector<unsigned char> previous(6742, 0x5A);
  for (int failure = 0; failure < 3; ++failure) {
    platform_.Files.clear();
    platform_.Files[kSettings] = previous;
    platform_.FailWrite = failure != 1;
    platform_.FailMove = failure == 1;
    platform_.NoNewFiles = failure == 2;  // and then the write in place fails too
    FillDistinctState();
    EXPECT_EQ(TransferState(TS_SETTINGS | TS_WRITE), TS_FAILED);
    EXPECT_STRNE(TransferFailureReason(), "");
    ASSERT_EQ(platform_.Files.size(), 1u) << "temporary left behind";
    if (failure < 2) {
      EXPECT_EQ(platform_.Files.at(kSettings), previous);
    }
  }
}

TEST_F(StateFileTest, WithoutANewFileBesideItTheFileIsWrittenInPlace) {
  platform_.NoNewFiles = true;
  FillDistinctState();
  platform_.Files[kSettings] = std::vector<unsigned char>(100, 0x5A);
  ASSERT_EQ(TransferState(TS_SETTINGS | TS_WRITE), TS_DONE) << TransferFailureReason();
  ASSERT_EQ(platform_.Files.size(), 1u);
  ExpectCommonLayout(platform_.Files.at(kSettings), kSettingsLayout);

  std::strcpy(FilePath, kSaved);  // no such file: nothing to write in place
  EXPECT_EQ(TransferState(TS_WRITE), TS_FAILED);
  EXPECT_NE(std::string(TransferFailureReason()).find("cannot be written"), std::string::npos);
  EXPECT_EQ(platform_.Files.count(kSaved), 0u);
}

TEST_F(StateFileTest, MissingFileFailsAndChangesNothing) {
  FillDistinctState();
  const StorageSnapshot before = StorageSnapshot::Take();
  std::strcpy(FilePath, kSaved);
  EXPECT_EQ(TransferState(0), TS_FAILED);
  EXPECT_EQ(TransferState(TS_SETTINGS), TS_FAILED);
  EXPECT_TRUE(before.SameAsNow());
  EXPECT_TRUE(platform_.Files.empty());
}

TEST_F(StateFileTest, Version101SavedGameCarriesItsScoreAfterTheSettingsAndNoHistory) {
  for (int i = 0; i < LOG_CAPACITY; ++i) Game.RemovedCellLog[i] = {9, 9, 9};
  Game.MoveCount = Game.MoveTotal = 5;
  ASSERT_EQ(ReadSaved(BuildFile(101, false).bytes), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(Game.Score, 1037);
  EXPECT_EQ(Game.GameSettings.SavedScore, 37);
  EXPECT_EQ(Game.MoveCount, 0);
  EXPECT_EQ(Game.MoveTotal, 0);
  EXPECT_EQ(Game.LogCursor, 0);
  EXPECT_EQ(Game.MoveIndex[0], 0);
  EXPECT_EQ(Game.RemovedCellLog[0].Column, 0);  // the old game's log is gone
  uint8_t board[GRID_CELLS];
  PutOneMoveBoard(board);
  EXPECT_EQ(std::memcmp(Game.Board, board, GRID_CELLS), 0);
}

TEST_F(StateFileTest, Version103SavedGameTakesItsScoreFromTheSettingsRecord) {
  ASSERT_EQ(ReadSaved(BuildFile(103, false).bytes), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(Game.Score, 1037);
  ASSERT_EQ(ReadSaved(BuildFile(104, false).bytes), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(Game.Score, 37);
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_EQ(Game.MoveTotal, 1);
  EXPECT_EQ(Game.LogCursor, 2);
  EXPECT_EQ(Game.MoveIndex[1], 2);
  EXPECT_EQ(Game.RemovedCellLog[1].Row, 5);
}

TEST_F(StateFileTest, OpeningAGameTakesItsSettings) {
  ASSERT_EQ(ReadSaved(BuildFile(107, false).bytes), TS_DONE) << TransferFailureReason();
  const GameSettingsRecord& s = Game.GameSettings;
  EXPECT_EQ(s.Shape, 2);
  EXPECT_EQ(s.Level, 0);
  EXPECT_EQ(s.Columns, 6);
  EXPECT_EQ(s.Rows, 6);
  EXPECT_EQ(s.BoardSize, 3);
  EXPECT_EQ(s.SoundOff, 1);
  EXPECT_EQ(s.Reserved[0], 11);
  EXPECT_EQ(s.Reserved[6], 17);
  // The board in play is resized by the caller, not by the read.
  EXPECT_EQ(Game.ActiveColumns, 0);
}

TEST_F(StateFileTest, Version105SettingsFillTheOldTablesAndLeaveTheHardestLevel) {
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) HighScoreTables[i] = testing::Record("Kept", i);
  ASSERT_EQ(ReadSettings(BuildFile(105, true).bytes), TS_DONE) << TransferFailureReason();
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) {
    if (i >= 90 && i < 120) {
      EXPECT_STREQ(HighScoreTables[i].Name, "Kept") << i;
      EXPECT_EQ(HighScoreTables[i].Points, i);
    } else {
      EXPECT_EQ(std::string(HighScoreTables[i].Name), testing::Numbered("R", i));
      EXPECT_EQ(HighScoreTables[i].Points, 10000 - i);
      EXPECT_EQ(HighScoreTables[i].Date, 0x8000 | i);
    }
  }
  EXPECT_STREQ(PlayerName, "Filed");
}

TEST_F(StateFileTest, Version106SettingsFillAllTables) {
  ASSERT_EQ(ReadSettings(BuildFile(106, true).bytes), TS_DONE) << TransferFailureReason();
  for (int i = 0; i < HIGH_SCORE_RECORDS; ++i) {
    EXPECT_EQ(std::string(HighScoreTables[i].Name), testing::Numbered("R", i));
  }
  ASSERT_EQ(ReadSettings(BuildFile(102, true).bytes), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(Game.MoveTotal, 0);
}

TEST_F(StateFileTest, NamesComeBackWithAtMostThirteenCharacters) {
  FileBuilder f = BuildFile(107, true);
  f.PutBytes(3568, "ABCDEFGHIJKLMNO", 16);
  f.PutBytes(968 + 20 * 5, "XXXXXXXXXXXXXX", 14);  // no terminator in the record
  ASSERT_EQ(ReadSettings(f.bytes), TS_DONE) << TransferFailureReason();
  EXPECT_STREQ(PlayerName, "ABCDEFGHIJKLM");
  EXPECT_STREQ(HighScoreTables[5].Name, "XXXXXXXXXXXXX");
}

TEST_F(StateFileTest, ReadingResetsTheMoveCycle) {
  Game.GameOver = 1;
  Game.SelectedCount = 4;
  Game.MarkGrid[31] = 0x1F;
  Game.HighScoreHandled = 0;
  Game.ActiveColumns = 11;
  Game.ActiveRows = 12;
  NewRecordIndex = 64;
  FileBuilder f = BuildFile(107, false);
  f.Put32(24, 1);  // SavedGameOver
  ASSERT_EQ(ReadSaved(f.bytes), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(Game.GameOver, 0);
  EXPECT_EQ(Game.SelectedCount, 0);
  EXPECT_EQ(Game.MarkGrid[31], 0);
  EXPECT_EQ(Game.HighScoreHandled, 1);
  EXPECT_EQ(NewRecordIndex, -1);
  EXPECT_EQ(Game.ActiveColumns, 11);
  EXPECT_EQ(Game.ActiveRows, 12);

  // An unfinished game leaves the flag as it was.
  Game.HighScoreHandled = 0;
  ASSERT_EQ(ReadSaved(BuildFile(107, false).bytes), TS_DONE);
  EXPECT_EQ(Game.HighScoreHandled, 0);
}

TEST_F(StateFileTest, LongerFileIsReadUpToItsLayout) {
  FileBuilder f = BuildFile(107, false);
  f.bytes.resize(5000, 0xEE);
  EXPECT_EQ(ReadSaved(f.bytes), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(Game.Score, 37);
}

TEST_F(StateFileTest, HistoryOutsideTheArraysIsCutAndTheBoardKept) {
  struct Case {
    const char* what;
    int32_t moveCount, moveTotal;
    uint16_t index1;
  };
  const Case cases[] = {
      {"count past the stored index", 300, 300, 2},
      {"negative total", 0, -3, 2},
      {"count above total", 1, 0, 2},
      {"index past the log", 1, 1, 901},
      {"an empty move", 1, 1, 0},
      {"huge count", 0x7FFFFFFF, 0x7FFFFFFF, 2},
  };
  for (const Case& c : cases) {
    FileBuilder f = BuildFile(107, false);
    f.Put32(968, c.moveCount).Put32(972, c.moveTotal).Put16(3676 + 2, c.index1);
    ASSERT_EQ(ReadSaved(f.bytes), TS_DONE) << c.what << ": " << TransferFailureReason();
    EXPECT_EQ(Game.MoveCount, 0) << c.what;
    EXPECT_EQ(Game.MoveTotal, 0) << c.what;
    EXPECT_EQ(Game.LogCursor, 0) << c.what;
    EXPECT_EQ(Game.Score, 37) << c.what;
    EXPECT_EQ(Game.Board[CellIndex(0, 2)], 2) << c.what;
  }
}

TEST_F(StateFileTest, ScoringRuleAndSoundAreTakenAsTheyAre) {
  FileBuilder f = BuildFile(107, false);
  f.Put32(28, 7).Put32(36, -5);
  ASSERT_EQ(ReadSaved(f.bytes), TS_DONE) << TransferFailureReason();
  EXPECT_EQ(Game.GameSettings.ScoringRule, 7);
  EXPECT_EQ(Game.GameSettings.SoundOff, -5);
}

struct Damage {
  const char* what;
  void (*apply)(FileBuilder&);
  const char* reasonPart;
};

const Damage kDamages[] = {
    {"version 98", [](FileBuilder& f) { f.Put32(0, 98); }, "version 98 is not supported"},
    {"version 200", [](FileBuilder& f) { f.Put32(0, 200); }, "version 200 is not supported"},
    {"version 250", [](FileBuilder& f) { f.Put32(0, 250); }, "version 250 is not supported"},
    {"negative version", [](FileBuilder& f) { f.Put32(0, -107); }, "not supported"},
    {"one byte short", [](FileBuilder& f) { f.bytes.pop_back(); }, "too short"},
    {"only the version", [](FileBuilder& f) { f.bytes.resize(4); }, "too short"},
    {"half a version", [](FileBuilder& f) { f.bytes.resize(3); }, "too short"},
    {"empty", [](FileBuilder& f) { f.bytes.clear(); }, "too short"},
    {"5 columns", [](FileBuilder& f) { f.Put32(12, 5); }, "board size"},
    {"30 columns", [](FileBuilder& f) { f.Put32(12, 30); }, "board size"},
    {"negative rows", [](FileBuilder& f) { f.Put32(16, -6); }, "board size"},
    {"30 rows", [](FileBuilder& f) { f.Put32(16, 30); }, "board size"},
    {"level 4", [](FileBuilder& f) { f.Put32(8, 4); }, "level"},
    {"level -1", [](FileBuilder& f) { f.Put32(8, -1); }, "level"},
    {"shape 5", [](FileBuilder& f) { f.Put32(4, 5); }, "shape"},
    {"size choice 4", [](FileBuilder& f) { f.Put32(32, 4); }, "size choice"},
    {"colour beyond the level", [](FileBuilder& f) { f.bytes[68 + CellIndex(3, 5)] = 4; }, "legal"},
    {"colour 7", [](FileBuilder& f) { f.bytes[68 + CellIndex(3, 5)] = 7; }, "legal"},
    {"floating tile", [](FileBuilder& f) { f.bytes[68 + CellIndex(0, 0)] = 1; }, "legal"},
    {"tile outside the rows", [](FileBuilder& f) { f.bytes[68 + CellIndex(2, 6)] = 1; }, "legal"},
    {"tile in the border", [](FileBuilder& f) { f.bytes[68 + CellIndex(29, 29)] = 1; }, "legal"},
    {"tile outside the columns", [](FileBuilder& f) { f.bytes[68 + CellIndex(6, 5)] = 1; }, "legal"},
    {"gap between columns",
     [](FileBuilder& f) {
       for (int r = 0; r < 6; ++r) f.bytes[68 + CellIndex(2, r)] = 0;
     },
     "legal"},
};

TEST_F(StateFileTest, DamagedSavedGamesAreRejectedWithoutAnyChange) {
  for (const Damage& d : kDamages) {
    FileBuilder f = BuildFile(107, false);
    d.apply(f);
    FillDistinctState();
    const StorageSnapshot before = StorageSnapshot::Take();
    EXPECT_EQ(ReadSaved(f.bytes), TS_REJECTED) << d.what;
    EXPECT_NE(std::string(TransferFailureReason()).find(d.reasonPart), std::string::npos)
        << d.what << ": " << TransferFailureReason();
    EXPECT_TRUE(before.SameAsNow()) << d.what;
    EXPECT_EQ(platform_.Files.count(kSaved), 1u) << "a saved game is never moved: " << d.what;
    EXPECT_EQ(platform_.Files.size(), 1u) << d.what;
  }
}

TEST_F(StateFileTest, RejectedSettingsFileIsKeptAsABackup) {
  for (const Damage& d : kDamages) {
    platform_.Files.clear();
    platform_.Files[std::string(kSettings) + ".bak"] = {1, 2, 3};  // an older backup
    FileBuilder f = BuildFile(107, true);
    d.apply(f);
    FillDistinctState();
    const StorageSnapshot before = StorageSnapshot::Take();
    EXPECT_EQ(ReadSettings(f.bytes), TS_REJECTED) << d.what;
    EXPECT_TRUE(before.SameAsNow()) << d.what;
    EXPECT_EQ(platform_.Files.count(kSettings), 0u) << d.what;
    EXPECT_EQ(platform_.Files.at(std::string(kSettings) + ".bak"), f.bytes) << d.what;
  }
}

}  // namespace
}  // namespace mq

namespace mq {
namespace {

TEST_F(StateFileTest, SettingsLayoutAtAChosenPathIsNeverMovedAside) {
  const char* copy = "copy.dat";
  FileBuilder f = BuildFile(107, true);
  platform_.Files[copy] = f.bytes;
  std::strcpy(FilePath, copy);
  ASSERT_EQ(TransferStateFile(TS_SETTINGS), TS_DONE) << TransferFailureReason();
  EXPECT_STREQ(FilePath, copy);
  EXPECT_STREQ(PlayerName, "Filed");

  f.Put32(0, 250);
  platform_.Files[copy] = f.bytes;
  EXPECT_EQ(TransferStateFile(TS_SETTINGS), TS_REJECTED);
  EXPECT_EQ(platform_.Files.size(), 1u);
  EXPECT_EQ(platform_.Files.at(copy), f.bytes);

  ASSERT_EQ(TransferStateFile(TS_SETTINGS | TS_WRITE), TS_DONE);
  EXPECT_EQ(platform_.Files.at(copy).size(), 6742u);
}

}  // namespace
}  // namespace mq
