#include "platform/bmp_sdl.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>

#include "platform/files.h"

namespace nurumo {

bool LoadBmpWithSdl(const std::filesystem::path& file, Surface& out, std::string& error) {
  // Read through the game's own reader first: a pipe under the picture's name
  // is refused, not waited on, and a missing file says so plainly.
  std::string bytes;
  if (!ReadWholeFile(file, bytes, error)) return false;
  SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!stream) {
    error = SDL_GetError();
    return false;
  }
  SDL_Surface* loaded = SDL_LoadBMP_RW(stream, 1);
  if (!loaded) {
    error = SDL_GetError();
    return false;
  }
  // BGR24 in SDL's naming is bytes blue, green, red in memory.
  SDL_Surface* bgr = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_BGR24, 0);
  SDL_FreeSurface(loaded);
  if (!bgr) {
    error = SDL_GetError();
    return false;
  }
  ResizeSurface(out, bgr->w, bgr->h);
  SDL_LockSurface(bgr);
  for (int y = 0; y < bgr->h; ++y)
    std::memcpy(out.Row(y), static_cast<const uint8_t*>(bgr->pixels) + static_cast<std::ptrdiff_t>(y) * bgr->pitch,
                static_cast<std::size_t>(bgr->w) * 3);
  SDL_UnlockSurface(bgr);
  SDL_FreeSurface(bgr);
  return true;
}

bool SavePngWithSdl(const Surface& surface, const std::filesystem::path& file, std::string& error) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, surface.width, surface.height, 24, SDL_PIXELFORMAT_BGR24);
  if (!s) {
    error = SDL_GetError();
    return false;
  }
  SDL_LockSurface(s);
  for (int y = 0; y < surface.height; ++y)
    std::memcpy(static_cast<uint8_t*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch, surface.Row(y),
                static_cast<std::size_t>(surface.width) * 3);
  SDL_UnlockSurface(s);
  bool ok = IMG_SavePNG(s, Utf8Of(file).c_str()) == 0;
  if (!ok) error = SDL_GetError();
  SDL_FreeSurface(s);
  return ok;
}

}  // namespace nurumo
