#include "sound/midi.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/devices.h"
#include "support.h"

namespace nurumo {
namespace {

// A music device that records what it is asked and answers a set mode.
class FakeMusic : public MusicDevice {
 public:
  bool Open(const std::filesystem::path& file) override {
    log.push_back("open " + file.filename().string());
    return true;
  }
  void Play() override { log.push_back("play"); }
  void PlayFromStart() override { log.push_back("play from 0"); }
  std::string Mode() override { return mode; }
  void Close() override { log.push_back("close"); }
  void SetLoopHint(bool loop) override { log.push_back(loop ? "loop" : "once"); }

  std::vector<std::string> log;
  std::string mode = "playing";
};

class FakeMusicPlatform : public HeadlessPlatform {
 public:
  using HeadlessPlatform::HeadlessPlatform;
  MusicDevice& Music() override { return fake; }
  FakeMusic fake;
};

struct MidiFixture {
  MidiFixture() : platform(FileSystem(dir.path())), game(platform, 1) {
    game.trace.Open(&trace, [] { return 0u; });
  }
  testing::TempDir dir;
  FakeMusicPlatform platform;
  Game game;
  std::ostringstream trace;
};

using Log = std::vector<std::string>;

TEST(Midi, ANewPieceClosesTheOldOneFirst) {
  MidiFixture f;
  PlayMidi(f.game, "dat\\a.mid", true);
  PlayMidi(f.game, "dat\\b.mid", false);
  EXPECT_EQ(f.platform.fake.log,
            (Log{"close", "loop", "open a.mid", "play", "close", "once", "open b.mid", "play"}));
  EXPECT_TRUE(f.game.midi.MidiPlaying);
  EXPECT_FALSE(f.game.midi.MidiLoop);
}

TEST(Midi, TheNotificationActsOnTheDevicesModeAlone) {
  struct Case {
    bool loop;
    std::string mode;
    Log expected;  // device calls after the notification
    bool playing_after;
  };
  const std::vector<Case> cases = {
      {true, "stopped", {"play from 0"}, true},  // looping: again from the start
      {false, "stopped", {"close"}, false},      // once: closes itself
      {true, "playing", {}, true},               // a left-over notice while music plays
      {false, "", {}, true},                     // nothing open (the file was missing)
      {false, "Stopped", {}, true},              // the answer is compared exactly
  };
  for (const Case& c : cases) {
    MidiFixture f;
    PlayMidi(f.game, "dat\\a.mid", c.loop);
    f.platform.fake.log.clear();
    f.platform.fake.mode = c.mode;
    OnMciNotify(f.game);
    EXPECT_EQ(f.platform.fake.log, c.expected) << c.loop << " " << c.mode;
    EXPECT_EQ(f.game.midi.MidiPlaying, c.playing_after) << c.loop << " " << c.mode;
  }
}

TEST(Midi, ANotificationAfterStopDoesNothing) {
  MidiFixture f;
  PlayMidi(f.game, "dat\\a.mid", true);
  StopMidi(f.game);
  StopMidi(f.game);  // closing with nothing open is harmless
  f.platform.fake.log.clear();
  f.platform.fake.mode = "stopped";
  OnMciNotify(f.game);
  EXPECT_TRUE(f.platform.fake.log.empty());
  EXPECT_FALSE(f.game.midi.MidiPlaying);
}

TEST(Midi, TracesEveryPlayAndStopWithTheGamesOwnFileName) {
  MidiFixture f;
  PlayMidi(f.game, "dat\\m1.mid", true);
  StopMidi(f.game);
  EXPECT_EQ(f.trace.str(),
            "{\"t\":0,\"ev\":\"midi-stop\"}\n"
            "{\"t\":0,\"ev\":\"midi\",\"file\":\"dat\\\\m1.mid\",\"loop\":true}\n"
            "{\"t\":0,\"ev\":\"midi-stop\"}\n");
}

TEST(Midi, PlaysTheFileTheGamePathNamesWhateverItsLetterCase) {
  MidiFixture f;
  f.dir.Write("dat/Song.MID", "MThd");
  PlayMidi(f.game, "dat\\song.mid", false);
  EXPECT_EQ(f.platform.fake.log.at(2), "open Song.MID");
}

// The headless device keeps the state the module reads but never ends.
TEST(NullMusic, KeepsTheModeOfAnOpenPiece) {
  testing::TempDir dir;
  dir.Write("dat/a.mid", "MThd");
  auto device = MakeNullMusicDevice();
  EXPECT_EQ(device->Mode(), "");
  EXPECT_TRUE(device->Open(dir.path() / "dat/a.mid"));
  EXPECT_EQ(device->Mode(), "stopped");
  device->Play();
  EXPECT_EQ(device->Mode(), "playing");
  EXPECT_FALSE(device->Open(dir.path() / "dat/missing.mid"));  // closes the old one all the same
  EXPECT_EQ(device->Mode(), "");
  device->Play();
  EXPECT_EQ(device->Mode(), "");
  EXPECT_TRUE(device->Open(dir.path() / "dat/a.mid"));
  device->PlayFromStart();
  device->Close();
  EXPECT_EQ(device->Mode(), "");
}

TEST(NullMusic, AHeadlessGameGoesOnPlayingAfterALeftOverNotification) {
  testing::HeadlessGame h;
  h.dir.Write("dat/a.mid", "MThd");
  InitMidi(h.game);
  PlayMidi(h.game, "dat\\a.mid", false);
  OnMciNotify(h.game);
  EXPECT_EQ(h.platform.Music().Mode(), "playing");
  EXPECT_TRUE(h.game.midi.MidiPlaying);
  DoneMidi(h.game);
  EXPECT_EQ(h.platform.Music().Mode(), "");
}

}  // namespace
}  // namespace nurumo
