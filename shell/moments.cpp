#include "shell/moments.h"

#include "game/flow.h"
#include "game/player.h"
#include "gfx/page.h"
#include "gfx/screens.h"

namespace nurumo {

namespace {

SlotCallback Screen(const Game& game) {
  const auto& slots = game.timers.TimerSlots;
  return slots.size() > 1 ? slots[1].Callback : nullptr;  // the game draws through slot 1 alone
}

}  // namespace

bool AtTitle(const Game& game) {
  const SlotCallback screen = Screen(game);
  return screen == TitleStillTick || screen == TitleFadeTick;
}

bool AtEnding(const Game& game) { return Screen(game) == EndingScreen; }

// The game-over scripts are the only ones run with follow-up 0: once one has
// ended the flow rests in state 0 with nothing left to wait for.
bool AtDeadEnd(const Game& game) {
  const FlowData& flow = game.flow;
  return Screen(game) == PageScreen && flow.FlowState == 0 && game.page.ScriptEnded &&
         game.page.FollowUpState == 0 && flow.SavePrompt.empty() && !flow.WaitForX;
}

bool Doomed(const Game& game) { return FirstEmptyParam(game.player) != 0 || AtDeadEnd(game); }

bool NothingToLose(const Game& game, bool started) {
  return !started || AtTitle(game) || AtEnding(game) || AtDeadEnd(game);
}

}  // namespace nurumo
