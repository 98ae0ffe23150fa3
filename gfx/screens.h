// The title, save-question and ending screens.
#pragma once

#include <cstdint>

#include "core/surface.h"

namespace nurumo {

struct Game;
class Serializer;

struct EndingState {
  int32_t EndingTick = 0;
};

void Sync(Serializer& s, EndingState& ending);

void TitleScreen(Game& game, bool fade);
void SaveScreen(Game& game, int32_t interval, int32_t elapsed);
void EndingScreen(Game& game, int32_t interval, int32_t elapsed);
void DrawSaying(Game& game, Surface& surface);

}  // namespace nurumo
