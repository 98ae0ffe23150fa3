// The main window: start-up and shutdown order, the key table.
#pragma once

#include "platform/platform.h"

namespace nurumo {

struct Game;

void FormCreate(Game& game);
void FormDestroy(Game& game);
// True when the key is swallowed (Alt, F10) and goes no further.
bool FormShortCut(Game& game, int vk);
void FormKeyDown(Game& game, int vk);
// Everything the window receives: keys (traced, short-cuts, the key table),
// the quit request and the music notification.
void DispatchEvent(Game& game, const InputEvent& event);

}  // namespace nurumo
