// Every surface of the game, the pictures loaded at start-up and the tables
// the effects use.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/surface.h"
#include "gfx/raster.h"

namespace nurumo {

struct Game;
class Serializer;

inline constexpr int kScreenWidth = 416;
inline constexpr int kScreenHeight = 256;

struct Assets {
  std::array<Surface, 19> BackgroundSurfaces;
  Surface StageSurface;
  Surface FontStrip;
  std::array<Surface, 9> GreySurfaces;
  Surface FrameSurface;
  Surface SpareSurface;
  Surface PanelSurface;
  Surface PanelInvertedSurface;
  Surface CursorSurface;
  Surface CursorInvertedSurface;
  int FontWidth = 0;
  int FontHeight = 0;
  std::array<Bgr, 9> GreyLevels{};
  Bgr DotColour{};
  std::array<std::array<uint8_t, 63>, 63> SpotTable{};  // [dx][dy]
  uint64_t PictureBytes = 0;  // of the pictures loaded from files, against kPictureBudget
};

// The surfaces whose contents later frames read: the stage, the frame, the
// spare surface (the cursor column, or the prepared ending picture) and the
// two panels. Everything else is loaded or computed from the game folder at
// start-up and never changes, so it is not part of a snapshot.
void Sync(Serializer& s, Assets& gfx);

// The ending cycle and the white and black surfaces are second names.
inline constexpr std::array<int, 3> EndingCycle = {14, 15, 16};
const Surface& WhiteSurface(const Game& game);
const Surface& BlackSurface(const Game& game);

void CreateSurfaces(Game& game);
void LoadAssets(Game& game);
// One BMP picture into a surface; a FileError naming it when it cannot be
// loaded, when its header is cut before the picture's size, or when its
// header claims more than the game takes, alone or with the pictures
// loaded before it.
void LoadPicture(Game& game, const std::string& cp932_path, Surface& surface);
void FreeSurfaces(Game& game);
void SetBackground(Game& game, int32_t n);
void SetStage(Game& game, const Surface& surface);
int PanelHeight(const Game& game, int32_t level);  // level 0: the current level
void Present(Game& game);

}  // namespace nurumo
