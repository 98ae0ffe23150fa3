// One music channel: MIDI files played once or looping.
#pragma once

#include <string>

namespace nurumo {

struct Game;
class Serializer;

struct MidiState {
  bool MidiLoop = false;
  bool MidiPlaying = false;
  std::string MidiFile;  // CP932, as last given to PlayMidi: what a restored game plays again
};

void Sync(Serializer& s, MidiState& midi);

void InitMidi(Game& game);
void DoneMidi(Game& game);
void PlayMidi(Game& game, const std::string& cp932_file, bool loop);
void StopMidi(Game& game);
void OnMciNotify(Game& game);

}  // namespace nurumo
