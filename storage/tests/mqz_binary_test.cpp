// Runs the built mqz beside this test program, when there is one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mqz/tests/mqz_runner.h"
#include "storage/tests/storage_test_support.h"

namespace mq {
namespace {

std::string Corpus(const char* name) {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/corpus/" + name;
}

using mqz::testing::MqzBinary;
using mqz::testing::MqzRun;

MqzRun Mqz(const std::string& arguments) { return mqz::testing::RunMqz(arguments, "2>&1"); }

class MqzBinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(MqzBinary().c_str(), X_OK) != 0) GTEST_SKIP() << "mqz is not built beside the tests";
    dir_ = ::testing::TempDir() + "mqz_binary_test_" + std::to_string(getpid()) + "/";
    ASSERT_EQ(std::system(("mkdir -p " + dir_).c_str()), 0);
  }
  void TearDown() override {
    if (!dir_.empty()) std::system(("rm -rf " + dir_).c_str());
  }
  std::string dir_;
};

TEST_F(MqzBinaryTest, ShowsASettingsFileWithItsTables) {
  const MqzRun run = Mqz(Corpus("settings_105.ini"));
  EXPECT_EQ(run.status, 2) << "no command is a usage error";
  const MqzRun show = Mqz("show " + Corpus("settings_105.ini"));
  ASSERT_EQ(show.status, 0) << show.output;
  for (const char* line : {"version: 105\n", "level: 2 (Difficult)\n", "size: 11x12 (Small)\n", "sound: on\n",
                           "player: Marble Fan\n", "table 30 (Standard, Small):\n", "2026-03-05"}) {
    EXPECT_NE(show.output.find(line), std::string::npos) << line << "\n" << show.output;
  }
}

TEST_F(MqzBinaryTest, NewGameMatchesTheRulesInProcess) {
  const std::string out = dir_ + "dealt.mqz";
  const MqzRun play = Mqz("play " + Corpus("saved_101.mqz") + " " + out + " new --ticks 5000");
  ASSERT_EQ(play.status, 0) << play.output;
  const MqzRun show = Mqz("show " + out);
  ASSERT_EQ(show.status, 0) << show.output;

  // The same deal here: level 0, 8 by 7, from the generator's first state.
  testing::ResetStorageState();
  class FixedTicks : public Platform {
    uint32_t TickCount() override { return 5000; }
  } ticks;
  testing::ScopedPlatform scoped(&ticks);
  Game.GameSettings.Level = 0;
  Game.ActiveColumns = 8;
  Game.ActiveRows = 7;
  RandomState = 1;
  NewGame();
  std::string board = "board:\n";
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 8; ++c) board += static_cast<char>('0' + BoardAt(c, r));
    board += '\n';
  }
  EXPECT_NE(show.output.find(board), std::string::npos) << board << "\n" << show.output;
  EXPECT_NE(show.output.find("version: 107\n"), std::string::npos);
  testing::ResetStorageState();
}

TEST_F(MqzBinaryTest, ErrorsNameTheFileAndSetTheStatus) {
  struct Case {
    std::string arguments;
    int status;
    const char* message;
  };
  const std::string out = dir_ + "out.mqz";
  const Case cases[] = {
      {"play " + dir_ + "missing.mqz " + out, 1, "missing.mqz: the file cannot be opened"},
      {"play " + Corpus("saved_107.mqz") + " " + out + " level=9", 2, "level=9"},
      {"play " + Corpus("saved_107.mqz") + " " + out + " --date 2026-02-30", 2, "--date"},
      {"frobnicate", 2, "unknown command"},
      {"show", 2, "show takes one file"},
      {"play " + Corpus("saved_101.mqz") + " " + out + " undo", 0, "undo: there is no move to take back"},
      {"play " + Corpus("saved_107.mqz") + " " + dir_ + "no/such/dir/out.mqz", 1,
       "out.mqz: the file cannot be written"},
      {"play " + Corpus("saved_107.mqz") + " " + out + " --ticks", 2, "--ticks needs"},
      {"play " + Corpus("saved_107.mqz") + " " + out + " 28,28", 0, "28,28: nothing is removed"},
      {"show --settings " + Corpus("saved_107.mqz"), 1, "a saved game, but --settings says a settings file"},
      {"play " + Corpus("saved_107.mqz") + " " + dir_ + "UP.INI", 1, "UP.INI: the name says a settings file"},
  };
  for (const Case& c : cases) {
    const MqzRun run = Mqz(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << "\n" << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << "one line: " << run.output;
  }
}

TEST_F(MqzBinaryTest, PlayKeepsTheSettingsLayout) {
  const std::string out = dir_ + "copy.ini";
  const MqzRun play = Mqz("play " + Corpus("settings_101.ini") + " " + out + " sound=off --date 2026-03-05");
  ASSERT_EQ(play.status, 0) << play.output;
  std::FILE* f = std::fopen(out.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::fseek(f, 0, SEEK_END);
  EXPECT_EQ(std::ftell(f), 6742);
  std::fclose(f);
  const MqzRun show = Mqz("show " + out);
  EXPECT_NE(show.output.find("sound: off\n"), std::string::npos) << show.output;
  EXPECT_NE(show.output.find("player: Marble Fan\n"), std::string::npos) << show.output;
}

std::vector<unsigned char> Bytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
  }
  return bytes;
}

// Random games played to their end here, written to real files, then run
// through mqz: no move gives the same bytes, an undo gives the score before
// the final move, and the final move made again gives the same bytes (the
// tables of a settings file included: no second entry).
TEST_F(MqzBinaryTest, FinishedGamesStayFinished) {
  class Ticks : public Platform {
    uint32_t TickCount() override { return 4321; }
  } ticks;
  testing::ScopedPlatform scoped(&ticks);
  std::mt19937 random(7);
  int finished = 0;
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE(round);
    testing::ResetStorageState();
    std::strcpy(PlayerName, "Runner");
    RandomState = random();
    const testing::FinishedGame end = testing::PlayToTheEnd(random, 6 + static_cast<int>(random() % 6), 6);
    if (!Game.GameOver) continue;
    ++finished;
    const bool settings = round % 2 == 0;
    const std::string a = dir_ + "a" + std::to_string(round) + (settings ? ".ini" : ".mqz");
    std::strcpy(FilePath, a.c_str());
    ASSERT_EQ(TransferStateFile(settings ? TS_SETTINGS | TS_WRITE : TS_WRITE), TS_DONE);
    const std::vector<unsigned char> first = Bytes(a);
    const std::string move = std::to_string(end.Column) + "," + std::to_string(end.Row);

    const std::string b = dir_ + "b" + (settings ? ".ini" : ".mqz");
    ASSERT_EQ(Mqz("play " + a + " " + b).status, 0);
    EXPECT_EQ(Bytes(b), first) << "no move";
    ASSERT_EQ(Mqz("play " + b + " " + b + " undo").status, 0);
    const MqzRun show = Mqz("show " + b);
    EXPECT_NE(show.output.find("score: " + std::to_string(end.ScoreBefore) + "\n"), std::string::npos)
        << show.output;
    EXPECT_NE(show.output.find("finished: no\n"), std::string::npos) << show.output;
    for (int again = 0; again < 2; ++again) {
      ASSERT_EQ(Mqz("play " + (again ? b : a) + " " + b + " undo " + move).status, 0);
      EXPECT_EQ(Bytes(b), first) << "finished again, " << again;
    }
  }
  EXPECT_GT(finished, 16);
  testing::ResetStorageState();
}

TEST_F(MqzBinaryTest, KindComesFromTheBytesAndIsNeverConverted) {
  struct Case {
    const char* corpus;
    const char* name;
    const char* flag;
    const char* kind;  // as `show` prints it; null: refused
    long size;         // of what `play` writes
  };
  const Case cases[] = {
      {"settings_107.ini", "marblequake.ini.bak", "", "kind: settings file (version 107, 6742 bytes", 6742},
      {"settings_107.ini", "UP.INI", "", "kind: settings file", 6742},
      {"settings_105.ini", "no_extension", "", "kind: settings file (version 105, 6142 bytes", 6742},
      {"saved_103.mqz", "game.mqz", "", "kind: saved game (version 103, 4130 bytes", 4126},
      {"saved_107.mqz", "game.ini", "", nullptr, 0},
      {"saved_107.mqz", "game.ini.bak", "", nullptr, 0},
      {"saved_107.mqz", "flagged.mqz", "--settings", nullptr, 0},
  };
  for (const Case& c : cases) {
    const std::string in = dir_ + c.name;
    ASSERT_EQ(std::system(("cp " + Corpus(c.corpus) + " " + in).c_str()), 0);
    const MqzRun show = Mqz("show " + in + " " + c.flag);
    const std::string out = dir_ + "out_" + c.name;
    const MqzRun play = Mqz("play " + in + " " + out + " " + c.flag);
    if (c.kind == nullptr) {
      EXPECT_EQ(show.status, 1) << c.name << "\n" << show.output;
      EXPECT_EQ(play.status, 1) << c.name << "\n" << play.output;
      EXPECT_NE(play.output.find("a saved game, but"), std::string::npos) << play.output;
      EXPECT_NE(access(out.c_str(), F_OK), 0) << "nothing written for " << c.name;
      continue;
    }
    EXPECT_NE(show.output.find(c.kind), std::string::npos) << c.name << "\n" << show.output;
    ASSERT_EQ(play.status, 0) << c.name << "\n" << play.output;
    std::FILE* f = std::fopen(out.c_str(), "rb");
    ASSERT_NE(f, nullptr) << c.name;
    std::fseek(f, 0, SEEK_END);
    EXPECT_EQ(std::ftell(f), c.size) << c.name;
    std::fclose(f);
  }
}

}  // namespace
}  // namespace mq
