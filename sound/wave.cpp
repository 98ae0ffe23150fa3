// One sound-effect channel: the device holds the one current sound and a new
// sound replaces it. Nothing is reported; a missing file is silence.
#include "sound/wave.h"

#include "core/serializer.h"

#include "game/game.h"

namespace nurumo {

void InitWave(Game& game) { StopWave(game); }

void DoneWave(Game& game) { StopWave(game); }

void PlayWave(Game& game, const std::string& cp932_file, bool loop) {
  game.trace.Event("wave").Str("file", cp932_file).Bool("loop", loop);
  game.wave.LoopingWave = loop ? cp932_file : std::string();  // a new sound replaces the loop
  game.platform.Sound().Play(game.platform.Files().Resolve(cp932_file), loop);
}

void StopWave(Game& game) {
  game.trace.Event("wave-stop");
  game.wave.LoopingWave.clear();
  game.platform.Sound().Stop();
}

void Sync(Serializer& s, WaveState& wave) { s.Sync(wave.LoopingWave, 4096); }

}  // namespace nurumo
