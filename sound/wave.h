// One sound-effect channel: a new wave sound replaces the one playing.
#pragma once

#include <string>

namespace nurumo {

struct Game;

void InitWave(Game& game);
void DoneWave(Game& game);
void PlayWave(Game& game, const std::string& cp932_file, bool loop);
void StopWave(Game& game);

}  // namespace nurumo
