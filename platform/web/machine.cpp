#include "platform/machine.h"

#include <SDL.h>
#include <emscripten.h>

#include <algorithm>

namespace nurumo {

namespace {

// The browser hands the page its events between turns of its own loop, so
// the wait gives the browser back its turn, a frame at a time. (SDL's own
// wait naps a millisecond at a time, which the browser makes four, and
// would keep a still page busy.)
constexpr int kNapMs = 16;

}  // namespace

bool HidingMayEnd() { return true; }  // a tab hidden may be closed without a word to the page

void WaitForSdlEvent(int ms) {
  const Uint32 start = SDL_GetTicks();
  for (;;) {
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    const int left = ms - static_cast<int>(SDL_GetTicks() - start);
    if (left <= 0) return;
    emscripten_sleep(static_cast<unsigned>(std::min(left, kNapMs)));
  }
}

}  // namespace nurumo
