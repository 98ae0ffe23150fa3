// A save.dat as the game meets it at start-up: loaded and, when it passes
// its check, resumed at its level, place, effect and music for a few frames
// of exploration, with the menu moved and a choice taken.
#include <sstream>

#include "fuzz/harness.h"

using namespace nurumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScratchGame::Get().Put("save.dat", data, size);
  fuzz::FuzzPlatform platform;
  Game game(platform, 1);
  std::ostringstream trace;
  game.trace.Open(&trace, [] { return 0u; });
  if (FormCreate(game)) fuzz::RunFrames(game, platform, "  ( & (  X ", 16);
  else fuzz::Refuse("the game did not start");
  FormDestroy(game);
  if (trace.str().find("\"ev\":\"load\",\"ok\":true") == std::string::npos) fuzz::Refuse("the save was not resumed");
  return 0;
}
