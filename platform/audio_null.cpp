// Placeholder; the silent devices land with the sound work.
#include "platform/devices.h"

namespace nurumo {

namespace {
class NullMusic : public MusicDevice {
 public:
  bool Open(const std::filesystem::path&) override { return false; }
  void Play() override {}
  void PlayFromStart() override {}
  std::string Mode() override { return {}; }
  void Close() override {}
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
