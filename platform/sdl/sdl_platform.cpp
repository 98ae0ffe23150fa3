#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "core/text.h"
#include "platform/bmp_sdl.h"
#include "platform/devices.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "platform/sdl/box_drawing.h"
#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/system.h"

namespace nurumo {

namespace {

constexpr int kClientWidth = 416;
constexpr int kClientHeight = 256;

std::runtime_error SdlFailure(const char* what) {
  return std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

PadButton PadButtonFromSdl(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B: return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X: return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y: return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::Right;
    case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
    default: return PadButton::Other;
  }
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
  LocalTime(now, local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::filesystem::path path = folder / (std::string(stamp) + ".png");
  for (int n = 2; std::filesystem::exists(path); ++n)
    path = folder / (std::string(stamp) + "-" + std::to_string(n) + ".png");
  return path;
}

// A close asked for from the console (Windows): the window's own quit.
void PostQuit() {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
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
    : files_(std::move(files)), fullscreen_(options.fullscreen), box_closes_after_ms_(options.box_closes_after_ms) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // the system's plain framebuffer: no GL for a small picture
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) throw SdlFailure("cannot start SDL");
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);  // pads are a comfort: without them the keys still play
  WatchConsoleClose(PostQuit);
  int scale = options.scale;
  if (scale <= 0) {
    SDL_DisplayMode desktop{};
    scale = SDL_GetDesktopDisplayMode(0, &desktop) == 0 ? DefaultScale(desktop.w, desktop.h) : 1;
  }
  const Uint32 flags = SDL_WINDOW_SHOWN | (fullscreen_ ? Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP} : 0u);
  scale_ = scale;
  sdl_window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kClientWidth * scale,
                                 kClientHeight * scale, flags);
  if (!sdl_window_) throw SdlFailure("cannot open the window");
  if (!SDL_GetWindowSurface(sdl_window_)) throw SdlFailure("cannot draw into the window");
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
  if (sdl_window_) SDL_DestroyWindow(sdl_window_);
  SDL_Quit();
  StopWatchingConsoleClose();
}

uint32_t SdlPlatform::Now() { return SDL_GetTicks() - start_ticks_; }  // wraps like the game's clock

void SdlPlatform::WaitForEvents(uint32_t until) {
  const uint32_t now = Now();
  if (!deferred_.empty() || (replay_ && replay_->Due(now))) return;
  if (replay_) {
    if (auto next = replay_->NextTime(); next && static_cast<int32_t>(*next - until) < 0) until = *next;
  }
  const int32_t wait = static_cast<int32_t>(until - now);
  if (wait <= 0) return;
  RestIdleAudio();  // silence is not mixed while the game waits
  WaitForSdlEvent(wait);  // leaves the event in the queue
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
    if (event.window.event == SDL_WINDOWEVENT_HIDDEN && HidingMayEnd()) {
      out = {InputEvent::Kind::Hidden, 0};
      return true;
    }
    return false;
  }
  if (event.type == SDL_MOUSEBUTTONDOWN) {
    const int button = event.button.button == SDL_BUTTON_LEFT    ? kLeftButton
                       : event.button.button == SDL_BUTTON_RIGHT ? kRightButton
                                                                 : 0;
    int x = 0, y = 0;
    if (button == 0 || !ToPicture(event.button.x, event.button.y, x, y)) return false;
    out = {InputEvent::Kind::Click, 0, button, x, y};
    return true;
  }
  if (event.type == SDL_MOUSEWHEEL) {
    const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
    if (notches == 0) return false;
    out = {InputEvent::Kind::Wheel, 0, notches, 0, 0};
    return true;
  }
  if (event.type == SDL_CONTROLLERDEVICEADDED) {
    SDL_GameControllerOpen(event.cdevice.which);  // hot-plugged: kept open until it goes
    return false;
  }
  if (event.type == SDL_CONTROLLERDEVICEREMOVED) {
    if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(event.cdevice.which)) SDL_GameControllerClose(pad);
    return false;
  }
  if (event.type == SDL_CONTROLLERBUTTONDOWN) {
    out = {InputEvent::Kind::Pad, static_cast<int>(PadButtonFromSdl(event.cbutton.button)), 0, 0, 0};
    return true;
  }
  if (event.type != SDL_KEYDOWN) return false;
  const SDL_Keycode key = event.key.keysym.sym;
  if (key == SDLK_F11) {
    SetFullscreen(!fullscreen_);
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

// The window's own surface, scaled by hand: only the rows that changed are
// copied and sent to the display, so an idle screen costs next to nothing
// (a renderer would redraw and send the whole scaled window every frame).
void SdlPlatform::Render(const Surface& shown, int y0, int y1) {
  SDL_Surface* target = SDL_GetWindowSurface(sdl_window_);  // renewed by SDL after a size change
  if (!target) return;
  const int scale = std::max(1, std::min(target->w / kClientWidth, target->h / kClientHeight));  // whole pixels
  const int left = std::max(0, (target->w - kClientWidth * scale) / 2);
  const int top = std::max(0, (target->h - kClientHeight * scale) / 2);
  const bool whole = y0 < 0;
  if (whole) {
    y0 = 0;
    y1 = kClientHeight;
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));  // black borders in full screen
  }
  const int columns = std::min(kClientWidth, (target->w - left) / scale);
  const int bytes = target->format->BytesPerPixel;
  const SDL_PixelFormat& fmt = *target->format;
  const bool eight_bit = !fmt.Rloss && !fmt.Gloss && !fmt.Bloss;  // else the general, slower mapping
  SDL_LockSurface(target);
  std::vector<Uint32> line(static_cast<std::size_t>(columns * scale));
  for (int y = y0; y < y1 && (top + y * scale) < target->h; ++y) {
    const uint8_t* from = shown.Row(y);
    for (int x = 0; x < columns; ++x) {
      const Uint8 r = from[x * 3 + 2], g = from[x * 3 + 1], b = from[x * 3];
      const Uint32 pixel = eight_bit ? (Uint32{r} << fmt.Rshift) | (Uint32{g} << fmt.Gshift) |
                                           (Uint32{b} << fmt.Bshift) | fmt.Amask
                                     : SDL_MapRGB(&fmt, r, g, b);
      for (int i = 0; i < scale; ++i) line[static_cast<std::size_t>(x * scale + i)] = pixel;
    }
    for (int i = 0; i < scale && top + y * scale + i < target->h; ++i) {
      auto* row = static_cast<uint8_t*>(target->pixels) + (top + y * scale + i) * target->pitch + left * bytes;
      if (bytes == 4) {
        std::memcpy(row, line.data(), line.size() * 4);
      } else {
        for (std::size_t x = 0; x < line.size(); ++x) std::memcpy(row + x * static_cast<std::size_t>(bytes), &line[x], static_cast<std::size_t>(bytes));  // little-endian hosts
      }
    }
  }
  SDL_UnlockSurface(target);
  if (whole) {
    SDL_UpdateWindowSurface(sdl_window_);
  } else {
    const SDL_Rect changed{left, top + y0 * scale, columns * scale, (y1 - y0) * scale};
    SDL_UpdateWindowSurfaceRects(sdl_window_, &changed, 1);
  }
}

void SdlPlatform::Present(const Surface& frame) { PresentColumn(frame, 0, kClientWidth); }

void SdlPlatform::PresentColumn(const Surface& frame, int x, int w) {
  const int x0 = std::max(0, x);
  const int x1 = std::min({x + w, window_.width, frame.width});
  const int rows = std::min(window_.height, frame.height);
  if (x1 <= x0) return;
  int first = rows, last = -1;  // the rows that changed
  for (int y = 0; y < rows; ++y) {
    uint8_t* row = window_.Row(y) + x0 * 3;
    const uint8_t* from = frame.Row(y) + x0 * 3;
    const auto bytes = static_cast<std::size_t>(x1 - x0) * 3;
    if (std::memcmp(row, from, bytes) == 0) continue;
    std::memcpy(row, from, bytes);
    first = std::min(first, y);
    last = y;
  }
  if (last >= first) Render(window_, first, last + 1);  // a still screen costs no drawing at all
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
  const uint32_t shown_at = SDL_GetTicks();
  for (;;) {  // modal: the pump waits until the box is closed
    int timeout = -1;
    if (box_closes_after_ms_ > 0) {
      timeout = box_closes_after_ms_ - static_cast<int>(SDL_GetTicks() - shown_at);
      if (timeout <= 0) break;  // nobody is there to close it
    }
    if (!SDL_WaitEventTimeout(&event, timeout)) {
      if (timeout < 0) break;  // waiting failed
      continue;
    }
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

void SdlPlatform::Note(const std::string& utf8_line) { std::cerr << "nurumo: " << utf8_line << '\n'; }

bool SdlPlatform::LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) {
  return LoadBmpWithSdl(file, out, error);
}

TextRasterizer& SdlPlatform::Text() {
  if (!text_) text_ = MakeTtfTextRasterizer(text_rendering_);
  return *text_;
}

void SdlPlatform::SetTextRendering(TextRendering rendering) {
  text_rendering_ = rendering;
  text_.reset();
}

void SdlPlatform::SetFullscreen(bool on) {
  fullscreen_ = on;
  SDL_SetWindowFullscreen(sdl_window_, fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  Render(window_);
}

int SdlPlatform::MaxScale() {
  SDL_DisplayMode desktop{};
  const int display = std::max(0, SDL_GetWindowDisplayIndex(sdl_window_));
  if (SDL_GetDesktopDisplayMode(display, &desktop) != 0) return scale_;
  return std::clamp(std::min(desktop.w / kClientWidth, desktop.h / kClientHeight), 1, 8);
}

void SdlPlatform::SetScale(int scale) {
  scale_ = std::clamp(scale, 1, 8);
  SDL_SetWindowSize(sdl_window_, kClientWidth * scale_, kClientHeight * scale_);
  SDL_SetWindowPosition(sdl_window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  Render(window_);
}

bool SdlPlatform::ToPicture(int window_x, int window_y, int& x, int& y) {
  int w = 0, h = 0;
  SDL_GetWindowSize(sdl_window_, &w, &h);
  const int scale = std::max(1, std::min(w / kClientWidth, h / kClientHeight));  // as Render draws it
  const int left = std::max(0, (w - kClientWidth * scale) / 2);
  const int top = std::max(0, (h - kClientHeight * scale) / 2);
  if (window_x < left || window_y < top) return false;
  x = (window_x - left) / scale;
  y = (window_y - top) / scale;
  return x < kClientWidth && y < kClientHeight;
}

void SdlPlatform::SaveScreenshot() {
  const std::filesystem::path folder = files_.data_dir() / "screenshots";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::string error;
  const std::filesystem::path path = ScreenshotPath(folder);
  if (ec || !SavePngWithSdl(window_, path, error))
    std::cerr << "nurumo: cannot save a screenshot in " << Utf8Of(folder) << ": " << (ec ? ec.message() : error)
              << '\n';
}

}  // namespace nurumo
