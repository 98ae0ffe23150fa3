// The SDL platform: a real window of 416 x 256 logical pixels shown at an
// integer scale, keys as virtual key codes, message boxes drawn inside the
// window (SDL's own box cannot show Japanese), SDL2_mixer audio.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/replay.h"

struct SDL_Window;

namespace nurumo {

struct SdlWindowOptions {
  int scale = 0;  // 1..8; 0: the largest up to 3 that fits in 85% of the desktop
  bool fullscreen = false;
  int box_closes_after_ms = 0;  // a message box closes by itself after this long; 0: never
};

// The scale chosen when none is given.
int DefaultScale(int desktop_width, int desktop_height);

class SdlPlatform : public Platform {
 public:
  // Opens the window; throws std::runtime_error (UTF-8) when it cannot.
  SdlPlatform(FileSystem files, const SdlWindowOptions& options);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  uint32_t Now() override;
  void WaitForEvents(uint32_t until) override;
  bool PollEvent(InputEvent& event) override;
  void Present(const Surface& frame) override;
  void PresentColumn(const Surface& frame, int x, int w) override;
  void SetCaption(const std::string& cp932) override;
  void MessageBox(const std::string& caption_cp932, const std::string& text_cp932, BoxIcon icon) override;
  void Note(const std::string& utf8_line) override;
  bool LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) override;
  TextRasterizer& Text() override;
  void SetTextRendering(TextRendering rendering) override;
  MusicDevice& Music() override { return *music_; }
  SoundDevice& Sound() override { return *sound_; }
  FileSystem& Files() override { return files_; }

  int Scale() override { return scale_; }
  int MaxScale() override;
  void SetScale(int scale) override;
  bool Fullscreen() override { return fullscreen_; }
  void SetFullscreen(bool on) override;

  void AttachReplay(std::unique_ptr<ReplayFeeder> replay) { replay_ = std::move(replay); }
  const Surface& window() const { return window_; }
  SDL_Window* sdl_window() const { return sdl_window_; }

 private:
  bool Translate(const void* sdl_event, InputEvent& out);  // false: nothing for the game
  // Shows rows y0..y1-1 of `shown`; the whole picture and the borders
  // when y0 is negative.
  void Render(const Surface& shown, int y0 = -1, int y1 = 0);
  // A point of the window in the picture's pixels; false outside the picture.
  bool ToPicture(int window_x, int window_y, int& x, int& y);
  void SaveScreenshot();

  FileSystem files_;
  SDL_Window* sdl_window_ = nullptr;
  uint32_t start_ticks_ = 0;
  bool fullscreen_ = false;
  int box_closes_after_ms_ = 0;
  int scale_ = 1;
  Surface window_;                    // the client area as the game last presented it
  std::deque<InputEvent> deferred_;   // arrived while a message box was up
  std::unique_ptr<ReplayFeeder> replay_;
  TextRendering text_rendering_ = kDefaultTextRendering;
  std::unique_ptr<TextRasterizer> text_;  // made on first use: what draws no text needs no font
  std::unique_ptr<MusicDevice> music_;
  std::unique_ptr<SoundDevice> sound_;
};

}  // namespace nurumo
