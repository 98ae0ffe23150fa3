// Placeholder bodies; effects land with the pictures work.
#include "gfx/effects.h"

#include "game/game.h"

namespace nurumo {

void SetEffect(Game& game, const std::string& name) { game.trace.Event("effect").Str("name", name); }
void RunEffectRoutine(Game&) {}
void EffectNone(Game&) {}
void EffectNoise(Game&) {}
void EffectNormal(Game&) {}
void EffectInvert(Game&) {}
void EffectDarkness(Game&) {}
void EffectAsTitle(Game&) {}
void AsTitleDots(Game&) {}
void EffectEnding(Game&) {}
void PrepareEndingPicture(Game&) {}

}  // namespace nurumo
