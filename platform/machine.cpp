#include "platform/machine.h"

#include <SDL.h>

namespace nurumo {

bool HidingMayEnd() { return false; }  // a desktop window is closed, not dropped

void WaitForSdlEvent(int ms) { SDL_WaitEventTimeout(nullptr, ms); }

}  // namespace nurumo
