#include "timing/pump.h"

#include <exception>

#include "game/game.h"
#include "game/messages.h"

namespace nurumo {

namespace {

// Clock differences are taken modulo 2^32 and read as signed, so the pump
// keeps its pace when the 32-bit millisecond counter wraps.
int32_t Elapsed(uint32_t now, uint32_t since) { return static_cast<int32_t>(now - since); }

bool IsLive(const TimerSlot& slot) { return slot.Callback != nullptr && slot.Interval > 0; }

}  // namespace

void SetTimerSlot(Game& game, int index, int32_t interval, SlotCallback callback) {
  if (index < 0) throw RangeError();
  auto& slots = game.timers.TimerSlots;
  const auto wanted = static_cast<std::size_t>(index);
  if (wanted >= slots.size()) slots.resize(wanted + 1);  // new entries are empty
  slots[wanted] = TimerSlot{interval, game.platform.Now(), callback};
}

void ClearTimerSlots(Game& game) {
  for (TimerSlot& slot : game.timers.TimerSlots) {
    slot.Callback = nullptr;
    slot.Interval = 0;  // LastTime stays as it was
  }
}

void StartPump(Game& game) {
  ClearTimerSlots(game);
  game.timers.PumpStarted = true;  // the loop itself is entered once, by the program entry
}

void PumpPass(Game& game, const std::function<void(const InputEvent&)>& dispatch, KeySource* keys) {
  InputEvent event;
  while (game.platform.PollEvent(event)) dispatch(event);
  if (keys && !game.terminate) {
    if (std::optional<int> key = keys->Poll(game, game.platform.Now())) dispatch({InputEvent::Kind::Key, *key});
  }

  const uint32_t now = game.platform.Now();
  const std::size_t count = game.timers.TimerSlots.size();  // slots added by a callback wait a pass
  for (std::size_t i = 0; i < count; ++i) {
    const TimerSlot slot = game.timers.TimerSlots[i];
    if (!IsLive(slot)) continue;
    const int32_t elapsed = Elapsed(now, slot.LastTime);
    if (elapsed <= slot.Interval) continue;
    try {
      slot.Callback(game, slot.Interval, elapsed);
    } catch (const std::exception& error) {
      ShowError(game, error);  // the box, then the pump goes on
    }
    game.timers.TimerSlots[i].LastTime = now;  // the pass's reading, also for a slot replaced just now
  }
}

uint32_t NextDueTime(const Game& game, uint32_t now) {
  constexpr int32_t kIdleWait = 1000;  // nothing due: look again after a second
  int32_t wait = kIdleWait;
  for (const TimerSlot& slot : game.timers.TimerSlots) {
    if (!IsLive(slot)) continue;
    // The first reading that is more than Interval after LastTime.
    const int64_t due_in = int64_t{slot.Interval} + 1 - Elapsed(now, slot.LastTime);
    if (due_in <= 0) return now;
    if (due_in < wait) wait = static_cast<int32_t>(due_in);
  }
  return now + static_cast<uint32_t>(wait);
}

void RunPump(Game& game, const std::function<void(const InputEvent&)>& dispatch, KeySource* keys) {
  while (!game.terminate) {
    PumpPass(game, dispatch, keys);
    if (game.terminate) break;
    const uint32_t now = game.platform.Now();
    uint32_t until = NextDueTime(game, now);
    if (keys) {
      const uint32_t wake = keys->NextWake(now);
      if (static_cast<int32_t>(wake - now) < static_cast<int32_t>(until - now)) until = wake;
    }
    game.platform.WaitForEvents(until);  // sleep instead of spinning
  }
}

}  // namespace nurumo
