// The three sound effects go out as General MIDI short messages on channel 1
// through the MIDI mapper. Without an output the program simply runs silent.
#include "app.h"
#include "game/game_state.h"

namespace mq {

MidiApi Midi = {midiOutOpen, midiOutShortMsg, midiOutClose};
HMIDIOUT MidiOut = nullptr;

void MidiDevice(int open) {
  if (open == 1) {
    if (Midi.Open(&MidiOut, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) MidiOut = nullptr;
  } else if (open == 0) {
    if (MidiOut) {
      Midi.Close(MidiOut);
      MidiOut = nullptr;
    }
  }
}

MMRESULT SendMidi(int status, int data1, int data2) {
  // Tested per message, so switching sound off also silences pending note-offs.
  if (!MidiOut || Game.GameSettings.SoundOff != 0) return 0;
  DWORD message = static_cast<DWORD>(status & 0xFF) | static_cast<DWORD>(data1 & 0xFF) << 8 |
                  static_cast<DWORD>(data2 & 0xFF) << 16;
  return Midi.ShortMsg(MidiOut, message);
}

}  // namespace mq
