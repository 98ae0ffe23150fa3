// The seven named screen effects that paint each frame.
#pragma once

#include <cstdint>
#include <string>

namespace nurumo {

struct Game;
class Serializer;

enum class EffectKind { Unset, None, Noise, Normal, Invert, Darkness, AsTitle, Ending };

struct EffectMode {
  EffectKind EffectRoutine = EffectKind::Unset;  // Unset until the first SetEffect that matches
  bool LightScreen = false;
  int32_t FadeStep = 0;
};

void Sync(Serializer& s, EffectMode& mode);

void SetEffect(Game& game, const std::string& name);
void RunEffectRoutine(Game& game);  // EffectRoutine(); with none selected the frame is left as it is

void EffectNone(Game& game);
void EffectNoise(Game& game);
void EffectNormal(Game& game);
void EffectInvert(Game& game);
void EffectDarkness(Game& game);
void EffectAsTitle(Game& game);
void AsTitleDots(Game& game);  // the dots and the line, also used by the title screen
void EffectEnding(Game& game);
void PrepareEndingPicture(Game& game);

}  // namespace nurumo
