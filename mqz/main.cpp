// mqz: shows and plays Marblequake state files (saved games and settings
// files) from the command line, with the game's own rules.
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/platform.h"
#include "mqz/commands.h"
#include "mqz/solve.h"
#include "storage/high_scores.h"
#include "storage/state_file.h"

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_FILE = 1;

const char* const kUsage =
    "usage: mqz show FILE [--settings]\n"
    "       mqz play IN OUT [--settings] [--ticks N] [--date YYYY-MM-DD] ACTION...\n"
    "       mqz solve FILE [--seconds S] [--threads N] [--rule 0|1|2|standard] [--memory MIB]\n"
    "       mqz solve --board TEXT [options as for solve]\n"
    "       mqz hint FILE [--seconds S] [options as for solve]\n"
    "actions: C,R  undo  redo  replay  new  level=0..3  size=0..2  custom=CxR  shape=0..4\n"
    "         scoring=0..2  sound=on|off\n"
    "The version and length tell a settings file from a saved game; where they leave it\n"
    "open, a name ending in .ini or .ini.bak (any case), or --settings, makes a settings file.\n";

class MqzPlatform : public mq::Platform {
 public:
  bool FixedTicks = false;
  uint32_t Ticks = 0;
  bool FixedDate = false;
  mq::LocalDate Date{2008, 1, 1};

  uint32_t TickCount() override {
    if (FixedTicks) return Ticks;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
  }
  mq::LocalDate Today() override {
    if (FixedDate) return Date;
    const time_t now = time(nullptr);
    tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  }
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "mqz: %s (mqz --help shows the usage)\n", message.c_str());
  return EXIT_USAGE;
}

int FileError(const char* path, const char* reason) {
  std::fprintf(stderr, "mqz: %s: %s\n", path, reason);
  return EXIT_FILE;
}

bool EndsWithNoCase(const char* text, const char* tail) {
  const size_t n = std::strlen(text), m = std::strlen(tail);
  return n >= m && strcasecmp(text + n - m, tail) == 0;
}

bool NameSaysSettings(const char* path) {
  return EndsWithNoCase(path, ".ini") || EndsWithNoCase(path, ".ini.bak");
}

bool SetFilePath(const char* path) {
  if (std::strlen(path) >= sizeof mq::FilePath) return false;
  std::strcpy(mq::FilePath, path);
  return true;
}

struct FileKind {
  bool Settings = false;
  int32_t Version = 0;
  std::string Why;
};

// The kind comes from the bytes: the version and the length of one layout.
// The name and --settings only decide what the bytes leave open, and a file
// is never read as the other kind. 0, or the exit status after the message.
int TellKind(const char* path, bool settingsFlag, FileKind& kind) {
  static unsigned char bytes[16384];
  const long size = mq::Host().ReadWholeFile(path, bytes, sizeof bytes);
  if (size < 0) return FileError(path, "the file cannot be opened");
  if (size >= 4) {
    kind.Version =
        static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                             static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
  }
  const char* claim = settingsFlag ? "--settings" : NameSaysSettings(path) ? "its name" : nullptr;
  char facts[64];
  std::snprintf(facts, sizeof facts, "version %d, %ld bytes", kind.Version, size);
  const long settingsSize = mq::StateFileSize(kind.Version, true);
  const long savedSize = mq::StateFileSize(kind.Version, false);
  if (settingsSize > 0 && size == settingsSize) {
    kind.Settings = true;
    kind.Why = std::string(facts) + ": the length of a settings file";
  } else if (savedSize > 0 && size == savedSize) {
    if (claim)
      return FileError(
          path, (std::string(facts) + ": a saved game, but " + claim + " says a settings file").c_str());
    kind.Settings = false;
    kind.Why = std::string(facts) + ": the length of a saved game";
  } else {
    kind.Settings = claim != nullptr;
    kind.Why =
        std::string(facts) + ": neither layout's length, so " +
        (claim ? std::string(claim) + " makes it a settings file" : std::string("taken as a saved game"));
  }
  return 0;
}

// Reads a state file into the game; 0 on success, else the exit status
// after the message.
int ReadInto(const char* path, bool settingsFlag, FileKind& kind) {
  if (!SetFilePath(path)) return FileError(path, "the path is too long");
  if (const int status = TellKind(path, settingsFlag, kind)) return status;
  const int result = mq::TransferStateFile(kind.Settings ? mq::TS_SETTINGS : 0);
  if (result != mq::TS_DONE) return FileError(path, mq::TransferFailureReason());
  // As the window does after opening a game: the board in play takes the file's size.
  mqz::ResizeBoardInPlay();
  return 0;
}

const char* Pick(const char* const* names, int count, int value) {
  return value >= 0 && value < count ? names[value] : "unknown";
}

void PrintTables() {
  static const char* const levels[] = {"Easy", "Standard", "Difficult", "Hard"};
  static const char* const sizes[] = {"Small", "Medium", "Big"};
  for (int t = 0; t <= mq::SHARED_TABLE; t += 10) {
    bool any = false;
    for (int i = 0; i < 10; ++i) {
      static const mq::HighScoreRecord empty{};
      if (std::memcmp(&mq::HighScoreTables[t + i], &empty, sizeof empty) != 0) any = true;
    }
    if (!any) continue;
    if (t == mq::SHARED_TABLE) {
      std::printf("table %d (custom size, or scoring rule 1 or 2):\n", t);
    } else {
      std::printf("table %d (%s, %s):\n", t, levels[t / 30], sizes[t % 30 / 10]);
    }
    for (int i = 0; i < 10; ++i) {
      const mq::HighScoreRecord& r = mq::HighScoreTables[t + i];
      static const mq::HighScoreRecord empty{};
      if (std::memcmp(&r, &empty, sizeof empty) == 0) continue;
      mq::TextBuffer[0] = '\0';
      if (r.Date & 0x8000) mq::DateStamp(r.Date);
      std::printf("  %2d. %-13.13s %10d  %s\n", i + 1, r.Name, r.Points, mq::TextBuffer);
    }
  }
}

int Show(const char* path, bool settingsFlag) {
  FileKind kind;
  if (const int status = ReadInto(path, settingsFlag, kind)) return status;
  const bool settings = kind.Settings;
  static const char* const levels[] = {"Easy", "Standard", "Difficult", "Hard"};
  static const char* const sizes[] = {"Small", "Medium", "Big", "Custom"};
  static const char* const shapes[] = {"Rectangle", "Small Rectangle", "Ellipse", "Small Ellipse", "Custom"};
  static const char* const rules[] = {"n*(n-1)", "(n-1)^2", "n*(n-3)+4"};
  const mq::GameSettingsRecord& s = mq::Game.GameSettings;
  std::printf("file: %s\n", path);
  std::printf("kind: %s (%s)\n", settings ? "settings file" : "saved game", kind.Why.c_str());
  std::printf("version: %d\n", kind.Version);
  std::printf("level: %d (%s)\n", s.Level, Pick(levels, 4, s.Level));
  std::printf("size: %dx%d (%s)\n", s.Columns, s.Rows, Pick(sizes, 4, s.BoardSize));
  std::printf("shape: %d (%s)\n", s.Shape, Pick(shapes, 5, s.Shape));
  std::printf("scoring: %d (%s)\n", s.ScoringRule, Pick(rules, 3, s.ScoringRule));
  std::printf("sound: %s\n", s.SoundOff ? "off" : "on");
  std::printf("score: %d\n", mq::Game.Score);
  std::printf("moves: %d applied, %d recorded\n", mq::Game.MoveCount, mq::Game.MoveTotal);
  std::printf("finished: %s\n", mq::Game.GameOver ? "yes" : "no");
  std::printf("board:\n");
  for (int r = 0; r < s.Rows; ++r) {
    char line[mq::MAX_BOARD_DIM + 1] = {};
    for (int c = 0; c < s.Columns; ++c) {
      const uint8_t tile = mq::BoardAt(c, r);
      line[c] = tile == 0 ? '.' : static_cast<char>('0' + tile);
    }
    std::printf("%s\n", line);
  }
  if (settings) {
    std::printf("player: %s\n", mq::PlayerName);
    PrintTables();
  }
  return 0;
}

struct Options {
  bool Settings = false;
  bool HasTicks = false;
  uint32_t Ticks = 0;
  bool HasDate = false;
  mq::LocalDate Date{};
  std::vector<const char*> Words;  // everything that is not an option
};

// Options may stand anywhere after the command.
int ParseOptions(int argc, char** argv, bool allowPlayOptions, Options& o) {
  for (int i = 2; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--settings") == 0) {
      o.Settings = true;
    } else if (allowPlayOptions && std::strcmp(arg, "--ticks") == 0) {
      if (i + 1 >= argc || !mqz::ParseTicks(argv[i + 1], o.Ticks)) {
        return UsageError("--ticks needs a tick count from 0 to 4294967295");
      }
      o.HasTicks = true;
      ++i;
    } else if (allowPlayOptions && std::strcmp(arg, "--date") == 0) {
      if (i + 1 >= argc || !mqz::ParseDate(argv[i + 1], o.Date)) {
        return UsageError("--date needs a date as YYYY-MM-DD");
      }
      o.HasDate = true;
      ++i;
    } else if (std::strncmp(arg, "--", 2) == 0) {
      return UsageError(std::string("unknown option ") + arg);
    } else {
      o.Words.push_back(arg);
    }
  }
  return 0;
}

int Play(const Options& o, MqzPlatform& platform) {
  const char* in = o.Words[0];
  const char* out = o.Words[1];
  std::vector<mqz::Action> actions;
  for (size_t i = 2; i < o.Words.size(); ++i) {
    mqz::Action action;
    std::string error;
    if (!mqz::ParseAction(o.Words[i], action, error)) return UsageError(error);
    actions.push_back(action);
  }
  platform.FixedTicks = o.HasTicks;
  platform.Ticks = o.Ticks;
  platform.FixedDate = o.HasDate;
  platform.Date = o.Date;

  FileKind kind;
  if (const int status = ReadInto(in, o.Settings, kind)) return status;
  const bool settings = kind.Settings;
  // OUT takes IN's kind; a saved game under a settings name would only be
  // misread later.
  if (!settings && NameSaysSettings(out)) {
    return FileError(out,
                     (std::string("the name says a settings file, but ") + in + " is a saved game").c_str());
  }
  for (const mqz::Action& action : actions) {
    std::string refusal;
    if (!mqz::ApplyAction(action, refusal)) std::fprintf(stderr, "mqz: %s: %s\n", in, refusal.c_str());
  }
  if (!SetFilePath(out)) return FileError(out, "the path is too long");
  if (mq::TransferStateFile(settings ? mq::TS_SETTINGS | mq::TS_WRITE : mq::TS_WRITE) != mq::TS_DONE) {
    return FileError(out, mq::TransferFailureReason());
  }
  return 0;
}

}  // namespace

namespace mqz {

int ReadStateFile(const char* path) {
  FileKind kind;
  return ReadInto(path, false, kind);
}

}  // namespace mqz

int main(int argc, char** argv) {
  MqzPlatform platform;
  mq::SetPlatform(&platform);
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return EXIT_USAGE;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Options options;
  if (command == "show") {
    if (const int status = ParseOptions(argc, argv, false, options)) return status;
    if (options.Words.size() != 1) return UsageError("show takes one file");
    return Show(options.Words[0], options.Settings);
  }
  if (command == "play") {
    if (const int status = ParseOptions(argc, argv, true, options)) return status;
    if (options.Words.size() < 2) return UsageError("play needs an input and an output file");
    return Play(options, platform);
  }
  if (command == "solve" || command == "hint") return mqz::RunSolver(argc, argv);
  return UsageError("unknown command " + command);
}
