// Timer slots and the frame pump: all animation and time-driven game logic
// run from here.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/platform.h"

namespace nurumo {

struct Game;
class Serializer;

// A slot's procedure; gets the slot's Interval and the elapsed milliseconds.
using SlotCallback = void (*)(Game& game, int32_t interval, int32_t elapsed);

struct TimerSlot {
  int32_t Interval = 0;   // fires only while above 0
  uint32_t LastTime = 0;  // clock at the last firing or at installation
  SlotCallback Callback = nullptr;
};

struct TimerState {
  std::vector<TimerSlot> TimerSlots;  // grows on demand, never shrinks
  bool PumpStarted = false;
};

// The slots and their times as they stand. A callback is stored as its
// 1-based place in `known` (0: none); one not in `known`, or a stored number
// past its end, is a SerializeError. Times are stored as given: the caller
// makes them relative to its clock.
void Sync(Serializer& s, TimerState& timers, std::span<const SlotCallback> known);

void SetTimerSlot(Game& game, int index, int32_t interval, SlotCallback callback);
void ClearTimerSlots(Game& game);
void StartPump(Game& game);

// One pass: hand every pending event to `dispatch`, read the clock once and
// fire the due slots. Errors of callbacks are shown in the error box.
void PumpPass(Game& game, const std::function<void(const InputEvent&)>& dispatch);
// The pass's two halves, for a loop that may hold the slots back.
void DrainEvents(Game& game, const std::function<void(const InputEvent&)>& dispatch);
void FireDueSlots(Game& game);
// Move every slot's LastTime on by `pause` milliseconds: after a pause the
// slots fall due as if no time had passed.
void ShiftTimerSlots(Game& game, uint32_t pause);

// The loop: passes until game.terminate is set, waiting for input or the
// next due slot between passes.
void RunPump(Game& game, const std::function<void(const InputEvent&)>& dispatch);

// The clock value at which the next slot falls due (for waiting).
uint32_t NextDueTime(const Game& game, uint32_t now);

}  // namespace nurumo
