#include "sound/wave.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support.h"

namespace nurumo {
namespace {

class FakeSound : public SoundDevice {
 public:
  void Play(const std::filesystem::path& file, bool loop) override {
    log.push_back(file.filename().string() + (loop ? " loop" : " once"));
  }
  void Stop() override { log.push_back("stop"); }
  std::vector<std::string> log;
};

class FakeSoundPlatform : public HeadlessPlatform {
 public:
  using HeadlessPlatform::HeadlessPlatform;
  SoundDevice& Sound() override { return fake; }
  FakeSound fake;
};

TEST(Wave, HandsTheDeviceEachSoundAndTracesItAsTheGameNamedIt) {
  testing::TempDir dir;
  dir.Write("dat/Suka.WAV", "RIFF");
  FakeSoundPlatform platform{FileSystem(dir.path())};
  Game game(platform, 1);
  std::ostringstream trace;
  game.trace.Open(&trace, [] { return 5u; });

  InitWave(game);
  PlayWave(game, "dat\\suka.wav", true);
  PlayWave(game, "dat\\nuru01.wav", false);  // missing: the device gets it and stays silent
  DoneWave(game);

  EXPECT_EQ(platform.fake.log,
            (std::vector<std::string>{"stop", "Suka.WAV loop", "nuru01.wav once", "stop"}));
  EXPECT_EQ(trace.str(),
            "{\"t\":5,\"ev\":\"wave-stop\"}\n"
            "{\"t\":5,\"ev\":\"wave\",\"file\":\"dat\\\\suka.wav\",\"loop\":true}\n"
            "{\"t\":5,\"ev\":\"wave\",\"file\":\"dat\\\\nuru01.wav\",\"loop\":false}\n"
            "{\"t\":5,\"ev\":\"wave-stop\"}\n");
}

}  // namespace
}  // namespace nurumo
