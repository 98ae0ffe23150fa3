// The SDL2_mixer devices on SDL's disk audio driver: whatever the mixer
// plays is written as raw samples to a file, which the tests then read.
#include "platform/audio_sdl.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices.h"
#include "platform/sdl/sdl_events.h"
#include "tests/sound_fixtures.h"

namespace nurumo {
namespace {

using namespace std::chrono_literals;

using testing::Bytes;
using testing::kEndOfTrack;
using testing::kOrganSeconds;
using testing::OrganNote;
using testing::Smf;
using testing::Wave;

// Sends the mixer's output to a file and reads it back as 16-bit frames.
class DiskAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    raw_ = dir_.path() / "out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "2", 1);  // ms a buffer: faster than real time, yet bounded
    unsetenv("SDL_SOUNDFONTS");
  }

  // Wait until `seconds` more of output have been written.
  void Let(double seconds) {
    const auto want = Written() + static_cast<std::uintmax_t>(seconds * kRate) * 4;
    const auto give_up = std::chrono::steady_clock::now() + 30s;
    while (Written() < want && std::chrono::steady_clock::now() < give_up) std::this_thread::sleep_for(5ms);
    ASSERT_GE(Written(), want) << "the audio device stopped writing";
  }
  std::uintmax_t Written() const {
    std::error_code ec;
    auto size = std::filesystem::file_size(raw_, ec);
    return ec ? 0 : size;
  }
  // Both channels' samples, once the devices are gone and the file closed.
  std::vector<int16_t> Samples() const {
    std::string bytes = dir_.Read("out.raw");
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }
  void CheckSpec() const {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_EQ(Mix_QuerySpec(&rate, &format, &channels), 1);
    ASSERT_EQ(rate, kRate);
    ASSERT_EQ(format, AUDIO_S16SYS);
    ASSERT_EQ(channels, 2);
  }

  static constexpr int kRate = 22050;  // the device's rate
  testing::TempDir dir_;
  std::filesystem::path raw_;
};

// Our own lines on standard error; SDL's disk driver adds lines of its own.
std::string OurLines(const std::string& said) {
  std::string ours;
  for (std::size_t at = said.find("nurumo: "); at != std::string::npos; at = said.find("nurumo: ", at + 1))
    ours += said.substr(at, said.find('\n', at) - at + 1);
  return ours;
}

bool Loud(int16_t s) { return std::abs(static_cast<int>(s)) > 300; }  // about 1% of full scale

struct Shape {
  double first = -1, last = -1;  // seconds of the first and last loud frame
  double longest_quiet = 0;      // seconds, between those two
};
Shape Measure(const std::vector<int16_t>& samples, int rate) {
  Shape shape;
  std::size_t frames = samples.size() / 2, run = 0, longest = 0;
  bool seen = false;
  for (std::size_t i = 0; i < frames; ++i) {
    if (Loud(samples[2 * i]) || Loud(samples[2 * i + 1])) {
      if (!seen) shape.first = static_cast<double>(i) / rate;
      if (seen) longest = std::max(longest, run);
      seen = true;
      run = 0;
      shape.last = static_cast<double>(i) / rate;
    } else {
      ++run;
    }
  }
  shape.longest_quiet = static_cast<double>(longest) / rate;
  return shape;
}

TEST_F(DiskAudio, AMidiPieceSoundsAndItsEndReachesTheGameAsAnEvent) {
  dir_.Write("dat/note.mid", OrganNote());
  {
    auto music = MakeSdlMusicDevice();
    CheckSpec();
    ASSERT_TRUE(music->Open(dir_.path() / "dat/note.mid"));
    EXPECT_EQ(music->Mode(), "stopped");
    music->Play();
    EXPECT_EQ(music->Mode(), "playing");
    SDL_Event event;
    bool notified = false;
    const auto give_up = std::chrono::steady_clock::now() + 30s;
    while (!notified && std::chrono::steady_clock::now() < give_up) {
      notified = SDL_WaitEventTimeout(&event, 100) == 1 && event.type == MusicNotifyEventType();
    }
    ASSERT_TRUE(notified);
    EXPECT_EQ(music->Mode(), "stopped");
    music->Close();
    EXPECT_EQ(music->Mode(), "");
  }
  Shape shape = Measure(Samples(), kRate);
  ASSERT_GE(shape.first, 0.0) << "the piece was silent";
  EXPECT_GE(shape.last - shape.first, kOrganSeconds * 0.8);
}

// Sloppy files, which a repair in memory makes playable, sound and loop as
// the sound one does; so do files FluidSynth would hang on as they stand.
TEST_F(DiskAudio, ALoopingPieceRestartsWithoutAGap) {
  struct Case {
    const char* what;
    std::string file;
  };
  const std::vector<Case> cases = {
      {"sound", OrganNote()},
      {"no End of Track", Smf({testing::kOrganTrack})},
      {"a chunk length past the end of the file", OrganNote().replace(20, 1, "\x01")},
      {"bytes after the last chunk", OrganNote() + Bytes({0, 0, 0x1A})},
      {"a chunk of another kind before the track", OrganNote().insert(14, "XFIH" + Bytes({0, 0, 0, 2, 1, 2}))},
      {"an escaped system exclusive packet", Smf({Bytes({0, 0xF7, 1, 0xF8}) + testing::kOrganTrack + kEndOfTrack})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir_.Write("dat/loop.mid", c.file);
    {
      auto music = MakeSdlMusicDevice();
      music->SetLoopHint(true);
      ASSERT_TRUE(music->Open(dir_.path() / "dat/loop.mid"));
      music->Play();
      Let(4.0);
      EXPECT_EQ(music->Mode(), "playing");
    }
    Shape shape = Measure(Samples(), kRate);
    ASSERT_GE(shape.first, 0.0) << "the piece was silent";
    EXPECT_GE(shape.last - shape.first, 6 * kOrganSeconds) << "it did not loop";
    EXPECT_LT(shape.longest_quiet, 0.050);
    std::printf("%s: longest silence at the loop points: %.1f ms\n", c.what, shape.longest_quiet * 1000);
    if (c.file == OrganNote()) RecordProperty("loop_gap_ms", std::to_string(shape.longest_quiet * 1000));
  }
}

// Waves as the sound editors of old wrote them: each plays its tone whole,
// or as much of it as the file holds.
TEST_F(DiskAudio, WavesOfEveryCommonShapePlayTheirTone) {
  using testing::Riff;
  using testing::PcmSamples;
  using testing::Tone;
  using testing::WaveFormat;
  auto data_file = [](const char* name) {
    std::ifstream in(std::string(NURUMO_SOURCE_DIR) + "/tests/data/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string pcm = PcmSamples(Tone(440, 0.25, 11025), 16);
  const std::string plain = Riff({{"fmt ", WaveFormat(1, 1, 11025, 16)}, {"data", pcm}});
  const std::size_t data_size_at = plain.find("data") + 4;
  struct Case {
    const char* what;
    std::string file;
    double seconds;  // of tone
  };
  const std::vector<Case> cases = {
      {"16-bit at 11 kHz", plain, 0.25},
      {"8-bit unsigned",
       Riff({{"fmt ", WaveFormat(1, 1, 11025, 8)}, {"data", PcmSamples(Tone(440, 0.25, 11025), 8)}}), 0.25},
      {"stereo at 44.1 kHz",
       Riff({{"fmt ", WaveFormat(1, 2, 44100, 16)}, {"data", PcmSamples(Tone(440, 0.25, 44100), 16, 2)}}), 0.25},
      {"32-bit float",
       Riff({{"fmt ", WaveFormat(3, 1, 11025, 32)}, {"data", PcmSamples(Tone(440, 0.25, 11025), 32)}}), 0.25},
      {"IMA ADPCM", data_file("tone_ima_adpcm.wav"), 0.25},
      {"MS ADPCM", data_file("tone_ms_adpcm.wav"), 0.25},
      {"A-law", data_file("tone_alaw.wav"), 0.25},
      {"a LIST chunk before the format",
       Riff({{"LIST", "INFOISFT" + Bytes({11, 0, 0, 0}) + "Old Editor" + Bytes({0, 0})},
             {"fmt ", WaveFormat(1, 1, 11025, 16)},
             {"data", pcm}}),
       0.25},
      {"a RIFF size past the end", Riff({{"fmt ", WaveFormat(1, 1, 11025, 16)}, {"data", pcm}}, 0x00FFFFFF), 0.25},
      {"a RIFF size of the whole file", Riff({{"fmt ", WaveFormat(1, 1, 11025, 16)}, {"data", pcm}},
                                              static_cast<uint32_t>(plain.size())),
       0.25},
      {"a data size past the end", std::string(plain).replace(data_size_at, 4, Bytes({0, 0, 1, 0})), 0.25},
      {"a file cut in half", plain.substr(0, plain.size() / 2), 0.25 / 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir_.Write("dat/tone.wav", c.file);
    {
      auto sound = MakeSdlSoundDevice();
      sound->Play(dir_.path() / "dat/tone.wav", false);
      Let(c.seconds + 0.3);
    }
    std::vector<int16_t> samples = Samples();
    Shape shape = Measure(samples, kRate);
    ASSERT_GE(shape.first, 0.0) << "the sound was silent";
    const double span = shape.last - shape.first;
    EXPECT_NEAR(span, c.seconds, 0.03);
    int crossings = 0;  // of the left channel, while the tone sounds
    for (auto i = static_cast<std::size_t>(shape.first * kRate); i + 1 < static_cast<std::size_t>(shape.last * kRate); ++i)
      crossings += (samples[2 * i] < 0) != (samples[2 * i + 2] < 0);
    EXPECT_NEAR(crossings / 2.0 / span, 440.0, 440.0 * 0.05);
    std::printf("%s: %.3f s of %.0f Hz\n", c.what, span, crossings / 2.0 / span);
  }
}

// A looping sound ends when another sound replaces it or when it is stopped.
TEST_F(DiskAudio, AWaveSoundsAndANewOneReplacesALoopingOne) {
  dir_.Write("dat/a.wav", Wave(440, 0.2));
  dir_.Write("dat/b.wav", Wave(660, 0.2));
  for (bool replace : {true, false}) {
    {
      auto sound = MakeSdlSoundDevice();
      sound->Play(dir_.path() / "dat/a.wav", true);
      Let(1.0);
      if (replace) {
        sound->Play(dir_.path() / "dat/b.wav", false);
      } else {
        sound->Stop();
      }
      Let(1.5);
    }
    Shape shape = Measure(Samples(), kRate);
    ASSERT_GE(shape.first, 0.0) << "the sound was silent";
    double total = static_cast<double>(Samples().size() / 2) / kRate;
    EXPECT_LT(shape.last, total - 1.0) << (replace ? "replaced" : "stopped") << ": the loop went on";
  }
}

// While nothing plays the device is closed (its thread no longer writes);
// what plays next opens it again and sounds whole, and a piece left open
// while it rested plays again. (The disk driver runs faster than real time,
// so the silence it writes while a piece loads is long in its file.)
TEST_F(DiskAudio, TheDeviceRestsInSilenceAndWakesForTheNextSoundWhole) {
  dir_.Write("dat/a.wav", Wave(440, 0.2));
  dir_.Write("dat/note.mid", OrganNote());
  for (bool music_next : {false, true}) {
    SCOPED_TRACE(music_next ? "music next" : "a sound next");
    {
      auto music = MakeSdlMusicDevice();
      auto sound = MakeSdlSoundDevice();
      sound->SetVolume(10);
      ASSERT_TRUE(music->Open(dir_.path() / "dat/note.mid"));
      sound->Play(dir_.path() / "dat/a.wav", true);
      Let(0.3);
      RestIdleAudio();  // a sound plays: the device stays open
      Let(0.3);
      sound->Stop();
      RestIdleAudio();
      std::filesystem::remove(raw_);  // the device writes a fresh file when it opens again
      const auto idle = Written();
      std::this_thread::sleep_for(100ms);
      EXPECT_EQ(Written(), idle) << "the resting device still writes";
      EXPECT_EQ(music->Mode(), "stopped") << "the piece stays open while the device rests";
      if (music_next) {
        music->PlayFromStart();
        EXPECT_EQ(music->Mode(), "playing");
        Let(kOrganSeconds + 0.5);
      } else {
        sound->Play(dir_.path() / "dat/a.wav", false);
        Let(0.5);
      }
    }
    Shape shape = Measure(Samples(), kRate);
    ASSERT_GE(shape.first, 0.0) << "silent after waking";
    EXPECT_GE(shape.last - shape.first, music_next ? kOrganSeconds * 0.8 : 0.19) << "its start was lost";
  }
}

TEST_F(DiskAudio, MusicThatCannotBeReadIsSilenceToldOnceAndASoundIsNotTold) {
  // Looped, the last two would hang the synthesizer's audio thread.
  dir_.Write("dat/bad.mid", "this is not any kind of music at all");
  dir_.Write("dat/short.mid", "MT");
  dir_.Write("dat/silent.mid", Smf({kEndOfTrack}));
  dir_.Write("dat/broken.mid", Smf({Bytes({0, 0x90, 0x3C, 0x64, 0, 0xF9}) + kEndOfTrack}));
  dir_.Write("dat/huge.mid", OrganNote());
  ASSERT_EQ(::mkfifo((dir_.path() / "dat/pipe.wav").c_str(), 0644), 0);
  std::filesystem::resize_file(dir_.path() / "dat/huge.mid", std::uintmax_t{65} << 20);  // sparse: no disk
  ASSERT_EQ(::mkfifo((dir_.path() / "dat/piped.mid").c_str(), 0644), 0);  // nobody writes it
  testing::Deadline deadline(120);                                         // refused, not waited on
  const std::vector<std::string> music_files = {"bad.mid",    "short.mid", "missing.mid", "silent.mid",
                                                "broken.mid", "huge.mid",  "piped.mid"};
  ::testing::internal::CaptureStderr();
  {
    auto music = MakeSdlMusicDevice();
    auto sound = MakeSdlSoundDevice();
    music->SetLoopHint(true);
    for (int i = 0; i < 2; ++i) {
      for (const std::string& name : music_files) {
        EXPECT_FALSE(music->Open(dir_.path() / "dat" / name)) << name;
        music->Play();
        EXPECT_EQ(music->Mode(), "") << name;
      }
      sound->Play(dir_.path() / "dat/missing.wav", false);
      sound->Play(dir_.path() / "dat/bad.mid", true);
      sound->Play(dir_.path() / "dat/pipe.wav", false);  // a pipe by a sound's name: refused, not waited on
    }
    sound->Stop();
  }
  std::string said = OurLines(::testing::internal::GetCapturedStderr());
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 7) << said;
  EXPECT_NE(said.find("huge.mid (too large)"), std::string::npos) << said;
  for (const std::string& name : music_files) EXPECT_NE(said.find(name), std::string::npos) << said;
  EXPECT_EQ(said.find(".wav"), std::string::npos) << said;
}

TEST_F(DiskAudio, WithNoAudioDeviceTheGamePlaysOnInSilenceAndSaysWhyOnce) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  dir_.Write("dat/note.mid", OrganNote());
  dir_.Write("dat/a.wav", Wave(440, 0.2));
  ::testing::internal::CaptureStderr();
  {
    auto music = MakeSdlMusicDevice();
    auto sound = MakeSdlSoundDevice();
    for (int i = 0; i < 2; ++i) {
      EXPECT_FALSE(music->Open(dir_.path() / "dat/note.mid"));
      music->Play();
      EXPECT_EQ(music->Mode(), "");
      sound->Play(dir_.path() / "dat/a.wav", true);
      sound->Stop();
    }
  }
  std::string said = OurLines(::testing::internal::GetCapturedStderr());
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("no audio device"), std::string::npos) << said;
}

TEST(SoundFonts, TheVariableWinsWhenItNamesAFileThatExists) {
  testing::TempDir dir;
  dir.Write("mine.sf2", "sfbk");
  dir.Write("installed.sf2", "sfbk");
  const std::string mine = (dir.path() / "mine.sf2").string();
  const std::string installed = (dir.path() / "installed.sf2").string();
  const std::string gone = (dir.path() / "gone.sf2").string();
  const std::vector<std::string_view> installed_list = {gone, installed};
  const std::vector<std::string_view> nothing_installed = {gone};
  struct Case {
    std::string env;  // "" : unset
    std::span<const std::string_view> installed;
    std::string expected;
    bool problem;
  };
  const std::vector<Case> cases = {
      {"", installed_list, installed, false},
      {mine, installed_list, mine, false},
      {gone + ";" + mine, installed_list, mine, false},
      {gone, installed_list, installed, true},  // told, then the installed one
      {"", nothing_installed, "", true},
      {gone, nothing_installed, "", true},
  };
  for (const Case& c : cases) {
    std::string problem;
    EXPECT_EQ(FindSoundFonts(c.env.empty() ? nullptr : c.env.c_str(), c.installed, problem), c.expected)
        << c.env;
    EXPECT_EQ(!problem.empty(), c.problem) << c.env << ": " << problem;
  }
}

}  // namespace
}  // namespace nurumo
