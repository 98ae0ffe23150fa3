// One sound-effect channel: a new wave sound replaces the one playing.
#pragma once

#include <string>

namespace nurumo {

struct Game;
class Serializer;

// The device keeps the sound; this module remembers only the looping one,
// the one sound that is still to be heard later.
struct WaveState {
  std::string LoopingWave;  // CP932; empty when no sound loops
};

void Sync(Serializer& s, WaveState& wave);

void InitWave(Game& game);
void DoneWave(Game& game);
void PlayWave(Game& game, const std::string& cp932_file, bool loop);
void StopWave(Game& game);

}  // namespace nurumo
