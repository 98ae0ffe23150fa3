// A script file as the game runs it: loaded with the line cipher, stepped
// page by page by SPACE, every command reaching the real modules, the page
// screen drawn each frame. The input is the file's bytes (scrambled).
#include "fuzz/harness.h"
#include "game/messages.h"

using namespace nurumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScratchGame::Get().Put("dat/f.dat", data, size);
  fuzz::FuzzPlatform platform;
  Game game(platform, 1);
  if (!FormCreate(game)) {  // the bundled pictures; then the title as on a new game
    fuzz::Refuse("the game did not start");
    return 0;
  }
  try {
    RunScript(game, "f.dat", 0);  // as the flow starts one, ending in the rest state
  } catch (const std::exception& error) {
    fuzz::Refuse("the script stopped with an error");
    ShowError(game, error);  // as the key dispatch and the pump do
  }
  fuzz::RunFrames(game, platform, std::string(16, ' '), 16);  // a page or a reveal a frame
  FormDestroy(game);
  return 0;
}
