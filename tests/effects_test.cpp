// The seven screen effects: exact frames against the stage, the random draws
// in their order, and the ending picture.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/text.h"
#include "gfx/effects.h"
#include "tests/picture_fixtures.h"

namespace nurumo {
namespace {

using testing::Pixel;

// The stage shifted right and ANDed with itself r times: what NORMAL makes.
std::vector<uint8_t> NormalOf(const Surface& stage, int r) {
  std::vector<uint8_t> out(stage.pixels.size(), 255);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 416; ++x)
      for (int i = 0; i <= r && i <= x; ++i)
        for (int c = 0; c < 3; ++c) out[static_cast<std::size_t>((y * 416 + x) * 3 + c)] &= Pixel(stage, x - i, y)[c];
  return out;
}

// A stage with detail in every column, so each shift shows.
void StripedStage(Game& game) {
  Surface s;
  CreateSurface(s, 416, 256);
  for (std::size_t i = 0; i < s.pixels.size(); ++i) s.pixels[i] = static_cast<uint8_t>((i / 3) % 7 * 9 + (i % 3) * 64);
  SetStage(game, s);
}

TEST(EffectsTest, SetEffectChoosesRoutineAndLightnessByExactName) {
  struct Case {
    const char* name;
    EffectKind kind;
    bool light;
  };
  testing::LoadedGame t;
  for (Case c : {Case{"NONE", EffectKind::None, true}, Case{"NOISE", EffectKind::Noise, true},
                 Case{"NORMAL", EffectKind::Normal, true}, Case{"INVERT", EffectKind::Invert, false},
                 Case{"DARKNESS", EffectKind::Darkness, false}, Case{"ASTITLE", EffectKind::AsTitle, true}}) {
    SetEffect(t.game, c.name);
    EXPECT_EQ(t.game.effect.EffectRoutine, c.kind) << c.name;
    EXPECT_EQ(t.game.effect.LightScreen, c.light) << c.name;
    EXPECT_EQ(t.game.record.EffectName.str(), c.name);
  }
  std::ostringstream trace;
  t.game.trace.Open(&trace, [] { return 0u; });
  for (const char* other : {"normal", "Darkness ", "", "ABCDEFGHIJKLMNOPQ"}) {
    SetEffect(t.game, other);  // no match: only the stored name changes
    EXPECT_EQ(t.game.effect.EffectRoutine, EffectKind::AsTitle) << other;
    EXPECT_TRUE(t.game.effect.LightScreen);
  }
  EXPECT_EQ(t.game.record.EffectName.str(), "ABCDEFGHIJKLMNOP");  // cut to 16
  EXPECT_NE(trace.str().find("\"name\":\"Darkness \""), std::string::npos) << trace.str();
  EXPECT_NE(trace.str().find("\"name\":\"ABCDEFGHIJKLMNOPQ\""), std::string::npos);
}

TEST(EffectsTest, WithNoEffectTheFrameIsLeftAsItIs) {
  testing::LoadedGame t;
  std::fill(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), uint8_t{77});
  RunEffectRoutine(t.game);
  EXPECT_EQ(std::count(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), 77),
            416 * 256 * 3);
}

TEST(EffectsTest, NoneIsPlainWhite) {
  testing::LoadedGame t;
  SetEffect(t.game, "NONE");
  RunEffectRoutine(t.game);
  EXPECT_EQ(t.game.gfx.FrameSurface.pixels, WhiteSurface(t.game).pixels);
}

TEST(EffectsTest, NormalAndInvertFollowTheirRandomDraw) {
  testing::LoadedGame t(3);
  StripedStage(t.game);
  std::set<int> seen;
  for (int frame = 0; frame < 12; ++frame) {
    Random before = t.game.random;
    int r = Random(before)(3);
    SetEffect(t.game, "NORMAL");
    RunEffectRoutine(t.game);
    std::vector<uint8_t> normal = t.game.gfx.FrameSurface.pixels;
    ASSERT_EQ(normal, NormalOf(t.game.gfx.StageSurface, r)) << "r = " << r;
    if (r == 0) {
      ASSERT_EQ(normal, t.game.gfx.StageSurface.pixels);
    }
    seen.insert(r);

    t.game.random = before;  // the same draw again, under INVERT
    SetEffect(t.game, "INVERT");
    RunEffectRoutine(t.game);
    for (std::size_t i = 0; i < normal.size(); ++i)
      ASSERT_EQ(t.game.gfx.FrameSurface.pixels[i], static_cast<uint8_t>(~normal[i]));
  }
  EXPECT_EQ(seen.size(), 3u);
}

TEST(EffectsTest, NoiseOverAWhiteStageIsOneOfThreeGreys) {
  testing::LoadedGame t;
  SetStage(t.game, WhiteSurface(t.game));
  SetEffect(t.game, "NOISE");
  Random replay = t.game.random;
  RunEffectRoutine(t.game);
  const Surface& f = t.game.gfx.FrameSurface;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 416; ++x) {
      const uint8_t want = static_cast<uint8_t>(255 - 32 * replay(3));  // 255, 223, 191, drawn row by row
      const uint8_t* p = Pixel(f, x, y);
      ASSERT_TRUE(p[0] == want && p[1] == want && p[2] == want) << x << "," << y;
    }
}

TEST(EffectsTest, DarknessIsBlackOutsideTheSpotSquares) {
  testing::LoadedGame t(11);
  SetEffect(t.game, "DARKNESS");
  for (int frame = 0; frame < 5; ++frame) {
    Random replay = t.game.random;
    int left = 165 + replay(25), top = 85 + replay(25);  // the first spot
    RunEffectRoutine(t.game);
    const Surface& f = t.game.gfx.FrameSurface;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 416; ++x) {
        const uint8_t* p = Pixel(f, x, y);
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);  // grey throughout
        if (x < 165 || x >= 165 + 24 + 63 || y < 85 || y >= 85 + 24 + 63) {
          ASSERT_EQ(p[0], 0) << x << "," << y;
        }
      }
    EXPECT_GE(Pixel(f, left + 31, top + 31)[0], 40);  // every spot's centre adds 40
  }
}

TEST(EffectsTest, DarknessSumsOverlappingSpotsAndClampsAt255) {
  testing::LoadedGame t;
  SetEffect(t.game, "DARKNESS");
  Random replay = t.game.random;
  std::vector<int> red(416 * 256, 0);
  for (int i = 0; i < 20; ++i) {
    int left = 165 + replay(25), top = 85 + replay(25);
    for (int dx = 0; dx < 63; ++dx)
      for (int dy = 0; dy < 63; ++dy) {
        int& v = red[static_cast<std::size_t>((top + dy) * 416 + left + dx)];
        v = std::min(255, v + t.game.gfx.SpotTable[static_cast<std::size_t>(dx)][static_cast<std::size_t>(dy)]);
      }
  }
  RunEffectRoutine(t.game);
  int clamped = 0;
  for (int i = 0; i < 416 * 256; ++i) {
    ASSERT_EQ(t.game.gfx.FrameSurface.pixels[static_cast<std::size_t>(3 * i)], red[static_cast<std::size_t>(i)]);
    clamped += red[static_cast<std::size_t>(i)] == 255;
  }
  EXPECT_GT(clamped, 0);  // twenty spots near the centre do overflow there
}

TEST(EffectsTest, AsTitleOnlyAddsBlackDotsToTheStage) {
  testing::LoadedGame t(5);
  SetEffect(t.game, "ASTITLE");
  for (int frame = 0; frame < 10; ++frame) {
    Random replay = t.game.random;
    int y1 = replay(256), x1 = replay(416) * 1 / 800;  // dot 1 sits in the first column
    RunEffectRoutine(t.game);
    const Surface& f = t.game.gfx.FrameSurface;
    int dots = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 416; ++x) {
        const uint8_t* p = Pixel(f, x, y);
        if (std::equal(p, p + 3, Pixel(t.game.gfx.StageSurface, x, y))) continue;
        ASSERT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0);
        ++dots;
      }
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(Pixel(f, 0, y1)[0], 0);
    EXPECT_GT(dots, 700);
    EXPECT_LE(dots, 800 + 256);
  }
}

struct EndingGame : testing::LoadedGame {
  void WriteJpeg(int w, int h, uint8_t grey) {
    dir.Write("dat/ending.jpg", testing::MakeJpeg(w, h, [grey](int, int) { return Bgr{grey, grey, grey}; }));
  }
};

TEST(EffectsTest, EndingDarkensThePictureAndFadesItIn) {
  EndingGame t;
  t.WriteJpeg(416, 256, 200);
  SetEffect(t.game, "ENDING");
  EXPECT_FALSE(t.game.effect.LightScreen);
  const Surface& spare = t.game.gfx.SpareSurface;
  struct Row {
    int y, value;
  };
  for (Row r : {Row{0, 200}, Row{127, 200}, Row{128, 200}, Row{129, 198}, Row{179, 100}, Row{180, 100}, Row{255, 100}})
    EXPECT_EQ(Pixel(spare, 7, r.y)[1], r.value) << r.y;

  RunEffectRoutine(t.game);
  EXPECT_EQ(std::count(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), 0), 416 * 256 * 3);
  for (int step = 1; step < 64; ++step) RunEffectRoutine(t.game);
  RunEffectRoutine(t.game);  // step 64: exactly half
  for (std::size_t i = 0; i < t.game.gfx.FrameSurface.pixels.size(); ++i)
    ASSERT_EQ(t.game.gfx.FrameSurface.pixels[i], spare.pixels[i] >> 1);
  for (int step = 65; step <= 130; ++step) RunEffectRoutine(t.game);
  EXPECT_EQ(t.game.effect.FadeStep, 128);
  EXPECT_EQ(t.game.gfx.FrameSurface.pixels, spare.pixels);

  SetEffect(t.game, "ENDING");  // chosen again: back to black
  RunEffectRoutine(t.game);
  EXPECT_EQ(Pixel(t.game.gfx.FrameSurface, 50, 50)[0], 0);
  EXPECT_EQ(Pixel(spare, 50, 200)[0], 100);  // darkened once, from the file again
}

TEST(EffectsTest, ANarrowEndingPictureHasBlackMissingColumns) {
  EndingGame t;
  t.WriteJpeg(300, 260, 120);
  SetEffect(t.game, "ENDING");
  const Surface& spare = t.game.gfx.SpareSurface;
  ASSERT_EQ(spare.width, 416);
  ASSERT_EQ(spare.height, 260);
  EXPECT_EQ(Pixel(spare, 299, 10)[2], 120);
  EXPECT_EQ(Pixel(spare, 300, 10)[2], 0);
  EXPECT_EQ(Pixel(spare, 415, 255)[2], 0);
}

// Blocks of whole 8 x 8 cells (and colour samples), which a JPEG keeps
// within a step or two.
Bgr JpegBlockPixel(int x, int y) { return testing::ColourBlocks(x, y, 64); }

TEST(EffectsTest, EndingPicturesInEveryCommonJpegCodingShowTheirColours) {
  using testing::JpegLayout;
  struct Case {
    const char* what;
    JpegLayout layout;
  };
  const std::vector<Case> cases = {
      {"baseline 4:2:0", {}},
      {"progressive", {.progressive = true}},
      {"arithmetic-coded", {.arithmetic = true}},
      {"grey", {.grey = true}},
      {"4:1:1", {.luma_h = 4, .luma_v = 1}},
      {"4:4:4", {.luma_h = 1, .luma_v = 1}},
      {"CMYK from Adobe, stored inverted", {.cmyk = JCS_CMYK}},
      {"CMYK without Adobe's marker", {.cmyk = JCS_CMYK, .adobe = false}},
      {"YCCK from Adobe", {.cmyk = JCS_YCCK}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EndingGame t;
    t.dir.Write("dat/ending.jpg", testing::MakeJpeg(416, 256, JpegBlockPixel, c.layout));
    SetEffect(t.game, "ENDING");
    ASSERT_EQ(t.game.effect.EffectRoutine, EffectKind::Ending);
    const Surface& spare = t.game.gfx.SpareSurface;
    for (int y = 4; y < 128; y += 64)  // inside the blocks, above the darkened rows
      for (int x = 4; x < 416; x += 8) {
        const Bgr want = JpegBlockPixel(x, y);
        for (int i = 0; i < 3; ++i) {
          const int expected = c.layout.grey ? want[1] : want[static_cast<std::size_t>(i)];
          ASSERT_NEAR(Pixel(spare, x, y)[i], expected, 3) << x << "," << y << " channel " << i;
        }
      }
  }
}

TEST(EffectsTest, ABadEndingPictureKeepsThePreviousEffect) {
  struct Case {
    const char* what;
    std::string bytes;  // empty: no file at all
    bool range_error;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"missing", "", false, "dat\\ending.jpg"},
      {"not a JPEG", "GIF89a and then some", false, "Not a JPEG file"},
      {"too few rows", testing::MakeJpeg(416, 255, [](int, int) { return Bgr{9, 9, 9}; }), true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EndingGame t;
    if (!c.bytes.empty()) t.dir.Write("dat/ending.jpg", c.bytes);
    SetEffect(t.game, "DARKNESS");
    std::vector<uint8_t> spare = t.game.gfx.SpareSurface.pixels;
    try {
      SetEffect(t.game, "ENDING");
      ADD_FAILURE() << "no error";
    } catch (const RangeError&) {
      EXPECT_TRUE(c.range_error);
    } catch (const FileError& e) {
      EXPECT_FALSE(c.range_error);
      EXPECT_NE(std::string(e.text()).find(c.message), std::string::npos) << e.text();
    }
    EXPECT_EQ(t.game.effect.EffectRoutine, EffectKind::Darkness);
    EXPECT_FALSE(t.game.effect.LightScreen);
    EXPECT_EQ(t.game.record.EffectName.str(), "ENDING");
    EXPECT_EQ(t.game.gfx.SpareSurface.pixels, spare);
  }
}

}  // namespace
}  // namespace nurumo
