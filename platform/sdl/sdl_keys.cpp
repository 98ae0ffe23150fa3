#include "platform/sdl/sdl_keys.h"

#include <SDL.h>

#include <array>

namespace nurumo {

namespace {

struct KeyRow {
  SDL_Keycode sdl;
  int vk;
};

// Keys with an obvious virtual key code; F11 and F12 are the window's own.
constexpr std::array<KeyRow, 34> kKeyRows{{
    {SDLK_BACKSPACE, 8},  {SDLK_TAB, 9},       {SDLK_RETURN, 13},    {SDLK_KP_ENTER, 13},
    {SDLK_LSHIFT, 16},    {SDLK_RSHIFT, 16},   {SDLK_LCTRL, 17},     {SDLK_RCTRL, 17},
    {SDLK_LALT, 18},      {SDLK_RALT, 18},     {SDLK_PAUSE, 19},     {SDLK_ESCAPE, 27},
    {SDLK_SPACE, 32},     {SDLK_PAGEUP, 33},   {SDLK_PAGEDOWN, 34},  {SDLK_END, 35},
    {SDLK_HOME, 36},      {SDLK_LEFT, 37},     {SDLK_UP, 38},        {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},      {SDLK_INSERT, 45},   {SDLK_DELETE, 46},    {SDLK_F1, 112},
    {SDLK_F2, 113},       {SDLK_F3, 114},      {SDLK_F4, 115},       {SDLK_F5, 116},
    {SDLK_F6, 117},       {SDLK_F7, 118},      {SDLK_F8, 119},       {SDLK_F9, 120},
    {SDLK_F10, 121},      {SDLK_KP_0, 96},
}};

}  // namespace

int VirtualKeyFromSdl(int32_t sdl_keycode) {
  if (sdl_keycode >= SDLK_a && sdl_keycode <= SDLK_z) return 'A' + (sdl_keycode - SDLK_a);
  if (sdl_keycode >= SDLK_0 && sdl_keycode <= SDLK_9) return '0' + (sdl_keycode - SDLK_0);
  if (sdl_keycode >= SDLK_KP_1 && sdl_keycode <= SDLK_KP_9) return 97 + (sdl_keycode - SDLK_KP_1);
  for (const KeyRow& row : kKeyRows)
    if (row.sdl == sdl_keycode) return row.vk;
  return 0;
}

}  // namespace nurumo
