// A BMP file as the game loads a picture: the header's claim checked, then
// decoded into a 24-bit surface and washed onto the stage as a background.
#include "fuzz/harness.h"
#include "gfx/assets.h"

using namespace nurumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScratchGame::Get().Put("dat/p.bmp", data, size);
  fuzz::FuzzPlatform platform;
  Game game(platform, 1);
  CreateSurface(game.gfx.StageSurface, kScreenWidth, kScreenHeight);
  FillSurface(game.gfx.GreySurfaces[6], kScreenWidth, kScreenHeight, {191, 191, 191});
  Surface picture;
  try {
    LoadPicture(game, "dat\\p.bmp", picture);
  } catch (const FileError&) {
    fuzz::Refuse("the picture was refused");
    return 0;  // the error box at start-up
  }
  SetStage(game, picture);
  return 0;
}
