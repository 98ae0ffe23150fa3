// Silent devices for the headless mode. They open no audio device, but the
// music device keeps the state the game asks about: a piece opened is
// "stopped", played is "playing", closed is "". A piece never ends by itself,
// since no time passes inside a silent device.
#include <system_error>

#include "platform/devices.h"

namespace nurumo {

namespace {

class NullMusic : public MusicDevice {
 public:
  bool Open(const std::filesystem::path& file) override {
    Close();
    std::error_code ec;
    open_ = std::filesystem::is_regular_file(file, ec);  // a missing file opens nothing
    return open_;
  }
  void Play() override { playing_ = open_; }
  void PlayFromStart() override { playing_ = open_; }
  std::string Mode() override { return !open_ ? "" : playing_ ? "playing" : "stopped"; }
  void Close() override { open_ = playing_ = false; }

 private:
  bool open_ = false;
  bool playing_ = false;
};

class NullSound : public SoundDevice {
 public:
  void Play(const std::filesystem::path&, bool) override {}
  void Stop() override {}
};

}  // namespace

std::unique_ptr<MusicDevice> MakeNullMusicDevice() { return std::make_unique<NullMusic>(); }
std::unique_ptr<SoundDevice> MakeNullSoundDevice() { return std::make_unique<NullSound>(); }

}  // namespace nurumo
