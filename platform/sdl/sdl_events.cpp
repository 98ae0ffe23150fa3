#include "platform/sdl/sdl_events.h"

#include <SDL.h>

namespace nurumo {

uint32_t MusicNotifyEventType() {
  static const uint32_t type = SDL_RegisterEvents(1);  // one number for the process, made once
  return type;
}

void PostMusicNotify() {
  SDL_Event event{};
  event.type = MusicNotifyEventType();
  SDL_PushEvent(&event);  // thread-safe in SDL
}

}  // namespace nurumo
