// The three sound effects go out as General MIDI short messages on channel 1
// through the MIDI mapper. Without an output the program simply runs silent.
//
// Opening the mapper loads the system's whole audio stack (and on Windows
// may start a software synthesizer), which would cost more than the rest of
// start-up together. So WINMM.DLL is not imported: a thread of its own loads
// it and opens the output when the window first asks for it, and a note asked
// for before the output is open is dropped, as when there is none.
#include "app.h"
#include "game/game_state.h"

namespace mq {

MidiApi Midi = {};
HMIDIOUT MidiOut = nullptr;

namespace {

HANDLE Opener;       // the opening thread, until its result is taken
HMIDIOUT OpenedOut;  // its result, written before it ends
bool OpenRequested;  // one attempt per window: a failed one stays silent

void LoadMidiApi() {
  HMODULE winmm = LoadLibraryA("WINMM.DLL");
  Midi.ShortMsg = LibraryFunction<decltype(Midi.ShortMsg)>(winmm, "midiOutShortMsg");
  Midi.Close = LibraryFunction<decltype(Midi.Close)>(winmm, "midiOutClose");
  if (Midi.ShortMsg && Midi.Close) Midi.Open = LibraryFunction<decltype(Midi.Open)>(winmm, "midiOutOpen");
}

DWORD WINAPI OpenOutput(LPVOID) {
  // Tests put recorders in the table before the window opens.
  if (!Midi.Open) LoadMidiApi();
  HMIDIOUT out = nullptr;
  if (!Midi.Open || Midi.Open(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) out = nullptr;
  OpenedOut = out;
  return 0;
}

// Takes the opener's result once it has ended, waiting at most `wait` ms.
void TakeOpenedOutput(DWORD wait) {
  if (!Opener || WaitForSingleObject(Opener, wait) != WAIT_OBJECT_0) return;
  CloseHandle(Opener);
  Opener = nullptr;
  MidiOut = OpenedOut;
  OpenedOut = nullptr;
}

}  // namespace

void MidiDevice(int open) {
  if (open == 1) {
    if (OpenRequested) return;
    OpenRequested = true;
    Opener = CreateThread(nullptr, 0, OpenOutput, nullptr, 0, nullptr);
    if (!Opener) {
      OpenOutput(nullptr);
      MidiOut = OpenedOut;
      OpenedOut = nullptr;
    }
  } else if (open == 0) {
    TakeOpenedOutput(INFINITE);
    OpenRequested = false;
    if (MidiOut) {
      Midi.Close(MidiOut);
      MidiOut = nullptr;
    }
  }
}

void AwaitMidiDevice() { TakeOpenedOutput(INFINITE); }

MMRESULT SendMidi(int status, int data1, int data2) {
  TakeOpenedOutput(0);
  // Tested per message, so switching sound off also silences pending note-offs.
  if (!MidiOut || Game.GameSettings.SoundOff != 0) return 0;
  DWORD message = static_cast<DWORD>(status & 0xFF) | static_cast<DWORD>(data1 & 0xFF) << 8 |
                  static_cast<DWORD>(data2 & 0xFF) << 16;
  return Midi.ShortMsg(MidiOut, message);
}

}  // namespace mq
