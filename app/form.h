// The main window: start-up and shutdown order, the key table.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace nurumo {

struct Game;

// Start-up. False when a step failed: the error box was shown, the rest of
// the start-up skipped and no slot is left to fire, so the window stays blank.
// With `resume`, it takes the place of loading save.dat and the first state
// (a start from a slot).
bool FormCreate(Game& game, const std::function<void(Game&)>& resume = nullptr);
void FormDestroy(Game& game);
// True when the key is swallowed (Alt, F10) and goes no further.
bool FormShortCut(Game& game, int vk);
void FormKeyDown(Game& game, int vk);
// Everything the window receives: keys (traced, short-cuts, the key table),
// the quit request and the music notification. With keys_active false (after
// a failed start-up) keys are traced and go no further.
void DispatchEvent(Game& game, const InputEvent& event, bool keys_active = true);

// The last trace line: where the game stood when it ended.
void TraceExit(Game& game);

}  // namespace nurumo
