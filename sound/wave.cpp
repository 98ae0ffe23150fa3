// Placeholder bodies; sound effects land with the sound work.
#include "sound/wave.h"

#include "game/game.h"

namespace nurumo {

void InitWave(Game&) {}
void DoneWave(Game&) {}
void PlayWave(Game&, const std::string&, bool) {}
void StopWave(Game&) {}

}  // namespace nurumo
