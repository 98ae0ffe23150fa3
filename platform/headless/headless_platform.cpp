#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <iostream>

#include "platform/bmp_sdl.h"
#include "platform/devices.h"
#include "platform/system.h"

namespace nurumo {

HeadlessPlatform::HeadlessPlatform(FileSystem files)
    : files_(std::move(files)), music_(MakeNullMusicDevice()), sound_(MakeNullSoundDevice()) {
  ResizeSurface(window_, 416, 256);
  std::fill(window_.pixels.begin(), window_.pixels.end(), uint8_t{255});  // a white client area
}

namespace {

// Set by the signal handler, read by the pump's thread: the one thing a
// handler may safely do. A process has one set of handlers, hence one flag.
volatile std::sig_atomic_t close_signal = 0;

void OnCloseSignal() { close_signal = 1; }

// The close request a signal left, taken once.
bool TakeCloseSignal() {
  if (!close_signal) return false;
  close_signal = 0;
  return true;
}

}  // namespace

HeadlessPlatform::~HeadlessPlatform() {
  if (signals_) StopWatchingCloseRequests();
}

void HeadlessPlatform::CloseOnSignals() {
  if (signals_) return;
  close_signal = 0;
  WatchCloseRequests(OnCloseSignal);
  signals_ = true;
}

namespace {

// The earlier of two wake-up times, counted from now modulo 2^32.
uint32_t Earlier(uint32_t now, uint32_t a, uint32_t b) {
  return static_cast<int32_t>(a - now) <= static_cast<int32_t>(b - now) ? a : b;
}

}  // namespace

void HeadlessPlatform::WaitForEvents(uint32_t until) {
  if (!pending_.empty() || (replay_ && replay_->Due(clock_)) || (signals_ && close_signal)) return;
  if (replay_) {
    if (auto next = replay_->NextTime()) until = Earlier(clock_, until, *next);
  }
  if (stop_ && !stop_sent_) until = Earlier(clock_, until, *stop_);
  if (static_cast<int32_t>(until - clock_) > 0) clock_ = until;  // nothing happens in between
}

bool HeadlessPlatform::PollEvent(InputEvent& event) {
  if (signals_ && TakeCloseSignal()) {
    event = {InputEvent::Kind::Quit, 0};
    return true;
  }
  if (!pending_.empty()) {
    event = pending_.front();
    pending_.pop_front();
    return true;
  }
  if (replay_ && replay_->Next(clock_, window_, event)) return true;
  if (stop_ && !stop_sent_ && static_cast<int32_t>(clock_ - *stop_) >= 0) {
    stop_sent_ = true;  // the end of the run closes the window once
    event = {InputEvent::Kind::Quit, 0};
    return true;
  }
  return false;
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

void HeadlessPlatform::Note(const std::string& utf8_line) {
  notes_.push_back(utf8_line);
  std::cerr << "nurumo: " << utf8_line << '\n';
}

bool HeadlessPlatform::LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) {
  return LoadBmpWithSdl(file, out, error);
}

TextRasterizer& HeadlessPlatform::Text() {
  if (!text_) text_ = MakeTtfTextRasterizer(text_rendering_);
  return *text_;
}

void HeadlessPlatform::SetTextRendering(TextRendering rendering) {
  text_rendering_ = rendering;
  text_.reset();
}

}  // namespace nurumo
