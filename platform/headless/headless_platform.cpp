#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/bmp_sdl.h"
#include "platform/devices.h"

namespace nurumo {

HeadlessPlatform::HeadlessPlatform(FileSystem files)
    : files_(std::move(files)), music_(MakeNullMusicDevice()), sound_(MakeNullSoundDevice()) {
  ResizeSurface(window_, 416, 256);
  std::fill(window_.pixels.begin(), window_.pixels.end(), uint8_t{255});  // a white client area
}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::WaitForEvents(uint32_t until) {
  if (!pending_.empty()) return;
  if (static_cast<int32_t>(until - clock_) > 0) clock_ = until;
}

bool HeadlessPlatform::PollEvent(InputEvent& event) {
  if (pending_.empty()) return false;
  event = pending_.front();
  pending_.pop_front();
  return true;
}

void HeadlessPlatform::Present(const Surface& frame) {
  PresentColumn(frame, 0, window_.width);
}

void HeadlessPlatform::PresentColumn(const Surface& frame, int x, int w) {
  ++presents_;
  int x0 = std::max(0, x);
  int x1 = std::min({x + w, window_.width, frame.width});
  int rows = std::min(window_.height, frame.height);
  if (x1 <= x0) return;
  for (int y = 0; y < rows; ++y)
    std::memcpy(window_.Row(y) + x0 * 3, frame.Row(y) + x0 * 3, static_cast<std::size_t>(x1 - x0) * 3);
}

void HeadlessPlatform::MessageBox(const std::string& caption_cp932, const std::string& text_cp932,
                                  BoxIcon icon) {
  boxes_.push_back({caption_cp932, text_cp932, icon});
}

bool HeadlessPlatform::LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) {
  return LoadBmpWithSdl(file, out, error);
}

TextRasterizer& HeadlessPlatform::Text() {
  if (!text_) text_ = MakeTtfTextRasterizer();  // made on first use: tests that draw no text need no font
  return *text_;
}

}  // namespace nurumo
