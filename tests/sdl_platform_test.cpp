// The SDL window under the dummy video driver: keys, scale, presenting,
// and the message box drawn inside the window.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/sdl/box_drawing.h"
#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_platform.h"
#include "support.h"

namespace nurumo {
namespace {

TEST(SdlKeys, VirtualKeyCodes) {
  const std::vector<std::pair<SDL_Keycode, int>> cases = {
      {SDLK_SPACE, 32}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_UP, 38}, {SDLK_DOWN, 40},
      {SDLK_x, 88},     {SDLK_y, 89},      {SDLK_n, 78},        {SDLK_a, 65},  {SDLK_z, 90},
      {SDLK_LALT, 18},  {SDLK_RALT, 18},   {SDLK_F10, 121},     {SDLK_0, 48},  {SDLK_KP_5, 101},
      {SDLK_F11, 0},    {SDLK_F12, 0},     {SDLK_CAPSLOCK, 0},
  };
  for (const auto& [sdl, code] : cases) EXPECT_EQ(VirtualKeyFromSdl(sdl), code) << SDL_GetKeyName(sdl);
}

TEST(SdlWindow, DefaultScaleFitsIn85PercentOfTheDesktop) {
  const std::vector<std::tuple<int, int, int>> cases = {
      {1920, 1080, 3}, {1280, 1024, 2}, {1470, 920, 3}, {1468, 920, 2}, {1024, 768, 2}, {1000, 700, 2}, {800, 600, 1}, {400, 300, 1},
      {3840, 2160, 3}};
  for (const auto& [w, h, scale] : cases) EXPECT_EQ(DefaultScale(w, h), scale) << w << "x" << h;
}

TEST(SdlWindow, TranslatesEventsAndKeepsThePresentedFrame) {
  testing::TempDir dir;
  SdlPlatform platform{FileSystem(dir.path()), SdlWindowOptions{1, false}};
  Surface frame;
  ResizeSurface(frame, 416, 256);
  frame.Row(10)[3 * 20 + 2] = 200;
  platform.Present(frame);
  EXPECT_EQ(platform.window().Row(10)[3 * 20 + 2], 200);
  EXPECT_EQ(platform.window().Row(0)[0], 0);  // the white start is gone

  InputEvent event;
  while (platform.PollEvent(event)) {}  // whatever the window itself queued
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.sym = SDLK_y;
  key.key.repeat = 1;  // auto-repeat counts as a fresh press
  SDL_PushEvent(&key);
  PostMusicNotify();
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  std::vector<InputEvent> got;
  while (platform.PollEvent(event)) got.push_back(event);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].kind, InputEvent::Kind::Key);
  EXPECT_EQ(got[0].vk, vk::kY);
  EXPECT_EQ(got[1].kind, InputEvent::Kind::MusicNotify);
  EXPECT_EQ(got[2].kind, InputEvent::Kind::Quit);
}

// The window shows the last frame whole, scaled, however little of it each
// present changed: scattered dots, a column, a row's two ends, nothing.
TEST(SdlWindow, TheWindowShowsTheWholeFrameAfterPresentsThatChangeLittle) {
  testing::TempDir dir;
  SdlPlatform platform{FileSystem(dir.path()), SdlWindowOptions{2, false}};
  Surface frame;
  ResizeSurface(frame, 416, 256);
  uint32_t seed = 7;
  const auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  const auto shows_frame = [&]() {
    SDL_Surface* target = SDL_GetWindowSurface(platform.sdl_window());
    if (!target || target->format->BytesPerPixel != 4) return ::testing::AssertionFailure() << "no 32-bit surface";
    for (int y = 0; y < 256 * 2; ++y)
      for (int x = 0; x < 416 * 2; ++x) {
        const uint8_t* bgr = frame.Row(y / 2) + (x / 2) * 3;
        Uint32 got = 0;
        std::memcpy(&got, static_cast<uint8_t*>(target->pixels) + y * target->pitch + x * 4, 4);
        Uint8 r, g, b;
        SDL_GetRGB(got, target->format, &r, &g, &b);
        if (r != bgr[2] || g != bgr[1] || b != bgr[0])
          return ::testing::AssertionFailure() << "window pixel " << x << "," << y;
      }
    return ::testing::AssertionSuccess();
  };
  platform.Present(frame);
  ASSERT_TRUE(shows_frame());
  for (int round = 0; round < 6; ++round) {
    for (int dot = 0; dot < 300; ++dot)  // dots anywhere, the edges included
      frame.Row(static_cast<int>(next(256)))[next(416) * 3 + next(3)] = static_cast<uint8_t>(next(256));
    frame.Row(static_cast<int>(next(256)))[0] ^= 0xFF;  // a row changed at both ends only
    frame.Row(static_cast<int>(next(256)))[415 * 3 + 2] ^= 0xFF;
    platform.Present(frame);
    EXPECT_TRUE(shows_frame()) << "round " << round;
  }
  for (int y = 0; y < 256; ++y) frame.Row(y)[100 * 3] ^= 0x55;  // a column, presented alone
  platform.PresentColumn(frame, 100, 1);
  EXPECT_TRUE(shows_frame());
  platform.Present(frame);  // nothing changed
  EXPECT_TRUE(shows_frame());
}

// F12 keeps the picture as a PNG in screenshots/ beside save.dat (the data
// folder), and the game never sees the key.
TEST(SdlWindow, F12WritesThePictureAsAPngBesideTheSave) {
  testing::TempDir game, data;
  SdlPlatform platform{FileSystem(game.path(), data.path()), SdlWindowOptions{1, false}};
  Surface frame;
  ResizeSurface(frame, 416, 256);
  frame.Row(100)[3 * 200 + 1] = 222;
  platform.Present(frame);
  InputEvent event;
  while (platform.PollEvent(event)) {}
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.sym = SDLK_F12;
  SDL_PushEvent(&key);
  std::vector<InputEvent> got;
  while (platform.PollEvent(event)) got.push_back(event);
  for (const InputEvent& e : got) EXPECT_NE(e.kind, InputEvent::Kind::Key) << "the key reached the game";
  std::vector<std::filesystem::path> shots;
  if (std::filesystem::is_directory(data.path() / "screenshots"))
    for (const auto& entry : std::filesystem::directory_iterator(data.path() / "screenshots")) shots.push_back(entry);
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0].extension(), ".png");
  EXPECT_FALSE(std::filesystem::exists(game.path() / "screenshots")) << "not in the game folder";
  std::ifstream in(shots[0], std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(png.substr(12, 12), std::string("IHDR\0\0\x01\xa0\0\0\x01\0", 12)) << "416 x 256";
}

TEST(SdlWindow, MessageBoxIsDrawnOverTheMiddleOfTheFrame) {
  Surface canvas;
  ResizeSurface(canvas, 416, 256);
  DrawMessageBox(canvas, nullptr, Sjis("ぬるも。"), Sjis("範囲チェックエラー"), BoxIcon::Error);
  const uint8_t* middle = canvas.Row(128) + 3 * 208;
  EXPECT_NE(middle[0] + middle[1] + middle[2], 0);  // the box covers the centre
  EXPECT_EQ(canvas.Row(0)[0], 0);                   // and leaves the corners
  EXPECT_EQ(canvas.Row(255)[3 * 415], 0);
}

}  // namespace
}  // namespace nurumo
