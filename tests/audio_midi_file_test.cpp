// The look inside a MIDI file: sound files pass byte for byte, sloppy ones
// are repaired in memory, and only what cannot be played is refused.
#include "platform/audio_midi_file.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/sound_fixtures.h"

namespace nurumo {
namespace {

using testing::Bytes;
using testing::kEndOfTrack;
using testing::OrganNote;
using testing::Smf;

const std::string kNote = Bytes({0, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40});  // C4 from 0 to 480

// The playable result of a repair needs no further one, and says its length.
void ExpectPlayable(const RepairedMidi& r, uint64_t length, const char* what) {
  EXPECT_EQ(r.problem, "") << what;
  EXPECT_EQ(r.length, length) << what;
  EXPECT_EQ(MidiLength(r.smf), length) << what;
}

TEST(MidiFiles, SoundOnesReachTheSynthesizerByteForByte) {
  struct Case {
    const char* what;
    std::string file, smf;
    uint64_t length;
  };
  const std::string running = Bytes({0, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00});  // second event: running status
  const std::vector<Case> cases = {
      {"format 0", OrganNote(), OrganNote(), 480},
      {"format 1, the longest of two tracks",
       Smf({kNote + kEndOfTrack, Bytes({0x87, 0x40, 0xFF, 0x2F, 0})}, 1), "", 960},
      {"running status", Smf({running + kEndOfTrack}), "", 96},
      {"a status repeated", Smf({Bytes({0, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x90, 0x3C, 0}) + kEndOfTrack}), "", 480},
      {"meta and system exclusive",
       Smf({Bytes({0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xF0, 2, 0x7E, 0xF7}) + kNote + kEndOfTrack}), "", 480},
      {"bytes after the End of Track in its chunk", Smf({kNote + kEndOfTrack + Bytes({0, 0x90})}), "", 480},
      {"inside a RIFF wrapper", testing::Rmid(OrganNote()), OrganNote(), 480},
      {"inside a RIFF wrapper that claims too much", testing::Rmid(OrganNote(), 4096), OrganNote(), 480},
  };
  for (const Case& c : cases) {
    RepairedMidi r = RepairMidi(c.file);
    ExpectPlayable(r, c.length, c.what);
    EXPECT_FALSE(r.repaired) << c.what;
    EXPECT_EQ(r.smf, c.smf.empty() ? c.file : c.smf) << c.what;
  }
}

TEST(MidiFiles, SloppyOnesAreRepairedInMemory) {
  struct Case {
    const char* what;
    std::string file, smf;  // the file, what the synthesizer gets
    uint64_t length;
  };
  auto changed = [](std::string file, std::size_t at, std::string_view bytes) {
    return file.replace(at, bytes.size(), bytes);
  };
  auto inserted = [](std::string file, std::size_t at, std::string_view bytes) { return file.insert(at, bytes); };
  const std::string two_notes =
      Smf({kNote + Bytes({0, 0x90, 0x3E, 0x64, 0x83, 0x60, 0x80, 0x3E, 0x40}) + kEndOfTrack});
  const std::string escaped = Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xF7, 1, 0xF8});  // after 2^28 - 1 ticks
  const std::string filler = Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x7F, 0});  // an empty meta event FluidSynth passes over
  std::vector<std::string> many_tracks(128, kEndOfTrack);
  many_tracks[0] = kNote + kEndOfTrack;
  const std::vector<Case> cases = {
      {"no End of Track", Smf({kNote}), Smf({kNote + kEndOfTrack}), 480},
      {"a chunk length past the end of the file", changed(OrganNote(), 20, "\x01"), OrganNote(), 480},
      {"a file cut inside an event",  // the last note's off and the End of Track are gone
       two_notes.substr(0, two_notes.size() - 6), Smf({kNote + Bytes({0, 0x90, 0x3E, 0x64}) + kEndOfTrack}), 480},
      {"bytes after the last chunk", OrganNote() + Bytes({0, 0, 0x1A}), OrganNote(), 480},
      {"fewer tracks than the header counts", changed(OrganNote(), 11, "\x02"), OrganNote(), 480},
      {"running status after a meta event",
       Smf({Bytes({0, 0x90, 0x3C, 0x64, 0, 0xFF, 0x01, 1, 'a', 0x83, 0x60, 0x3C, 0x00}) + kEndOfTrack}),
       Smf({Bytes({0, 0x90, 0x3C, 0x64, 0, 0xFF, 0x01, 1, 'a', 0x83, 0x60, 0x90, 0x3C, 0x00}) + kEndOfTrack}), 480},
      {"an escaped system exclusive packet, its time kept",
       Smf({Bytes({0, 0x90, 0x3C, 0x64, 0x83, 0x60, 0xF7, 1, 0xF8, 0, 0x80, 0x3C, 0x40}) + kEndOfTrack}),
       Smf({kNote + kEndOfTrack}), 480},
      {"a tempo of the wrong length", Smf({Bytes({0, 0xFF, 0x51, 2, 7, 0xA1}) + kNote + kEndOfTrack}),
       Smf({kNote + kEndOfTrack}), 480},
      {"an End of Track with data", Smf({kNote + Bytes({0, 0xFF, 0x2F, 1, 0})}), Smf({kNote + kEndOfTrack}), 480},
      {"a longer header", inserted(changed(OrganNote(), 7, "\x08"), 14, Bytes({0, 0})), OrganNote(), 480},
      {"a chunk of another kind before the track", inserted(OrganNote(), 14, "XFIH" + Bytes({0, 0, 0, 2, 1, 2})),
       OrganNote(), 480},
      {"more tracks than FluidSynth counts", Smf(many_tracks, 1),
       Smf(std::vector<std::string>(many_tracks.begin(), many_tracks.begin() + 127), 1), 480},
      {"dropped events' time, more than one delta holds",
       Smf({Bytes({0, 0x90, 0x3C, 0x64}) + escaped + escaped + Bytes({1, 0x80, 0x3C, 0x40}) + kEndOfTrack}),
       Smf({Bytes({0, 0x90, 0x3C, 0x64}) + filler + filler + Bytes({1, 0x80, 0x3C, 0x40}) + kEndOfTrack}),
       (uint64_t{1} << 29) - 1},
      {"SMPTE time, 25 frames of 40 ticks: quarters of a second",
       changed(Smf({Bytes({0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0x90, 0x3C, 0x64, 0x87, 0x68, 0x80, 0x3C, 0x40}) +
                    kEndOfTrack}),
               12, Bytes({0xE7, 40})),
       changed(Smf({Bytes({0, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40, 0, 0x90, 0x3C, 0x64, 0x87, 0x68, 0x80, 0x3C, 0x40}) +
                    kEndOfTrack}),
               12, Bytes({0x03, 0xE8})),
       1000},
  };
  for (const Case& c : cases) {
    RepairedMidi r = RepairMidi(c.file);
    ExpectPlayable(r, c.length, c.what);
    EXPECT_TRUE(r.repaired) << c.what;
    EXPECT_EQ(r.smf, c.smf) << c.what;
  }
}

TEST(MidiFiles, WhatNoRepairMakesPlayableIsRefused) {
  struct Case {
    const char* what;
    std::string file;
    std::string_view problem;
  };
  const std::string_view broken = "not a well-formed MIDI file";
  auto changed = [](std::string file, std::size_t at, std::string_view bytes) {
    return file.replace(at, bytes.size(), bytes);
  };
  std::string huge = OrganNote();
  huge.resize(kLargestMidiFile + 1);
  const std::string long_wait = Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0});  // an empty text after 2^28 - 1 ticks
  const std::vector<Case> cases = {
      {"no MIDI at all", "this is not any kind of music at all", broken},
      {"a name alone", "MT", broken},
      {"a header cut short", "MThd" + Bytes({0, 0, 0, 6, 0, 0}), broken},
      {"a format no file has", changed(OrganNote(), 9, "\x03"), broken},
      {"a header counting no tracks", changed(OrganNote(), 11, std::string(1, '\0')), broken},
      {"SMPTE time with no ticks a frame", changed(OrganNote(), 12, Bytes({0xE7, 0})), broken},
      {"no track after the header", OrganNote().substr(0, 14), broken},
      {"an empty track", Smf({""}), broken},
      {"data before any status", Smf({Bytes({0, 0x3C, 0x64}) + kEndOfTrack}), broken},
      {"a status no file holds", Smf({Bytes({0, 0xF8}) + kEndOfTrack}), broken},
      {"only the end", Smf({kEndOfTrack}), "the piece lasts no time"},
      {"a note cut after its start", Smf({Bytes({0, 0x90, 0x3C, 0x64, 0x83})}), "the piece lasts no time"},
      {"nine deltas of 2^28 ticks", Smf({long_wait + long_wait + long_wait + long_wait + long_wait + long_wait +
                                         long_wait + long_wait + long_wait + kNote + kEndOfTrack}),
       "the piece lasts too long"},
      {"more than any piece needs", huge, "too large"},
  };
  for (const Case& c : cases) {
    RepairedMidi r = RepairMidi(c.file);
    EXPECT_EQ(r.problem, c.problem) << c.what;
    EXPECT_EQ(r.smf, "") << c.what;
  }
}

// Whatever the bytes, the repair ends, stays within a few times the file's
// size, and what it passes on needs no further repair.
TEST(MidiFiles, AnyBytesComeOutPlayableOrRefused) {
  const std::string sound = Smf({Bytes({0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xF0, 2, 0x7E, 0xF7, 0, 0xC0, 0x10}) +
                                     kNote + Bytes({0x60, 0x90, 0x40, 0x64, 0x60, 0x40, 0}) + kEndOfTrack,
                                 kNote + kEndOfTrack},
                                1);
  std::mt19937 random(15);
  int playable = 0;
  for (int i = 0; i < 5000; ++i) {
    std::string file = sound;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
      file[random() % file.size()] = static_cast<char>(random() % 256);
    if (random() % 3 == 0) file.resize(random() % file.size());
    RepairedMidi r = RepairMidi(file);
    if (!r.problem.empty()) continue;
    ++playable;
    ASSERT_EQ(MidiLength(r.smf), r.length) << i;
    ASSERT_LE(r.smf.size(), 4 * file.size() + 64) << i;
    ASSERT_FALSE(RepairMidi(r.smf).repaired) << i;
  }
  EXPECT_GT(playable, 1000);  // the mutations left plenty to repair
}

}  // namespace
}  // namespace nurumo
