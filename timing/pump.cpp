// Placeholder bodies; the pump lands with the foundation work.
#include "timing/pump.h"

#include "game/game.h"

namespace nurumo {

void SetTimerSlot(Game&, int, int32_t, SlotCallback) {}
void ClearTimerSlots(Game&) {}
void StartPump(Game&) {}
void PumpPass(Game&, const std::function<void(const InputEvent&)>&) {}
void RunPump(Game&, const std::function<void(const InputEvent&)>&) {}
uint32_t NextDueTime(const Game&, uint32_t now) { return now; }

}  // namespace nurumo
