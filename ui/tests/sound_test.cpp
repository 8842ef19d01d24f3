// The MIDI messages, recorded at the seam where they would leave for the
// output: first SendMidi and MidiDevice alone, then whole moves and game
// ends played in the real window.
#include <gtest/gtest.h>

#include <vector>

#include "app.h"
#include "game/game_state.h"
#include "resource.h"
#include "storage/high_scores.h"
#include "ui/tests/dialog_driver.h"
#include "ui/tests/harness.h"

namespace mq {
namespace {

using test::DialogDriver;

// Stands in for the MIDI output: remembers every call.
struct MidiRecorder {
  static inline std::vector<DWORD> Messages;
  static inline int Opens = 0;
  static inline int Closes = 0;
  static inline UINT Device = 0;
  static inline DWORD_PTR Callback = 1;
  static inline DWORD_PTR Instance = 1;
  static inline DWORD Flags = 1;
  static inline HMIDIOUT Closed = nullptr;
  static inline size_t SentBeforeClose = 0;
  static inline MMRESULT OpenResult = MMSYSERR_NOERROR;
  static inline MMRESULT SendResult = MMSYSERR_NOERROR;
  static inline HMIDIOUT const Handle = reinterpret_cast<HMIDIOUT>(0x5150);
  // A slow output: Open signals Entered, then waits for Gate (at most
  // SlowOpenMs) before it returns.
  static inline HANDLE Entered = nullptr;
  static inline HANDLE Gate = nullptr;
  static inline DWORD SlowOpenMs = 0;
  static inline DWORD OpenThread = 0;

  static MMRESULT WINAPI Open(LPHMIDIOUT out, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                              DWORD flags) {
    OpenThread = GetCurrentThreadId();
    if (Entered) SetEvent(Entered);
    if (Gate) WaitForSingleObject(Gate, SlowOpenMs);
    ++Opens;
    Device = device;
    Callback = callback;
    Instance = instance;
    Flags = flags;
    // A failing driver may still scribble into the handle.
    *out = OpenResult == MMSYSERR_NOERROR ? Handle : reinterpret_cast<HMIDIOUT>(0xBAD);
    return OpenResult;
  }
  static MMRESULT WINAPI ShortMsg(HMIDIOUT out, DWORD message) {
    EXPECT_EQ(out, Handle);
    Messages.push_back(message);
    return SendResult;
  }
  static MMRESULT WINAPI Close(HMIDIOUT out) {
    ++Closes;
    Closed = out;
    SentBeforeClose = Messages.size();
    return MMSYSERR_NOERROR;
  }
  static void Reset() {
    Messages.clear();
    Opens = Closes = 0;
    Device = 0;
    Callback = Instance = 1;
    Flags = 1;
    Closed = nullptr;
    SentBeforeClose = 0;
    OpenResult = SendResult = MMSYSERR_NOERROR;
    SlowOpenMs = 0;
    OpenThread = 0;
    for (HANDLE* event : {&Entered, &Gate}) {
      if (*event) CloseHandle(*event);
      *event = nullptr;
    }
  }
  // Makes the next Open wait until Release(), or SlowOpenMs at most.
  static void MakeSlow(DWORD ms) {
    Entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SlowOpenMs = ms;
  }
  static void Release() { SetEvent(Gate); }
  static void WaitUntilOpening() { ASSERT_EQ(WaitForSingleObject(Entered, 10000), WAIT_OBJECT_0); }
};

constexpr DWORD Packed(int status, int data1, int data2) {
  return static_cast<DWORD>(status | data1 << 8 | data2 << 16);
}

// The four effects, message by message.
const DWORD RemovalOn[] = {Packed(0xC0, 119, 0), Packed(0x90, 72, 127)};
const DWORD RemovalOff = Packed(0x90, 72, 0);
const DWORD ApplauseOn[] = {Packed(0xC0, 126, 0), Packed(0x90, 60, 127)};
const DWORD ApplauseOff = Packed(0x90, 60, 0);
const DWORD SitarOn[] = {Packed(0xC0, 104, 0), Packed(0x90, 30, 127)};
const DWORD SitarOff = Packed(0x90, 30, 0);

std::vector<DWORD> Sequence(std::initializer_list<std::initializer_list<DWORD>> parts) {
  std::vector<DWORD> all;
  for (auto part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class MidiSeam {
 public:
  MidiSeam() : saved_(Midi), savedOut_(MidiOut) {
    MidiRecorder::Reset();
    Midi = {MidiRecorder::Open, MidiRecorder::ShortMsg, MidiRecorder::Close};
  }
  ~MidiSeam() {
    MidiDevice(0);
    MidiRecorder::Reset();
    Midi = saved_;
    MidiOut = savedOut_;
  }

 private:
  MidiApi saved_;
  HMIDIOUT savedOut_;
};

class SoundDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MidiOut = nullptr;
    Game = GameState{};
  }
  MidiSeam seam_;
};

TEST_F(SoundDeviceTest, OpensTheMapperWithoutCallback) {
  MidiDevice(1);
  AwaitMidiDevice();
  EXPECT_EQ(MidiRecorder::Opens, 1);
  EXPECT_NE(MidiRecorder::OpenThread, GetCurrentThreadId()) << "opened off the calling thread";
  EXPECT_EQ(MidiRecorder::Device, MIDI_MAPPER);
  EXPECT_EQ(MidiRecorder::Callback, 0u);
  EXPECT_EQ(MidiRecorder::Instance, 0u);
  EXPECT_EQ(MidiRecorder::Flags, static_cast<DWORD>(CALLBACK_NULL));
  EXPECT_EQ(MidiOut, MidiRecorder::Handle);

  MidiDevice(0);
  EXPECT_EQ(MidiRecorder::Closes, 1);
  EXPECT_EQ(MidiRecorder::Closed, MidiRecorder::Handle);
  EXPECT_EQ(MidiOut, nullptr);
  MidiDevice(0);
  EXPECT_EQ(MidiRecorder::Closes, 1) << "nothing left to close";
}

TEST_F(SoundDeviceTest, OtherArgumentsDoNothing) {
  MidiDevice(2);
  MidiDevice(-1);
  EXPECT_EQ(MidiRecorder::Opens, 0);
  MidiDevice(1);
  MidiDevice(7);
  AwaitMidiDevice();
  EXPECT_EQ(MidiRecorder::Closes, 0);
  EXPECT_EQ(MidiOut, MidiRecorder::Handle);
}

TEST_F(SoundDeviceTest, AFailedOpenLeavesTheProgramSilent) {
  MidiRecorder::OpenResult = MMSYSERR_BADDEVICEID;
  MidiDevice(1);
  AwaitMidiDevice();
  EXPECT_EQ(MidiOut, nullptr);
  EXPECT_EQ(SendMidi(0x90, 72, 127), 0u);
  EXPECT_TRUE(MidiRecorder::Messages.empty());
  MidiDevice(0);
  EXPECT_EQ(MidiRecorder::Closes, 0);
}

struct PackCase {
  int Status, Data1, Data2;
  DWORD Message;
};

TEST_F(SoundDeviceTest, EachArgumentGivesOnlyItsLowByte) {
  const PackCase cases[] = {
      {0xC0, 119, 0, 0x000077C0},        {0x90, 72, 127, 0x007F4890}, {0x90, 30, 0, 0x00001E90},
      {0x1C0, 0x177, 0x2FF, 0x00FF77C0}, {-1, -1, -1, 0x00FFFFFF},    {0x12345690, 0x3C, 0x4000, 0x00003C90},
  };
  MidiDevice(1);
  AwaitMidiDevice();
  for (const PackCase& c : cases) SendMidi(c.Status, c.Data1, c.Data2);
  ASSERT_EQ(MidiRecorder::Messages.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(MidiRecorder::Messages[i], cases[i].Message) << i;
}

TEST_F(SoundDeviceTest, ReturnsTheOutputResultOrZeroWhenNothingWasSent) {
  MidiDevice(1);
  AwaitMidiDevice();
  MidiRecorder::SendResult = MIDIERR_NOTREADY;
  EXPECT_EQ(SendMidi(0x90, 60, 127), static_cast<MMRESULT>(MIDIERR_NOTREADY));
  Game.GameSettings.SoundOff = 1;
  EXPECT_EQ(SendMidi(0x90, 60, 0), 0u);
  EXPECT_EQ(MidiRecorder::Messages.size(), 1u);
  // The output stays open while sound is off.
  EXPECT_EQ(MidiOut, MidiRecorder::Handle);
  Game.GameSettings.SoundOff = 0;
  SendMidi(0x90, 60, 0);
  EXPECT_EQ(MidiRecorder::Messages.size(), 2u);
}

// The window before and while its output opens.
class SoundStartTest : public ::testing::Test {
 protected:
  void SetUp() override { mqtest::ResetProgramState(); }
  void TearDown() override { mqtest::CloseMainWindow(); }
  MidiSeam seam_;
};

TEST_F(SoundStartTest, TheFirstPressOpensTheOutputAndTheGameIsPlayableMeanwhile) {
  MidiRecorder::MakeSlow(10000);
  ASSERT_NE(mqtest::OpenMainWindow(), nullptr);
  AwaitMidiDevice();
  EXPECT_EQ(MidiRecorder::Opens, 0) << "nothing opens before the first press";
  mqtest::LoadBoard({"112", "334", "556"});
  mqtest::RemoveGroupAt(0, 0);
  MidiRecorder::WaitUntilOpening();
  EXPECT_EQ(Game.MoveCount, 1);
  EXPECT_TRUE(MidiRecorder::Messages.empty());
  MidiDevice(1);  // already opening: no second opener
  MidiRecorder::Release();
  AwaitMidiDevice();
  EXPECT_EQ(MidiRecorder::Opens, 1);
  EXPECT_EQ(MidiRecorder::Device, MIDI_MAPPER);
  mqtest::RemoveGroupAt(0, 2);
  EXPECT_EQ(MidiRecorder::Messages, Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff}}));
  mqtest::CloseMainWindow();
  EXPECT_EQ(MidiOut, nullptr);
  EXPECT_EQ(MidiRecorder::Closed, MidiRecorder::Handle);
}

TEST_F(SoundStartTest, ClosingDuringASlowOpenWaitsForItThenClosesTheOutput) {
  MidiRecorder::MakeSlow(300);
  ASSERT_NE(mqtest::OpenMainWindow(), nullptr);
  mqtest::PressCell(0, 0);
  MidiRecorder::WaitUntilOpening();
  mqtest::CloseMainWindow();
  EXPECT_EQ(MidiRecorder::Opens, 1);
  EXPECT_EQ(MidiRecorder::Closes, 1);
  EXPECT_EQ(MidiRecorder::Closed, MidiRecorder::Handle);
  EXPECT_EQ(MidiOut, nullptr);
}

TEST_F(SoundStartTest, WithSoundsOffTheOutputOpensWhenTheyAreSwitchedOn) {
  Game.GameSettings.SoundOff = 1;
  ASSERT_NE(mqtest::OpenMainWindow(), nullptr);
  mqtest::PressCell(0, 0);
  AwaitMidiDevice();
  EXPECT_EQ(MidiRecorder::Opens, 0);
  mqtest::RunCommand(IDM_SOUND);
  AwaitMidiDevice();
  EXPECT_EQ(MidiRecorder::Opens, 1);
  mqtest::RunCommand(IDM_SOUND);
  mqtest::RunCommand(IDM_SOUND);
  AwaitMidiDevice();
  EXPECT_EQ(MidiRecorder::Opens, 1) << "opened once per window";
  mqtest::CloseMainWindow();
  EXPECT_EQ(MidiRecorder::Closes, 1);
}

// The real window with the recorder in place of the output, opened as the
// first press opens it; WM_DESTROY closes it.
class SoundTest : public mqtest::MainWindowTest {
 protected:
  void SetUp() override {
    mqtest::MainWindowTest::SetUp();
    MidiDevice(1);  // as the first press does
    AwaitMidiDevice();
    MidiRecorder::Messages.clear();
  }
  void TearDown() override {
    mqtest::MainWindowTest::TearDown();
    EXPECT_EQ(MidiRecorder::Closes, 1);
  }
  std::vector<DWORD> Sent() const { return MidiRecorder::Messages; }
  // Takes the High Scores dialog that the end of a game opens.
  static void CloseScores(DialogDriver& driver) {
    driver.Expect("High Scores", [](HWND d) { test::Click(d, IDOK); });
  }
  static void ExpectDone(const DialogDriver& driver) {
    EXPECT_TRUE(driver.AllDone());
    for (const std::string& failure : driver.Failures()) ADD_FAILURE() << failure;
  }
  MidiSeam seam_;  // constructed before SetUp opens the window
};

TEST_F(SoundTest, ARemovalSoundsUntilItsTimerExpires) {
  mqtest::LoadBoard({"112", "334", "556"});
  mqtest::ClickCell(1, 0);
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1]}}));
  mqtest::FireTimer(IDT_REMOVE);
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff}}));
  EXPECT_EQ(Game.GameOver, 0);
  // A press and release on a lone tile sends nothing.
  mqtest::ClickCell(2, 2);
  EXPECT_EQ(Sent().size(), 3u);
}

TEST_F(SoundTest, ANewHighScoreGetsApplause) {
  mqtest::LoadBoard({"11", "23"});
  DialogDriver driver;
  CloseScores(driver);
  driver.Run([] { mqtest::RemoveGroupAt(0, 0); });
  ExpectDone(driver);
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff, ApplauseOn[0], ApplauseOn[1]}}));
  mqtest::FireTimer(IDT_HIGH_SCORE);
  EXPECT_EQ(Sent().back(), ApplauseOff);
  EXPECT_EQ(Sent().size(), 6u);
}

TEST_F(SoundTest, AScoreBelowTheTableGetsTheSitar) {
  const int table = ScoreTableIndex(2, 3);
  for (int k = 0; k < 10; ++k) HighScoreTables[table + k].Points = 1000;
  mqtest::LoadBoard({"11", "23"});
  DialogDriver driver;
  CloseScores(driver);
  driver.Run([] { mqtest::RemoveGroupAt(0, 0); });
  ExpectDone(driver);
  mqtest::FireTimer(IDT_NO_HIGH_SCORE);
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff, SitarOn[0], SitarOn[1], SitarOff}}));
}

// The end timers run in real time too: their expiry while the dialog is
// open ends the note.
TEST_F(SoundTest, TheEndNoteEndsWhileTheDialogIsOpen) {
  mqtest::LoadBoard({"11", "23"});
  DialogDriver driver;
  driver.Expect("High Scores", [](HWND d) {
    test::PumpUntil([] { return MidiRecorder::Messages.size() >= 6; }, 4000);
    test::Click(d, IDOK);
  });
  driver.Run([] { mqtest::RemoveGroupAt(0, 0); });
  ExpectDone(driver);
  EXPECT_EQ(Sent(),
            Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff, ApplauseOn[0], ApplauseOn[1], ApplauseOff}}));
}

TEST_F(SoundTest, AGameFinishedAgainAfterUndoPlaysNoEndSound) {
  mqtest::LoadBoard({"11", "23"});
  DialogDriver driver;
  CloseScores(driver);
  driver.Run([] { mqtest::RemoveGroupAt(0, 0); });
  ExpectDone(driver);
  mqtest::FireTimer(IDT_HIGH_SCORE);
  MidiRecorder::Messages.clear();

  mqtest::RunCommand(IDM_UNDO);
  DialogDriver none;  // no dialog may open
  none.Run([] {
    mqtest::RemoveGroupAt(0, 0);
    test::PumpFor(400);
  });
  ExpectDone(none);
  EXPECT_EQ(Game.GameOver, 1);
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff}}));
}

TEST_F(SoundTest, SoundOffSendsNothingAtAll) {
  mqtest::RunCommand(IDM_SOUND);
  ASSERT_EQ(Game.GameSettings.SoundOff, 1);
  mqtest::LoadBoard({"112", "113", "224"});
  mqtest::ClickCell(0, 0);
  mqtest::FireTimer(IDT_REMOVE);
  DialogDriver driver;
  CloseScores(driver);
  driver.Run([] { mqtest::RemoveGroupAt(0, 2); });
  ExpectDone(driver);
  EXPECT_EQ(Game.GameOver, 1);
  mqtest::FireTimer(IDT_HIGH_SCORE);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(SoundTest, ANoteStartedBeforeSoundWentOffGetsNoNoteOff) {
  mqtest::LoadBoard({"112", "334", "556"});
  mqtest::ClickCell(0, 0);
  mqtest::RunCommand(IDM_SOUND);
  mqtest::FireTimer(IDT_REMOVE);
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1]}}));
}

TEST_F(SoundTest, SoundSwitchedOnDuringARemovalSendsItsNoteOff) {
  mqtest::RunCommand(IDM_SOUND);
  mqtest::LoadBoard({"112", "334", "556"});
  mqtest::ClickCell(0, 0);
  EXPECT_TRUE(Sent().empty());
  mqtest::RunCommand(IDM_SOUND);
  mqtest::FireTimer(IDT_REMOVE);
  EXPECT_EQ(Sent(), Sequence({{RemovalOff}}));
}

// A removal dropped before its timer expires still ends its note, so no
// note is left sounding on the output.
TEST_F(SoundTest, ARemovalDroppedByNewGameEndsItsNote) {
  mqtest::LoadBoard({"112", "334", "556"});
  mqtest::ClickCell(0, 0);
  mqtest::RunCommand(IDM_NEW);
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff}}));
  test::PumpFor(300);  // its timer is gone as well
  EXPECT_EQ(Sent().size(), 3u);
}

TEST_F(SoundTest, ClosingTheWindowEndsAPendingNoteBeforeClosingTheOutput) {
  mqtest::LoadBoard({"112", "334", "556"});
  mqtest::ClickCell(0, 0);
  mqtest::CloseMainWindow();
  EXPECT_EQ(Sent(), Sequence({{RemovalOn[0], RemovalOn[1], RemovalOff}}));
  EXPECT_EQ(MidiRecorder::Closes, 1);
  EXPECT_EQ(MidiRecorder::SentBeforeClose, 3u);
  EXPECT_EQ(MidiOut, nullptr);
}

}  // namespace
}  // namespace mq
