// The bundled game folder as the build makes it: every file the game asks
// for is there and in the format it reads, the pictures survive the stage's
// wash, the loops loop, the music is well-formed, the scripts decode back to
// their sources, and the generator is deterministic and names bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/text.h"
#include "game/game.h"
#include "gfx/assets.h"
#include "gfx/effects.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/bmp_sdl.h"
#include "script/script.h"
#include "tests/support.h"

#include <jpeglib.h>  // after <cstdio>: it needs FILE

namespace nurumo {
namespace {

namespace fs = std::filesystem;

const fs::path kGameDir = fs::path(NURUMO_BINARY_DIR) / "game";
const fs::path kContent = fs::path(NURUMO_SOURCE_DIR) / "content";
const fs::path kGenerator = fs::path(NURUMO_BINARY_DIR) / "tools" / "gen-content" / "gen-content";

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of the built game folder, found the way the game finds it.
std::string Dat(const std::string& name) {
  std::string bytes, error;
  EXPECT_TRUE(FileSystem(kGameDir).ReadAll("dat\\" + name, bytes, error)) << name << ": " << error;
  return bytes;
}

uint32_t Le(const std::string& b, std::size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b.at(at + static_cast<std::size_t>(i)));
  return v;
}

uint32_t Be(const std::string& b, std::size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<uint8_t>(b.at(at + static_cast<std::size_t>(i)));
  return v;
}

bool HaveEspeak() { return std::system("espeak-ng --version >/dev/null 2>&1") == 0; }

struct RunResult {
  int status = -1;
  std::string output;
};

RunResult RunGenerator(const fs::path& content, const fs::path& out) {
  std::string command = "'" + kGenerator.string() + "' --content '" + content.string() + "' --out '" + out.string() + "' 2>&1";
  RunResult run;
  run.status = testing::RunCommand(command, run.output);
  return run;
}

Surface LoadBmp(const std::string& name) {
  Surface s;
  std::string error;
  EXPECT_TRUE(LoadBmpWithSdl(FileSystem(kGameDir).Resolve("dat\\" + name), s, error)) << name << ": " << error;
  return s;
}

TEST(ContentTest, TheGameFolderHoldsEveryFileTheGameAsksFor) {
  std::vector<std::string> names = {"0.dat", "1.dat", "2.dat", "3.dat", "4.dat", "5.dat", "6.dat", "d1.dat",
                                    "d2.dat", "d3.dat", "d4.dat", "d5.dat", "a.dat", "sayings.txt", "nurumofont.bmp",
                                    "cursol.bmp", "ending.jpg", "noise00.wav", "suka.wav", "hyuun.wav", "bub.wav",
                                    "open.wav", "bell.wav", "drip.wav", "glass.wav", "steps.wav", "wind.wav",
                                    "heart.wav", "rain.wav", "prologue.mid", "level1.mid", "level2.mid", "level3.mid",
                                    "level4.mid", "level5.mid", "epilogue.mid", "gameover.mid"};
  for (int n = 0; n <= 18; ++n) names.push_back("nuru" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".bmp");
  if (HaveEspeak())
    for (const char* v : {"nuru01", "nuru02", "nuru03", "nuru04", "nuru05", "nuru06", "nuru07", "nuru08", "save_ok",
                          "save_false", "save_confirm", "lvup", "breakthrough"})
      names.push_back(std::string(v) + ".wav");
  for (const std::string& name : names) EXPECT_TRUE(FileSystem(kGameDir).Exists("dat\\" + name)) << name;
}

// Each channel after the wash: 191 where bit 6 is clear, 255 where it is set.
Surface Washed(const Surface& s) {
  Surface w = s;
  for (uint8_t& b : w.pixels) b |= 191;
  return w;
}

TEST(ContentTest, BackgroundsAreDistinctAndReadAfterTheWash) {
  std::vector<Surface> washed;
  for (int n = 0; n <= 18; ++n) {
    const std::string name = "nuru" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".bmp";
    const std::string file = Dat(name);
    ASSERT_GE(file.size(), 54u) << name;
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(Le(file, 28, 2), 24u) << name << " is not 24-bit";
    Surface s = LoadBmp(name);
    ASSERT_EQ(s.width, 416) << name;
    ASSERT_EQ(s.height, 256) << name;
    washed.push_back(Washed(s));
    std::size_t light = std::count(washed.back().pixels.begin(), washed.back().pixels.end(), uint8_t{255});
    double share = static_cast<double>(light) / static_cast<double>(washed.back().pixels.size());
    EXPECT_GT(share, 0.03) << name << " washes to plain grey";
    EXPECT_LT(share, 0.995) << name << " washes to plain white";
  }
  for (std::size_t a = 0; a < washed.size(); ++a)
    for (std::size_t b = a + 1; b < washed.size(); ++b) {
      std::size_t differ = 0;
      for (std::size_t i = 0; i < washed[a].pixels.size(); ++i) differ += washed[a].pixels[i] != washed[b].pixels[i];
      EXPECT_GT(differ, washed[a].pixels.size() / 10) << "pictures " << a << " and " << b << " look alike on the stage";
    }
}

// How much a picture shows under an effect: the spread of brightness of
// the frame above the page text, averaged over a run of frames so that the
// effect's own grain (noise, dots, stray lines) mostly cancels while the
// picture's shapes stay. A flat field scores near 0 (a few points under
// NOISE and ASTITLE); a picture with shapes scores by their contrast.
double Shapes(Game& game, const std::function<void()>& frame) {
  constexpr int kFrames = 16, kRows = 176;  // page text starts at row 180
  std::vector<double> sum(static_cast<std::size_t>(kRows * kScreenWidth), 0.0);
  for (int f = 0; f < kFrames; ++f) {
    frame();
    for (int y = 0; y < kRows; ++y)
      for (int x = 0; x < kScreenWidth; ++x) {
        const uint8_t* p = game.gfx.FrameSurface.Row(y) + 3 * x;
        sum[static_cast<std::size_t>(y * kScreenWidth + x)] += (p[0] + p[1] + p[2]) / 3.0 / kFrames;
      }
  }
  double mean = 0, square = 0;
  for (double v : sum) mean += v / static_cast<double>(sum.size());
  for (double v : sum) square += (v - mean) * (v - mean) / static_cast<double>(sum.size());
  return std::sqrt(square);
}

// Every picture, through the game's own effect code, under every effect
// that shows the stage (NONE, DARKNESS and ENDING hide it by design), on
// the title screen and in the ending screen's cycle. Scripts may show any
// picture under any of those effects, so all of them must keep their shapes.
TEST(ContentTest, PicturesKeepTheirShapesUnderEveryEffectThatShowsThem) {
  constexpr double kFlat = 10;  // a plain white or grey stage scores at most 6.6 (under NOISE)
  HeadlessPlatform platform{FileSystem(kGameDir)};
  Game game(platform, 7);
  CreateSurfaces(game);
  for (int n = 0; n <= 18; ++n)
    for (const char* effect : {"NORMAL", "NOISE", "INVERT", "ASTITLE"}) {
      SetBackground(game, n);
      SetEffect(game, effect);
      EXPECT_GT(Shapes(game, [&] { RunEffectRoutine(game); }), kFlat) << "picture " << n << " under " << effect;
    }
  EXPECT_GT(Shapes(game, [&] {
    CopySurface(game.gfx.FrameSurface, game.gfx.BackgroundSurfaces[1], Rop::SrcCopy);  // the title's, unwashed
    AsTitleDots(game);
  }), kFlat) << "the title screen";
  for (int n : EndingCycle) {
    SetStage(game, game.gfx.BackgroundSurfaces[static_cast<std::size_t>(n)]);
    EXPECT_GT(Shapes(game, [&] { EffectNormal(game); }), kFlat) << "picture " << n << " on the ending screen";
  }
}

TEST(ContentTest, TitlePictureIsLightWhereTheLetteringGoes) {
  Surface title = LoadBmp("nuru01.bmp");
  Surface font = LoadBmp("nurumofont.bmp");
  long sum = 0, count = 0;
  for (int y = 80; y < 80 + font.height; ++y)
    for (int x = 80; x < 80 + font.width; ++x, ++count) sum += title.Row(y)[x * 3 + 1];
  EXPECT_GT(sum / count, 180);
}

TEST(ContentTest, LetteringAndCursorAreDarkOnWhite) {
  Surface font = LoadBmp("nurumofont.bmp");
  EXPECT_LE(font.width, 158);
  EXPECT_LE(font.height, 36);
  Surface cursor = LoadBmp("cursol.bmp");
  ASSERT_EQ(cursor.width, 256);
  ASSERT_EQ(cursor.height, 32);
  auto dark_in = [](const Surface& s, int x0, int x1) {
    int dark = 0;
    for (int y = 0; y < s.height; ++y)
      for (int x = x0; x < x1; ++x) dark += s.Row(y)[x * 3] < 96;
    return dark;
  };
  EXPECT_GT(dark_in(font, 0, font.width), font.width * font.height / 8) << "the lettering has no ink";
  EXPECT_EQ(font.Row(0)[0], 255);
  std::vector<std::vector<uint8_t>> frames;
  for (int f = 0; f < 8; ++f) {
    EXPECT_GT(dark_in(cursor, f * 32, f * 32 + 32), 40) << "frame " << f;
    EXPECT_EQ(cursor.Row(0)[f * 32 * 3], 255) << "frame " << f << " is not on white";
    EXPECT_EQ(cursor.Row(31)[(f * 32 + 31) * 3], 255) << "frame " << f << " is not on white";
    std::vector<uint8_t> frame;
    for (int y = 0; y < 32; ++y) frame.insert(frame.end(), cursor.Row(y) + f * 96, cursor.Row(y) + f * 96 + 96);
    frames.push_back(frame);
  }
  EXPECT_NE(frames[0], frames[2]) << "the cursor does not move";
}

TEST(ContentTest, EndingPictureIsAJpegOfAtLeastTheScreen) {
  const std::string file = Dat("ending.jpg");
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.data()), static_cast<unsigned long>(file.size()));
  ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
  EXPECT_GE(info.image_width, 416u);
  EXPECT_GE(info.image_height, 256u);
  EXPECT_EQ(info.num_components, 3);
  jpeg_destroy_decompress(&info);
}

std::vector<int16_t> WavSamples(const std::string& name) {
  const std::string b = Dat(name);
  EXPECT_EQ(b.substr(0, 4), "RIFF") << name;
  EXPECT_EQ(b.substr(8, 8), "WAVEfmt ") << name;
  EXPECT_EQ(Le(b, 20, 2), 1u) << name << " is not PCM";
  EXPECT_EQ(Le(b, 34, 2), 16u) << name << " is not 16-bit";
  std::vector<int16_t> samples;
  for (std::size_t at = 12; at + 8 <= b.size();) {  // walk the chunks to "data"
    uint32_t size = Le(b, at + 4, 4);
    if (b.substr(at, 4) == "data") {
      for (std::size_t i = 0; i + 1 < size && at + 8 + i + 1 < b.size(); i += 2)
        samples.push_back(static_cast<int16_t>(Le(b, at + 8 + i, 2)));
      break;
    }
    at += 8 + size + (size & 1);
  }
  return samples;
}

TEST(ContentTest, SoundsAreAudibleAndLoopsRunBackIntoTheirStart) {
  const std::map<std::string, bool> sounds = {{"noise00", true}, {"suka", false}, {"hyuun", false}, {"bub", false},
                                              {"open", false},   {"bell", false}, {"drip", false},  {"glass", false},
                                              {"steps", false},  {"wind", true},  {"heart", true},  {"rain", true}};
  for (const auto& [name, loop] : sounds) {
    std::vector<int16_t> s = WavSamples(name + ".wav");
    ASSERT_GT(s.size(), 2000u) << name;
    int peak = 0, clipped = 0;
    std::vector<int> steps;
    for (std::size_t i = 0; i < s.size(); ++i) {
      peak = std::max(peak, std::abs(static_cast<int>(s[i])));
      clipped += std::abs(static_cast<int>(s[i])) >= 32767;
      if (i > 0) steps.push_back(std::abs(s[i] - s[i - 1]));
    }
    EXPECT_GT(peak, 3000) << name << " is nearly silent";
    EXPECT_LT(clipped, 10) << name << " clips";
    if (!loop) continue;
    std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() * 99 / 100), steps.end());
    int usual = steps[steps.size() * 99 / 100];
    EXPECT_LE(std::abs(s.back() - s.front()), usual) << name << " clicks where it loops";
  }
}

struct MidiNote {
  long tick;
  int channel, key, velocity;
};

struct Midi {
  int format = -1, division = 0;
  long tempo = 500000;
  std::vector<long> track_ends;
  std::vector<MidiNote> notes;
  std::vector<int> programs;
  int unmatched = 0;
};

Midi ParseMidi(const std::string& b) {
  Midi m;
  EXPECT_EQ(b.substr(0, 4), "MThd");
  m.format = static_cast<int>(Be(b, 8, 2));
  const uint32_t tracks = Be(b, 10, 2);
  m.division = static_cast<int>(Be(b, 12, 2));
  std::size_t at = 14;
  for (uint32_t t = 0; t < tracks; ++t) {
    EXPECT_EQ(b.substr(at, 4), "MTrk");
    const std::size_t end = at + 8 + Be(b, at + 4, 4);
    at += 8;
    long tick = 0;
    std::map<std::pair<int, int>, int> held;
    bool ended = false;
    while (at < end) {
      long delta = 0;
      uint8_t c;
      do {
        c = static_cast<uint8_t>(b.at(at++));
        delta = (delta << 7) | (c & 0x7F);
      } while (c & 0x80);
      tick += delta;
      const uint8_t status = static_cast<uint8_t>(b.at(at++));
      if (status == 0xFF) {
        const uint8_t type = static_cast<uint8_t>(b.at(at++));
        const uint8_t length = static_cast<uint8_t>(b.at(at++));
        if (type == 0x51) m.tempo = static_cast<long>(Be(b, at, 3));
        if (type == 0x2F) ended = true;
        at += length;
      } else if ((status & 0xF0) == 0xC0) {
        m.programs.push_back(static_cast<uint8_t>(b.at(at++)));
      } else {
        const int kind = status & 0xF0, channel = status & 0x0F;
        const int key = static_cast<uint8_t>(b.at(at)), velocity = static_cast<uint8_t>(b.at(at + 1));
        at += 2;
        if (kind == 0x90 && velocity > 0) {
          m.notes.push_back({tick, channel, key, velocity});
          ++held[{channel, key}];
        } else if (kind == 0x80 || kind == 0x90) {
          if (--held[{channel, key}] < 0) ++m.unmatched;
        }
      }
    }
    for (const auto& [note, count] : held) m.unmatched += count != 0;
    EXPECT_TRUE(ended) << "track " << t << " has no end";
    m.track_ends.push_back(tick);
    at = end;
  }
  return m;
}

TEST(ContentTest, MusicIsWellFormedGeneralMidiLoopingEveryTrackTogether) {
  for (const char* name : {"prologue", "level1", "level2", "level3", "level4", "level5", "epilogue", "gameover"}) {
    Midi m = ParseMidi(Dat(std::string(name) + ".mid"));
    EXPECT_EQ(m.format, 1) << name;
    ASSERT_GT(m.division, 0) << name;
    EXPECT_FALSE(m.programs.empty()) << name << " sets no General MIDI program";
    EXPECT_GT(m.notes.size(), 20u) << name;
    EXPECT_EQ(m.unmatched, 0) << name << " leaves notes hanging";
    ASSERT_GE(m.track_ends.size(), 2u);
    for (long end : m.track_ends) EXPECT_EQ(end, m.track_ends.front()) << name << ": the parts end apart";
    for (const MidiNote& n : m.notes) EXPECT_NE(n.channel, 9) << name << " uses the drum channel";
    const double seconds = static_cast<double>(m.track_ends.front()) / m.division * static_cast<double>(m.tempo) / 1e6;
    EXPECT_GE(seconds, 30) << name;
    EXPECT_LE(seconds, 240) << name;
  }
}

// The notes of each bar of a piece (all parts), as the bar's own ticks and
// keys: two bars sound alike when these are equal.
std::vector<std::vector<std::pair<long, int>>> Bars(const Midi& m) {
  const long bar = 4L * m.division;
  std::vector<std::vector<std::pair<long, int>>> bars(static_cast<std::size_t>(m.track_ends.front() / bar));
  for (const MidiNote& n : m.notes)
    if (n.tick / bar < static_cast<long>(bars.size())) bars[static_cast<std::size_t>(n.tick / bar)].push_back({n.tick % bar, n.key});
  for (auto& notes : bars) std::sort(notes.begin(), notes.end());
  return bars;
}

// Level 4 is played for a long while: one pass lasts well over two minutes
// and is not a few bars said again and again.
TEST(ContentTest, LevelFourMusicIsLongAndVaried) {
  Midi m = ParseMidi(Dat("level4.mid"));
  ASSERT_GT(m.division, 0);
  const double seconds = static_cast<double>(m.track_ends.front()) / m.division * static_cast<double>(m.tempo) / 1e6;
  EXPECT_GE(seconds, 150);
  auto bars = Bars(m);
  std::sort(bars.begin(), bars.end());
  const auto distinct = std::unique(bars.begin(), bars.end()) - bars.begin();
  EXPECT_GE(distinct, 24) << "of " << bars.size() << " bars";
}

std::vector<std::string> CrLfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "a line without CR LF";
    if (end == std::string::npos) break;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> Utf8Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

TEST(ContentTest, ScriptsAreScrambledCp932OfTheirSourcesAndSayingsArePlain) {
  int scripts = 0;
  for (const auto& entry : fs::directory_iterator(kContent / "scripts")) {
    if (entry.path().extension() != ".txt") continue;
    ++scripts;
    const std::string stem = entry.path().stem().string();
    std::vector<std::string> source = Utf8Lines(Slurp(entry.path()));
    std::vector<std::string> stored = CrLfLines(Dat(stem + ".dat"));
    ASSERT_EQ(stored.size(), source.size()) << stem;
    for (std::size_t i = 0; i < source.size(); ++i) {
      EXPECT_EQ(CryptLine(stored[i]), Utf8ToCp932(source[i])) << stem << " line " << i + 1;
      if (!source[i].empty() && source[i].find('\t') == std::string::npos) {
        EXPECT_NE(stored[i], Utf8ToCp932(source[i])) << stem << " line " << i + 1 << " is not scrambled";
      }
    }
  }
  EXPECT_GT(scripts, 0);
  std::vector<std::string> sayings = CrLfLines(Dat("sayings.txt"));
  std::vector<std::string> source = Utf8Lines(Slurp(kContent / "sayings.txt"));
  ASSERT_EQ(sayings.size(), source.size());
  for (std::size_t i = 0; i < source.size(); ++i) EXPECT_EQ(sayings[i], Utf8ToCp932(source[i]));
}

TEST(ContentTest, GeneratorGivesTheSameBytesEveryTime) {
  testing::TempDir a, b;
  ASSERT_EQ(RunGenerator(kContent, a.path() / "dat").status, 0);
  ASSERT_EQ(RunGenerator(kContent, b.path() / "dat").status, 0);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(a.path() / "dat")) {
    ++files;
    const fs::path twin = b.path() / "dat" / entry.path().filename();
    ASSERT_TRUE(fs::exists(twin)) << entry.path().filename();
    EXPECT_TRUE(Slurp(entry.path()) == Slurp(twin)) << entry.path().filename() << " differs between two runs";
  }
  EXPECT_EQ(files, std::distance(fs::directory_iterator(b.path() / "dat"), fs::directory_iterator()));
  EXPECT_GT(files, 50);
}

TEST(ContentTest, MusicNotationBecomesTheNotesItSays) {
  testing::TempDir content;
  content.Write("music/t.txt",
                "# a comment\ntempo 60\ntrack a program celesta volume 90\n"
                "v70 ( c4:4 f#3:8. bb2:16 r:2 | e5+g5:1 )4   # sixteen bars of four beats\n");
  testing::TempDir out;
  RunResult run = RunGenerator(content.path(), out.path() / "dat");
  ASSERT_EQ(run.status, 0) << run.output;
  Midi m = ParseMidi(Slurp(out.path() / "dat" / "t.mid"));
  ASSERT_EQ(m.division, 480);
  EXPECT_EQ(m.tempo, 1000000);
  EXPECT_EQ(m.programs, std::vector<int>{8});
  ASSERT_EQ(m.notes.size(), 20u);
  const std::array<std::pair<long, int>, 6> first = {{{0, 60}, {480, 54}, {840, 46}, {1920, 76}, {1920, 79}, {3840, 60}}};
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(m.notes[i].tick, first[i].first) << i;
    EXPECT_EQ(m.notes[i].key, first[i].second) << i;
    EXPECT_EQ(m.notes[i].velocity, 70) << i;
  }
  EXPECT_EQ(m.track_ends.back(), 4 * 3840);
}

TEST(ContentTest, GeneratorStopsWithTheFileAndPlaceOfBadContent) {
  struct Case {
    const char* file;
    const char* text;
    const char* message;
  };
  const std::array<Case, 5> cases = {{
      {"scripts/bad.txt", "ok\nab\xF0\x9F\x98\x80\n", "bad.txt:2:3"},  // an emoji has no CP932 form
      {"sayings.txt", "\xE2\x82\xA9\n", "sayings.txt:1:1"},             // nor has the won sign
      {"music/bad.txt", "tempo 60\ntrack a\nc4:1*40\ntrack b\nc4:1*39\n", "every track must end"},
      {"music/bad.txt", "tempo 60\ntrack a\nc4:1*2\n", "30 s to 4 min"},
      {"music/bad.txt", "tempo 60\ntrack a\nh4:1*10\n", "bad pitch"},
  }};
  for (const Case& c : cases) {
    testing::TempDir content, out;
    content.Write(c.file, c.text);
    RunResult run = RunGenerator(content.path(), out.path() / "dat");
    EXPECT_NE(run.status, 0) << c.file;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
  }
}

}  // namespace
}  // namespace nurumo
