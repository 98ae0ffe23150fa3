// One music channel over the platform's music device, which keeps the MCI
// operations this module relies on: open under one alias, play with an end
// notification, ask the mode, play again from 0, close.
#include "sound/midi.h"

#include "core/serializer.h"

#include "game/game.h"

namespace nurumo {

void InitMidi(Game& game) { StopMidi(game); }

void DoneMidi(Game& game) { StopMidi(game); }

// Device failures are not looked at: a missing or unplayable file is silence.
void PlayMidi(Game& game, const std::string& cp932_file, bool loop) {
  game.trace.Event("midi").Str("file", cp932_file).Bool("loop", loop);
  StopMidi(game);
  game.midi.MidiLoop = loop;
  game.midi.MidiFile = cp932_file;
  MusicDevice& device = game.platform.Music();
  device.SetLoopHint(loop);  // lets the device loop without a gap of its own
  device.Open(game.platform.Files().Resolve(cp932_file));
  device.Play();
  game.midi.MidiPlaying = true;  // set whether or not the device opened it
}

void StopMidi(Game& game) {
  game.trace.Event("midi-stop");
  game.platform.Music().Close();  // harmless when nothing is open
  game.midi.MidiPlaying = false;
}

// Decided by the device's mode, not by why the notification came, so one
// left over from a closed or replaced piece does nothing while music plays.
void OnMciNotify(Game& game) {
  if (!game.midi.MidiPlaying) return;
  if (game.platform.Music().Mode() != "stopped") return;
  if (game.midi.MidiLoop) {
    game.platform.Music().PlayFromStart();
  } else {
    StopMidi(game);
  }
}

void Sync(Serializer& s, MidiState& midi) {
  s.Sync(midi.MidiLoop);
  s.Sync(midi.MidiPlaying);
  s.Sync(midi.MidiFile, 4096);
}

}  // namespace nurumo
