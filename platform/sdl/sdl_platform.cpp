#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iostream>
#include <stdexcept>

#include "core/text.h"
#include "platform/bmp_sdl.h"
#include "platform/devices.h"
#include "platform/sdl/box_drawing.h"
#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_keys.h"

namespace nurumo {

namespace {

constexpr int kClientWidth = 416;
constexpr int kClientHeight = 256;

std::runtime_error SdlFailure(const char* what) {
  return std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

bool ClosesBox(const SDL_Event& event) {
  if (event.type == SDL_MOUSEBUTTONDOWN) return true;
  if (event.type != SDL_KEYDOWN) return false;
  const SDL_Keycode key = event.key.keysym.sym;
  return key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_SPACE;
}

// "20240131-235959.png", with "-2", "-3" ... when taken within one second.
std::filesystem::path ScreenshotPath(const std::filesystem::path& folder) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::filesystem::path path = folder / (std::string(stamp) + ".png");
  for (int n = 2; std::filesystem::exists(path); ++n)
    path = folder / (std::string(stamp) + "-" + std::to_string(n) + ".png");
  return path;
}

}  // namespace

int DefaultScale(int desktop_width, int desktop_height) {
  for (int scale = 3; scale > 1; --scale) {
    if (kClientWidth * scale * 100 <= desktop_width * 85 && kClientHeight * scale * 100 <= desktop_height * 85)
      return scale;
  }
  return 1;
}

SdlPlatform::SdlPlatform(FileSystem files, const SdlWindowOptions& options)
    : files_(std::move(files)), fullscreen_(options.fullscreen) {
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) throw SdlFailure("cannot start SDL");
  int scale = options.scale;
  if (scale <= 0) {
    SDL_DisplayMode desktop{};
    scale = SDL_GetDesktopDisplayMode(0, &desktop) == 0 ? DefaultScale(desktop.w, desktop.h) : 1;
  }
  const Uint32 flags = SDL_WINDOW_SHOWN | (fullscreen_ ? Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP} : 0u);
  sdl_window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kClientWidth * scale,
                                 kClientHeight * scale, flags);
  if (!sdl_window_) throw SdlFailure("cannot open the window");
  renderer_ = SDL_CreateRenderer(sdl_window_, -1, 0);
  if (!renderer_) throw SdlFailure("cannot draw into the window");
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING, kClientWidth,
                               kClientHeight);
  if (!texture_) throw SdlFailure("cannot make the window's picture");
  SDL_StopTextInput();  // plain virtual keys, no input method
  start_ticks_ = SDL_GetTicks();

  ResizeSurface(window_, kClientWidth, kClientHeight);
  std::fill(window_.pixels.begin(), window_.pixels.end(), uint8_t{255});  // white until the first frame
  Render(window_);
  music_ = MakeSdlMusicDevice();
  sound_ = MakeSdlSoundDevice();
}

SdlPlatform::~SdlPlatform() {
  music_.reset();  // the devices and the font go before SDL itself
  sound_.reset();
  text_.reset();
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (sdl_window_) SDL_DestroyWindow(sdl_window_);
  SDL_Quit();
}

uint32_t SdlPlatform::Now() { return SDL_GetTicks() - start_ticks_; }  // wraps like the game's clock

void SdlPlatform::WaitForEvents(uint32_t until) {
  const uint32_t now = Now();
  if (!deferred_.empty() || (replay_ && replay_->Due(now))) return;
  if (replay_) {
    if (auto next = replay_->NextTime(); next && static_cast<int32_t>(*next - until) < 0) until = *next;
  }
  const int32_t wait = static_cast<int32_t>(until - now);
  if (wait > 0) SDL_WaitEventTimeout(nullptr, wait);  // leaves the event in the queue
}

bool SdlPlatform::PollEvent(InputEvent& event) {
  if (!deferred_.empty()) {
    event = deferred_.front();
    deferred_.pop_front();
    return true;
  }
  if (replay_ && replay_->Next(Now(), window_, event)) return true;
  SDL_Event sdl_event;
  while (SDL_PollEvent(&sdl_event)) {
    if (Translate(&sdl_event, event)) return true;
  }
  return false;
}

bool SdlPlatform::Translate(const void* raw, InputEvent& out) {
  const SDL_Event& event = *static_cast<const SDL_Event*>(raw);
  if (event.type == SDL_QUIT) {
    out = {InputEvent::Kind::Quit, 0};
    return true;
  }
  if (event.type == MusicNotifyEventType()) {
    out = {InputEvent::Kind::MusicNotify, 0};
    return true;
  }
  if (event.type == SDL_WINDOWEVENT) {
    if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
      Render(window_);
    return false;
  }
  if (event.type != SDL_KEYDOWN) return false;
  const SDL_Keycode key = event.key.keysym.sym;
  if (key == SDLK_F11) {
    ToggleFullscreen();
    return false;
  }
  if (key == SDLK_F12) {
    SaveScreenshot();  // the key does nothing else
    return false;
  }
  const int code = VirtualKeyFromSdl(key);  // auto-repeats count as fresh presses
  if (code == 0) return false;
  out = {InputEvent::Kind::Key, code};
  return true;
}

void SdlPlatform::Render(const Surface& shown) {
  SDL_UpdateTexture(texture_, nullptr, shown.pixels.data(), shown.width * 3);
  int out_w = 0, out_h = 0;
  SDL_GetRendererOutputSize(renderer_, &out_w, &out_h);
  const int scale = std::max(1, std::min(out_w / kClientWidth, out_h / kClientHeight));  // whole pixels only
  const SDL_Rect target{(out_w - kClientWidth * scale) / 2, (out_h - kClientHeight * scale) / 2,
                        kClientWidth * scale, kClientHeight * scale};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);  // black borders in full screen
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  SDL_RenderPresent(renderer_);
}

void SdlPlatform::Present(const Surface& frame) { PresentColumn(frame, 0, kClientWidth); }

void SdlPlatform::PresentColumn(const Surface& frame, int x, int w) {
  const int x0 = std::max(0, x);
  const int x1 = std::min({x + w, window_.width, frame.width});
  const int rows = std::min(window_.height, frame.height);
  if (x1 <= x0) return;
  bool changed = false;
  for (int y = 0; y < rows; ++y) {
    uint8_t* row = window_.Row(y) + x0 * 3;
    const uint8_t* from = frame.Row(y) + x0 * 3;
    const auto bytes = static_cast<std::size_t>(x1 - x0) * 3;
    if (std::memcmp(row, from, bytes) == 0) continue;
    std::memcpy(row, from, bytes);
    changed = true;
  }
  if (changed) Render(window_);  // a still screen costs no drawing at all
}

void SdlPlatform::SetCaption(const std::string& cp932) {
  SDL_SetWindowTitle(sdl_window_, Cp932ToUtf8(cp932).c_str());
}

void SdlPlatform::MessageBox(const std::string& caption_cp932, const std::string& text_cp932, BoxIcon icon) {
  Surface shown = window_;
  TextRasterizer* text = nullptr;
  try {
    text = &Text();
  } catch (const std::exception& error) {
    std::cerr << "nurumo: " << error.what() << '\n';  // no font: the box still shows and closes
  }
  DrawMessageBox(shown, text, caption_cp932, text_cp932, icon);
  if (!text) std::cerr << Cp932ToUtf8(caption_cp932) << ": " << Cp932ToUtf8(text_cp932) << '\n';
  Render(shown);

  SDL_Event event;
  while (SDL_WaitEvent(&event)) {  // modal: the pump waits until the box is closed
    if (ClosesBox(event)) break;
    if (event.type == SDL_QUIT) {
      deferred_.push_back({InputEvent::Kind::Quit, 0});  // closing the window still ends the game
      break;
    }
    if (event.type == MusicNotifyEventType()) deferred_.push_back({InputEvent::Kind::MusicNotify, 0});
    if (event.type == SDL_WINDOWEVENT) Render(shown);
  }
  Render(window_);
}

bool SdlPlatform::LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) {
  return LoadBmpWithSdl(file, out, error);
}

TextRasterizer& SdlPlatform::Text() {
  if (!text_) text_ = MakeTtfTextRasterizer();
  return *text_;
}

void SdlPlatform::ToggleFullscreen() {
  fullscreen_ = !fullscreen_;
  SDL_SetWindowFullscreen(sdl_window_, fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  Render(window_);
}

void SdlPlatform::SaveScreenshot() {
  const std::filesystem::path folder = files_.data_dir() / "screenshots";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::string error;
  const std::filesystem::path path = ScreenshotPath(folder);
  if (ec || !SavePngWithSdl(window_, path, error))
    std::cerr << "nurumo: cannot save a screenshot in " << folder.string() << ": " << (ec ? ec.message() : error)
              << '\n';
}

}  // namespace nurumo
