// Placeholder bodies; screens land with the pictures work.
#include "gfx/screens.h"

#include "game/game.h"

namespace nurumo {

void TitleScreen(Game&, bool) {}
void SaveScreen(Game&, int32_t, int32_t) {}
void EndingScreen(Game&, int32_t, int32_t) {}
void DrawSaying(Game&, Surface&) {}

}  // namespace nurumo
