// Placeholder bodies; the flow lands with the world work.
#include "game/flow.h"

#include "game/game.h"

namespace nurumo {

void AdvanceFlow(Game&) {}
void GotoState(Game&, int32_t) {}
void RunScript(Game&, const std::string&, int32_t) {}
void TitleStillTick(Game&, int32_t, int32_t) {}
void TitleFadeTick(Game&, int32_t, int32_t) {}
std::string LevelTitle(int32_t) { return {}; }

}  // namespace nurumo
