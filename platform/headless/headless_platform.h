// The headless platform: no window and no audio device, a virtual
// millisecond clock, message boxes answered OK at once. Frames are still
// composed and kept, so snapshots show what a player would see.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/replay.h"

namespace nurumo {

class HeadlessPlatform : public Platform {
 public:
  struct Box {
    std::string caption;  // CP932
    std::string text;     // CP932
    BoxIcon icon;
  };

  explicit HeadlessPlatform(FileSystem files);
  ~HeadlessPlatform() override;

  uint32_t Now() override { return clock_; }
  void WaitForEvents(uint32_t until) override;
  bool PollEvent(InputEvent& event) override;
  void Present(const Surface& frame) override;
  void PresentColumn(const Surface& frame, int x, int w) override;
  void SetCaption(const std::string& cp932) override { caption_ = cp932; }
  void MessageBox(const std::string& caption_cp932, const std::string& text_cp932, BoxIcon icon) override;
  void Note(const std::string& utf8_line) override;
  bool LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) override;
  TextRasterizer& Text() override;
  void SetTextRendering(TextRendering rendering) override;
  MusicDevice& Music() override { return *music_; }
  SoundDevice& Sound() override { return *sound_; }
  FileSystem& Files() override { return files_; }

  // For tests and replays.
  void SetClock(uint32_t now) { clock_ = now; }
  void PushEvent(const InputEvent& event) { pending_.push_back(event); }
  void PushKey(int vk) { pending_.push_back({InputEvent::Kind::Key, vk}); }
  const std::vector<Box>& boxes() const { return boxes_; }
  const std::vector<std::string>& notes() const { return notes_; }
  const std::string& caption() const { return caption_; }
  const Surface& window() const { return window_; }  // 416 x 256, as last presented
  int presents() const { return presents_; }

  // Replayed lines arrive in the first pass at or after their time; waiting
  // wakes for them as for a due slot.
  void AttachReplay(std::unique_ptr<ReplayFeeder> replay) { replay_ = std::move(replay); }
  // At this virtual time the run ends with a close request.
  void SetStopTime(uint32_t stop) {
    stop_ = stop;
    stop_sent_ = false;
  }
  // SIGINT, SIGTERM and SIGHUP become a close request, as the window's close button
  // is, until the platform goes; the earlier handlers then come back.
  void CloseOnSignals();

 private:
  FileSystem files_;
  uint32_t clock_ = 0;
  std::deque<InputEvent> pending_;
  std::vector<Box> boxes_;
  std::vector<std::string> notes_;
  std::string caption_;
  Surface window_;
  int presents_ = 0;
  std::unique_ptr<ReplayFeeder> replay_;
  std::optional<uint32_t> stop_;
  bool stop_sent_ = false;
  bool signals_ = false;
  TextRendering text_rendering_ = kDefaultTextRendering;
  std::unique_ptr<TextRasterizer> text_;  // made on first use: what draws no text needs no font
  std::unique_ptr<MusicDevice> music_;
  std::unique_ptr<SoundDevice> sound_;
};

}  // namespace nurumo
