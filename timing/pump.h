// Timer slots and the frame pump: all animation and time-driven game logic
// run from here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace nurumo {

struct Game;

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

// Keys that come from something other than the platform's input (the
// autoplayer): asked once a pass, after the platform's own events, and woken
// for. Its keys go the way of a player's.
class KeySource {
 public:
  virtual ~KeySource() = default;
  virtual std::optional<int> Poll(const Game& game, uint32_t now) = 0;
  virtual uint32_t NextWake(uint32_t now) = 0;
};

void SetTimerSlot(Game& game, int index, int32_t interval, SlotCallback callback);
void ClearTimerSlots(Game& game);
void StartPump(Game& game);

// One pass: hand every pending event to `dispatch`, read the clock once and
// fire the due slots. Errors of callbacks are shown in the error box.
void PumpPass(Game& game, const std::function<void(const InputEvent&)>& dispatch, KeySource* keys = nullptr);

// The loop: passes until game.terminate is set, waiting for input or the
// next due slot between passes.
void RunPump(Game& game, const std::function<void(const InputEvent&)>& dispatch, KeySource* keys = nullptr);

// The clock value at which the next slot falls due (for waiting).
uint32_t NextDueTime(const Game& game, uint32_t now);

}  // namespace nurumo
