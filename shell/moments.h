// Where a game stands, as the comforts around it need to know: read from the
// game's own state, never from what it traced.
#pragma once

#include "game/game.h"

namespace nurumo {

// The title screen is up: no game has begun yet.
bool AtTitle(const Game& game);
// The ending screen is up.
bool AtEnding(const Game& game);
// After a game over's last page: no key of the game acts any more.
bool AtDeadEnd(const Game& game);
// Nothing would be lost by closing now: an autosave is not taken.
bool NothingToLose(const Game& game, bool started);
// A mood has run out (its game over is on the way or done): such a game
// must never take the place of one that can still be played.
bool Doomed(const Game& game);

}  // namespace nurumo
