// The ending picture as the ENDING effect takes it: the header's claim
// checked, decoded, the lower part darkened, then the fade run through its
// first frames and past its last.
#include "fuzz/harness.h"
#include "gfx/effects.h"

using namespace nurumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScratchGame::Get().Put("dat/ending.jpg", data, size);
  fuzz::FuzzPlatform platform;
  Game game(platform, 1);
  CreateSurface(game.gfx.FrameSurface, kScreenWidth, kScreenHeight);
  CreateSurface(game.gfx.SpareSurface, kScreenWidth, kScreenHeight);
  try {
    SetEffect(game, "ENDING");
  } catch (const GameError&) {
    fuzz::Refuse("the ending picture was refused");
    return 0;  // the error box, the previous effect kept
  }
  for (int frame = 0; frame < 3; ++frame) RunEffectRoutine(game);
  game.effect.FadeStep = 127;
  for (int frame = 0; frame < 2; ++frame) RunEffectRoutine(game);
  return 0;
}
