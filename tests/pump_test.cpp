// The timer slots and the frame pump, driven through the headless platform.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "game/game.h"
#include "support.h"
#include "timing/pump.h"

namespace nurumo {
namespace {

// Every firing is written to the trace, so a test reads back who fired when.
void Tick(Game& game, int32_t interval, int32_t elapsed) {
  game.trace.Event("tick").Int("interval", interval).Int("elapsed", elapsed);
}
void OtherTick(Game& game, int32_t, int32_t) { game.trace.Event("other"); }
void ReplaceSelf(Game& game, int32_t, int32_t) {
  game.trace.Event("replace");
  SetTimerSlot(game, 1, 50, OtherTick);
}
void AddSlotThree(Game& game, int32_t, int32_t) {
  game.trace.Event("add");
  SetTimerSlot(game, 3, 1, OtherTick);
}
void Throw(Game& game, int32_t, int32_t) {
  game.trace.Event("throw");
  throw RangeError();
}
void CloseWindow(Game& game, int32_t, int32_t) {
  game.trace.Event("close");
  game.terminate = true;
}

struct PumpFixture : ::testing::Test {
  PumpFixture() { g.game.trace.Open(&out, [this] { return g.platform.Now(); }); }
  void PassAt(uint32_t now) {
    g.platform.SetClock(now);
    PumpPass(g.game, [](const InputEvent&) {});
  }
  std::string Take() {
    std::string text = out.str();
    out.str("");
    return text;
  }
  testing::HeadlessGame g;
  std::ostringstream out;
};

TEST_F(PumpFixture, SlotFiresOnlyWhenMoreThanItsIntervalHasPassed) {
  struct Case {
    uint32_t installed;
    std::vector<uint32_t> passes;
    std::string fired;  // the trace the passes leave
  };
  const std::vector<Case> cases = {
      {0, {50, 100}, ""},
      {0, {100, 101}, "{\"t\":101,\"ev\":\"tick\",\"interval\":100,\"elapsed\":101}\n"},
      // a slot that fell behind fires once, and is timed from that pass
      {0, {450, 500, 551}, "{\"t\":450,\"ev\":\"tick\",\"interval\":100,\"elapsed\":450}\n"
                           "{\"t\":551,\"ev\":\"tick\",\"interval\":100,\"elapsed\":101}\n"},
      // the 32-bit clock wraps between installation and firing: 0x24 is
      // 100 ms after installation, 0x25 is 101
      {0xFFFFFFC0u, {0x24, 0x25}, "{\"t\":37,\"ev\":\"tick\",\"interval\":100,\"elapsed\":101}\n"},
  };
  for (const Case& c : cases) {
    testing::HeadlessGame fresh;
    std::ostringstream trace;
    fresh.game.trace.Open(&trace, [&fresh] { return fresh.platform.Now(); });
    fresh.platform.SetClock(c.installed);
    SetTimerSlot(fresh.game, 1, 100, Tick);
    for (uint32_t now : c.passes) {
      fresh.platform.SetClock(now);
      PumpPass(fresh.game, [](const InputEvent&) {});
    }
    EXPECT_EQ(trace.str(), c.fired) << "installed at " << c.installed;
  }
}

TEST_F(PumpFixture, ClearingKeepsTheTableAndItsTimes) {
  ClearTimerSlots(g.game);  // an empty table stays empty
  EXPECT_TRUE(g.game.timers.TimerSlots.empty());

  g.platform.SetClock(7);
  SetTimerSlot(g.game, 0, 10, Tick);
  SetTimerSlot(g.game, 1, 10, Tick);
  ClearTimerSlots(g.game);
  ASSERT_EQ(g.game.timers.TimerSlots.size(), 2u);
  for (const TimerSlot& slot : g.game.timers.TimerSlots) {
    EXPECT_EQ(slot.Callback, nullptr);
    EXPECT_EQ(slot.Interval, 0);
    EXPECT_EQ(slot.LastTime, 7u);
  }
  PassAt(1000);
  EXPECT_EQ(Take(), "");
}

TEST_F(PumpFixture, StartPumpClearsTheSlotsEachTime) {
  SetTimerSlot(g.game, 1, 10, Tick);
  StartPump(g.game);
  EXPECT_TRUE(g.game.timers.PumpStarted);
  SetTimerSlot(g.game, 1, 10, Tick);
  StartPump(g.game);
  EXPECT_TRUE(g.game.timers.PumpStarted);
  EXPECT_EQ(g.game.timers.TimerSlots[1].Callback, nullptr);
}

TEST_F(PumpFixture, TableGrowsWithEmptySlotsThatNeverFire) {
  SetTimerSlot(g.game, 1, 10, Tick);
  SetTimerSlot(g.game, 5, 10, OtherTick);
  ASSERT_EQ(g.game.timers.TimerSlots.size(), 6u);
  for (int i : {2, 3, 4}) {
    const TimerSlot& slot = g.game.timers.TimerSlots[static_cast<std::size_t>(i)];
    EXPECT_EQ(slot.Callback, nullptr);
    EXPECT_EQ(slot.Interval, 0);
  }
  PassAt(11);
  EXPECT_EQ(Take(),
            "{\"t\":11,\"ev\":\"tick\",\"interval\":10,\"elapsed\":11}\n"
            "{\"t\":11,\"ev\":\"other\"}\n");
  EXPECT_THROW(SetTimerSlot(g.game, -1, 10, Tick), RangeError);
}

TEST_F(PumpFixture, SkipsSlotsWithoutCallbackOrPositiveInterval) {
  SetTimerSlot(g.game, 0, 0, Tick);
  SetTimerSlot(g.game, 1, -5, Tick);
  SetTimerSlot(g.game, 2, 10, nullptr);
  PassAt(100000);
  EXPECT_EQ(Take(), "");
}

TEST_F(PumpFixture, CallbackReplacingItsOwnSlotTimesTheNewOneFromThatPass) {
  SetTimerSlot(g.game, 1, 100, ReplaceSelf);
  PassAt(101);  // replaced here; the new 50 ms slot is timed from 101
  EXPECT_EQ(g.game.timers.TimerSlots[1].LastTime, 101u);
  PassAt(151);
  PassAt(152);
  PassAt(300);
  EXPECT_EQ(Take(),
            "{\"t\":101,\"ev\":\"replace\"}\n"
            "{\"t\":152,\"ev\":\"other\"}\n"
            "{\"t\":300,\"ev\":\"other\"}\n");
}

TEST_F(PumpFixture, SlotAddedDuringAPassWaitsForTheNextPass) {
  SetTimerSlot(g.game, 1, 10, AddSlotThree);
  PassAt(11);  // slot 3 is set at 11, beyond the count taken for this pass
  PassAt(12);  // only 1 ms after its installation
  PassAt(13);
  EXPECT_EQ(Take(),
            "{\"t\":11,\"ev\":\"add\"}\n"
            "{\"t\":13,\"ev\":\"other\"}\n");
}

TEST_F(PumpFixture, ErrorInACallbackIsShownAndThePumpGoesOn) {
  SetTimerSlot(g.game, 1, 10, Throw);
  SetTimerSlot(g.game, 2, 10, Tick);
  PassAt(11);
  ASSERT_EQ(g.platform.boxes().size(), 1u);
  EXPECT_EQ(g.platform.boxes()[0].text, Sjis("範囲チェックエラー"));
  EXPECT_EQ(g.platform.boxes()[0].icon, BoxIcon::Error);
  EXPECT_EQ(g.game.timers.TimerSlots[1].LastTime, 11u);  // timed from the pass all the same
  PassAt(22);
  EXPECT_EQ(g.platform.boxes().size(), 2u);
  const std::string trace = Take();
  EXPECT_NE(trace.find("{\"t\":22,\"ev\":\"tick\""), std::string::npos);
}

TEST_F(PumpFixture, EventsAreHandedOverBeforeTheSlotsFire) {
  SetTimerSlot(g.game, 1, 10, Tick);
  g.platform.PushKey(vk::kSpace);
  g.platform.SetClock(11);
  PumpPass(g.game, [this](const InputEvent& e) { g.game.trace.Event("event").Int("vk", e.vk); });
  EXPECT_EQ(Take(),
            "{\"t\":11,\"ev\":\"event\",\"vk\":32}\n"
            "{\"t\":11,\"ev\":\"tick\",\"interval\":10,\"elapsed\":11}\n");
}

TEST_F(PumpFixture, ClosingFinishesThePassAndEndsTheLoop) {
  SetTimerSlot(g.game, 1, 10, CloseWindow);
  SetTimerSlot(g.game, 2, 10, Tick);
  RunPump(g.game, [](const InputEvent&) {});
  EXPECT_EQ(Take(),
            "{\"t\":11,\"ev\":\"close\"}\n"
            "{\"t\":11,\"ev\":\"tick\",\"interval\":10,\"elapsed\":11}\n");
}

// Waiting jumps the virtual clock straight to the next due slot or replayed
// line; the firings must be the same as with a pass on every millisecond.
TEST_F(PumpFixture, WaitingGivesTheSameFiringsAsAPassEveryMillisecond) {
  auto run = [](bool every_ms) {
    testing::HeadlessGame h;
    std::ostringstream trace;
    h.game.trace.Open(&trace, [&h] { return h.platform.Now(); });
    h.platform.AttachReplay(std::make_unique<ReplayFeeder>(
        ParseReplay("250 SPACE\n+1 SPACE\n700 ENTER\n"), std::filesystem::path(".")));
    h.platform.SetStopTime(1000);
    SetTimerSlot(h.game, 1, 100, Tick);
    SetTimerSlot(h.game, 2, 37, Tick);
    auto dispatch = [&h](const InputEvent& e) {
      if (e.kind == InputEvent::Kind::Quit) h.game.terminate = true;
      else h.game.trace.Event("key").Int("vk", e.vk);
    };
    if (every_ms) {
      for (uint32_t t = 0; !h.game.terminate; ++t) {
        h.platform.SetClock(t);
        PumpPass(h.game, dispatch);
      }
    } else {
      RunPump(h.game, dispatch);
    }
    return trace.str();
  };
  const std::string stepped = run(true);
  EXPECT_NE(stepped.find("{\"t\":251,\"ev\":\"key\",\"vk\":32}"), std::string::npos);
  EXPECT_EQ(run(false), stepped);
}

}  // namespace
}  // namespace nurumo
