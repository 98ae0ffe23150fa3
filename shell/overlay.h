// The platform the game sees: the real one, except that while the shell has
// something to show over the picture (a notice), every frame the game
// presents gets it drawn on top first. With nothing to show, frames pass
// straight through.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace nurumo {

class OverlayPlatform : public Platform {
 public:
  explicit OverlayPlatform(Platform& real) : real_(real) {}

  // Drawn over a copy of each presented frame; empty: nothing is drawn.
  void SetDecoration(std::function<void(Surface&)> draw) { decoration_ = std::move(draw); }
  bool decorated() const { return static_cast<bool>(decoration_); }
  Platform& real() { return real_; }

  uint32_t Now() override { return real_.Now(); }
  void WaitForEvents(uint32_t until) override { real_.WaitForEvents(until); }
  bool PollEvent(InputEvent& event) override { return real_.PollEvent(event); }
  void Present(const Surface& frame) override;
  void PresentColumn(const Surface& frame, int x, int w) override;
  void SetCaption(const std::string& cp932) override { real_.SetCaption(cp932); }
  void MessageBox(const std::string& caption_cp932, const std::string& text_cp932, BoxIcon icon) override {
    real_.MessageBox(caption_cp932, text_cp932, icon);
  }
  void Note(const std::string& utf8_line) override { real_.Note(utf8_line); }
  bool LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) override {
    return real_.LoadBmp(file, out, error);
  }
  TextRasterizer& Text() override { return real_.Text(); }
  MusicDevice& Music() override { return real_.Music(); }
  SoundDevice& Sound() override { return real_.Sound(); }
  FileSystem& Files() override { return real_.Files(); }
  int Scale() override { return real_.Scale(); }
  int MaxScale() override { return real_.MaxScale(); }
  void SetScale(int scale) override { real_.SetScale(scale); }
  bool Fullscreen() override { return real_.Fullscreen(); }
  void SetFullscreen(bool on) override { real_.SetFullscreen(on); }

 private:
  Platform& real_;
  std::function<void(Surface&)> decoration_;
  Surface composed_;
};

}  // namespace nurumo
