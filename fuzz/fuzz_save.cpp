// A save.dat as the game meets it at start-up: loaded and, when it passes
// its check, resumed at its level, place, effect and music for a few frames
// of exploration, with the menu moved and a choice taken.
#include "fuzz/harness.h"

using namespace nurumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScratchGame::Get().Put("save.dat", data, size);
  fuzz::FuzzPlatform platform;
  Game game(platform, 1);
  if (FormCreate(game)) fuzz::RunFrames(game, platform, "  ( & (  X ", 16);
  FormDestroy(game);
  return 0;
}
