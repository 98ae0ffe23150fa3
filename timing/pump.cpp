#include "timing/pump.h"

#include "core/serializer.h"

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

void PumpPass(Game& game, const std::function<void(const InputEvent&)>& dispatch) {
  DrainEvents(game, dispatch);
  FireDueSlots(game);
}

void DrainEvents(Game& game, const std::function<void(const InputEvent&)>& dispatch) {
  InputEvent event;
  while (game.platform.PollEvent(event)) dispatch(event);
}

void ShiftTimerSlots(Game& game, uint32_t pause) {
  for (TimerSlot& slot : game.timers.TimerSlots) slot.LastTime += pause;  // modulo 2^32, like the clock
}

void FireDueSlots(Game& game) {
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

void RunPump(Game& game, const std::function<void(const InputEvent&)>& dispatch) {
  while (!game.terminate) {
    PumpPass(game, dispatch);
    if (game.terminate) break;
    game.platform.WaitForEvents(NextDueTime(game, game.platform.Now()));  // sleep instead of spinning
  }
}

void Sync(Serializer& s, TimerState& timers, std::span<const SlotCallback> known) {
  s.Sync(timers.PumpStarted);
  const uint32_t count = s.SyncCount(timers.TimerSlots.size(), 64);  // the game uses two
  if (s.loading()) timers.TimerSlots.assign(count, TimerSlot{});
  for (TimerSlot& slot : timers.TimerSlots) {
    s.Sync(slot.Interval);
    s.Sync(slot.LastTime);
    uint32_t id = 0;
    if (!s.loading() && slot.Callback) {
      for (std::size_t i = 0; i < known.size() && id == 0; ++i)
        if (known[i] == slot.Callback) id = static_cast<uint32_t>(i + 1);
      if (id == 0) throw SerializeError("a timer slot holds a procedure snapshots do not know");
    }
    SyncInRange(s, id, 0, static_cast<int64_t>(known.size()), "a timer slot's procedure");
    if (s.loading()) slot.Callback = id == 0 ? nullptr : known[id - 1];
  }
}

}  // namespace nurumo
