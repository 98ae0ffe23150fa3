// The SDL2_mixer devices on SDL's disk audio driver: whatever the mixer
// plays is written as raw samples to a file, which the tests then read.
#include "platform/audio_sdl.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

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

#include "platform/audio_midi_file.h"
#include "platform/devices.h"
#include "platform/sdl/sdl_events.h"
#include "support.h"

namespace nurumo {
namespace {

using namespace std::chrono_literals;

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A mono 16-bit sine tone.
std::string Wave(double hz, double seconds) {
  const int rate = 22050;
  const int frames = static_cast<int>(rate * seconds);
  std::string data;
  for (int i = 0; i < frames; ++i) {
    double v = 12000.0 * std::sin(2.0 * M_PI * hz * i / rate);
    PutLe(data, static_cast<uint16_t>(static_cast<int16_t>(v)), 2);
  }
  std::string out = "RIFF";
  PutLe(out, static_cast<uint32_t>(36 + data.size()), 4);
  out += "WAVEfmt ";
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, 1, 2);  // mono
  PutLe(out, rate, 4);
  PutLe(out, rate * 2, 4);
  PutLe(out, 2, 2);
  PutLe(out, 16, 2);
  out += "data";
  PutLe(out, static_cast<uint32_t>(data.size()), 4);
  return out + data;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// A Standard MIDI File of the given tracks (their events), 480 ticks a quarter.
std::string Smf(const std::vector<std::string>& tracks, int format = 0) {
  std::string out = "MThd" + Bytes({0, 0, 0, 6, 0, format, 0, static_cast<int>(tracks.size()), 0x01, 0xE0});
  for (const std::string& track : tracks) {
    out += "MTrk";
    PutLe(out, 0, 2);
    out += static_cast<char>(track.size() >> 8);
    out += static_cast<char>(track.size() & 0xFF);
    out += track;
  }
  return out;
}
const std::string kEndOfTrack = Bytes({0, 0xFF, 0x2F, 0});

// One organ note held from the first tick to the end of the track: 480
// ticks at 120 beats a minute, half a second.
std::string OrganNote() {
  return Smf({Bytes({0, 0xC0, 0x10,                  // drawbar organ: no decay
                     0, 0x90, 0x3C, 0x64,            // C4 on
                     0x83, 0x60, 0x80, 0x3C, 0x40})  // off after 480 ticks
              + kEndOfTrack});
}
constexpr double kOrganSeconds = 0.5;

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

  static constexpr int kRate = 44100;
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

TEST_F(DiskAudio, ALoopingPieceRestartsWithoutAGap) {
  dir_.Write("dat/note.mid", OrganNote());
  {
    auto music = MakeSdlMusicDevice();
    music->SetLoopHint(true);
    ASSERT_TRUE(music->Open(dir_.path() / "dat/note.mid"));
    music->Play();
    Let(8.0);
    EXPECT_EQ(music->Mode(), "playing");
  }
  Shape shape = Measure(Samples(), kRate);
  ASSERT_GE(shape.first, 0.0) << "the piece was silent";
  EXPECT_GE(shape.last - shape.first, 6 * kOrganSeconds) << "it did not loop";
  EXPECT_LT(shape.longest_quiet, 0.050);
  std::printf("longest silence at the loop points: %.1f ms\n", shape.longest_quiet * 1000);
  RecordProperty("loop_gap_ms", std::to_string(shape.longest_quiet * 1000));
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

TEST_F(DiskAudio, MusicThatCannotBeReadIsSilenceToldOnceAndASoundIsNotTold) {
  // Looped, the last two would hang the synthesizer's audio thread.
  dir_.Write("dat/bad.mid", "this is not any kind of music at all");
  dir_.Write("dat/short.mid", "MT");
  dir_.Write("dat/silent.mid", Smf({kEndOfTrack}));
  dir_.Write("dat/broken.mid", Smf({Bytes({0, 0x90, 0x3C, 0x64, 0, 0xF9}) + kEndOfTrack}));
  const std::vector<std::string> music_files = {"bad.mid", "short.mid", "missing.mid", "silent.mid",
                                                "broken.mid"};
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
    }
    sound->Stop();
  }
  std::string said = OurLines(::testing::internal::GetCapturedStderr());
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 5) << said;
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

TEST(MidiFiles, AreMeasuredAndBrokenOnesRefused) {
  const std::string note = Bytes({0, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40});
  const std::string running = Bytes({0, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00});  // second event: running status
  struct Case {
    const char* what;
    std::string bytes;
    std::optional<uint64_t> length;
  };
  const std::vector<Case> cases = {
      {"one note", OrganNote(), 480},
      {"running status", Smf({running + kEndOfTrack}), 96},
      {"meta and system exclusive",
       Smf({Bytes({0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xF0, 2, 0x7E, 0xF7}) + note + kEndOfTrack}), 480},
      {"the longest of two tracks", Smf({note + kEndOfTrack, Bytes({0x87, 0x40, 0xFF, 0x2F, 0})}, 1), 960},
      {"inside a RIFF wrapper",
       "RIFF" + Bytes({0, 0, 0, 0}) + "RMIDdata" + Bytes({static_cast<int>(OrganNote().size()), 0, 0, 0}) +
           OrganNote(),
       480},
      {"only the end", Smf({kEndOfTrack}), 0},
      {"no end of track", Smf({note}), std::nullopt},
      {"data before any status", Smf({Bytes({0, 0x3C, 0x64}) + kEndOfTrack}), std::nullopt},
      {"a status no file holds", Smf({Bytes({0, 0xF8}) + kEndOfTrack}), std::nullopt},
      {"an event cut short", Smf({Bytes({0, 0xFF, 0x2F})}), std::nullopt},
      {"fewer tracks than the header says", Smf({note + kEndOfTrack}).replace(11, 1, "\x02"), std::nullopt},
      {"a header cut short", "MThd" + Bytes({0, 0, 0, 6, 0, 0}), std::nullopt},
      {"no MIDI at all", "this is not any kind of music at all", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(MidiLength(UnwrapRmid(c.bytes)), c.length) << c.what;
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
