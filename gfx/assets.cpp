// Placeholder bodies; assets land with the pictures work.
#include "gfx/assets.h"

#include "game/game.h"

namespace nurumo {

const Surface& WhiteSurface(const Game& game) { return game.gfx.GreySurfaces[8]; }
const Surface& BlackSurface(const Game& game) { return game.gfx.GreySurfaces[0]; }
void CreateSurfaces(Game& game) { ResizeSurface(game.gfx.FrameSurface, kScreenWidth, kScreenHeight); }
void LoadAssets(Game&) {}
void FreeSurfaces(Game&) {}
void SetBackground(Game& game, int32_t n) { game.trace.Event("background").Int("n", n); }
void SetStage(Game&, const Surface&) {}
int PanelHeight(const Game&, int32_t level) { return 45 + 15 * level; }
void Present(Game& game) { game.platform.Present(game.gfx.FrameSurface); }

}  // namespace nurumo
