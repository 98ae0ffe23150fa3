// The title, save-question and ending screens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/text.h"
#include "gfx/effects.h"
#include "gfx/screens.h"
#include "tests/picture_fixtures.h"

namespace nurumo {
namespace {

using testing::Pixel;

bool IsColour(const Surface& s, int x, int y, uint8_t v) {
  const uint8_t* p = Pixel(s, x, y);
  return p[0] == v && p[1] == v && p[2] == v;
}

bool AnyIn(const Surface& s, int left, int top, int right, int bottom, uint8_t v) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (IsColour(s, x, y, v)) return true;
  return false;
}

bool RowIs(const Surface& s, int y, uint8_t v) {
  for (int x = 0; x < 416; ++x)
    if (!IsColour(s, x, y, v)) return false;
  return true;
}

TEST(ScreensTest, SaveQuestionTextsAndFlickerLines) {
  struct Case {
    const char* prompt;
    int x;  // where the text starts; -1: no text
  };
  for (bool light : {true, false})
    for (Case c : {Case{"SAVE", 110}, Case{"SUCCESS", 150}, Case{"FAILURE", 110}, Case{"", -1}, Case{"save", -1}}) {
      SCOPED_TRACE(std::string(c.prompt) + (light ? " light" : " dark"));
      testing::LoadedGame t(4);
      SetEffect(t.game, light ? "NONE" : "DARKNESS");
      t.game.flow.SavePrompt = c.prompt;
      Random replay = t.game.random;
      if (!light)
        for (int i = 0; i < 40; ++i) replay(25);  // the spots' draws come first
      int y = 10;
      std::vector<int> lines;
      for (int i = 0; i < 3; ++i) lines.push_back(y += 1 + replay(3));
      SaveScreen(t.game, 110, 110);
      const Surface& w = t.platform.window();
      uint8_t ink = light ? 0 : 255, paper = light ? 255 : 0;
      for (int row = 11; row <= 19; ++row) {
        bool line = std::find(lines.begin(), lines.end(), row) != lines.end();
        EXPECT_EQ(RowIs(w, row, ink), line) << row;
        EXPECT_EQ(RowIs(w, 256 - row, ink), line) << row;  // mirrored
      }
      int clear = light ? 360 : 165;  // the light spots of the dark screen start at x 165
      bool text = AnyIn(w, 100, 118, clear, 136, ink);
      EXPECT_EQ(text, c.x >= 0);
      if (c.x >= 0) {
        EXPECT_FALSE(AnyIn(w, 0, 110, c.x, 145, ink));  // nothing left of its position
        EXPECT_FALSE(AnyIn(w, c.x, 100, clear, 118, ink));
        EXPECT_TRUE(IsColour(w, c.x - 1, 126, paper));
      }
    }
}

TEST(ScreensTest, SaveQuestionWidthsTellTheTextsApart) {
  testing::HeadlessGame t;
  TextRasterizer& text = t.platform.Text();
  FontSpec bold{12, true, false, false};
  int ask = text.MeasureWidth(Sjis("セーブしますか？　（Y/N）"), bold);
  int done = text.MeasureWidth(Sjis("セーブしました。"), bold);
  EXPECT_GT(ask, done);
  testing::LoadedGame g;
  SetEffect(g.game, "NONE");
  g.game.flow.SavePrompt = "SAVE";
  SaveScreen(g.game, 110, 110);
  int right = 0;
  for (int y = 118; y < 136; ++y)
    for (int x = 100; x < 416; ++x)
      if (IsColour(g.platform.window(), x, y, 0)) right = std::max(right, x);
  EXPECT_LE(right, 110 + ask);
  EXPECT_GE(right, 110 + ask - 8);  // less the closing parenthesis's side bearing  // the question with its full-width space and parentheses
}

TEST(ScreensTest, TitleShowsThePromptBoxAndTheUnfadedLettering) {
  testing::LoadedGame t(9);
  Random replay = t.game.random;
  for (int i = 1; i <= 800; ++i) replay(256), replay(416);
  bool line = replay(5) == 0;
  if (line) replay(416);
  int a = replay(6);
  TitleScreen(t.game, false);
  const Surface& w = t.platform.window();
  EXPECT_TRUE(IsColour(w, 20, 230, 255));  // the prompt's opaque white box
  EXPECT_TRUE(AnyIn(w, 20, 230, 160, 244, 0));
  const uint8_t* bg = Pixel(w, 300, 150);
  EXPECT_TRUE((bg[0] == 1 && bg[2] == 0x81) || (bg[0] == 0 && bg[1] == 0 && bg[2] == 0));  // picture 1, unwashed
  auto band = static_cast<uint8_t>(40 * a);  // a stroke of band a, ANDed onto the picture
  Bgr picture = testing::BackgroundPixel(1, 80, 80 + a);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(Pixel(w, 80, 80 + a)[c], picture[static_cast<std::size_t>(c)] & band) << a;

  t.game.flow.TitleCounter = 12;  // at most 8: grey 255, all white but the lettering
  TitleScreen(t.game, true);
  EXPECT_TRUE(RowIs(w, 240, 255));
  EXPECT_TRUE(RowIs(w, 20, 255));
  EXPECT_FALSE(IsColour(w, 80, 86, 255));
}

TEST(ScreensTest, TheEndingCyclesThroughThreePictures) {
  testing::LoadedGame t;
  for (int n : {14, 15, 16})  // bit 6 in one channel each survives the washing
    FillSurface(t.game.gfx.BackgroundSurfaces[static_cast<std::size_t>(n)], 416, 256,
                {uint8_t(n == 14 ? 64 : 0), uint8_t(n == 15 ? 64 : 0), uint8_t(n == 16 ? 64 : 0)});
  std::vector<int> shown;
  for (int tick = 0; tick < 10; ++tick) {
    EndingScreen(t.game, 100, 100);
    const uint8_t* p = Pixel(t.game.gfx.StageSurface, 200, 200);
    shown.push_back(p[0] == 255 ? 14 : p[1] == 255 ? 15 : p[2] == 255 ? 16 : -1);
  }
  EXPECT_EQ(shown, (std::vector<int>{14, 14, 15, 15, 16, 16, 15, 15, 14, 14}));
  EXPECT_EQ(t.game.ending.EndingTick, 2);
}

TEST(ScreensTest, SayingsDrawInTheirRandomOrderAndAnEmptyListDrawsNone) {
  testing::LoadedGame t(21);
  SetBackground(t.game, 3);
  std::fill(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), uint8_t{255});
  Random before = t.game.random;
  DrawSaying(t.game, t.game.gfx.FrameSurface);
  EXPECT_EQ(t.game.random(1000000), Random(before)(1000000));  // no draws for an empty list
  EXPECT_TRUE(RowIs(t.game.gfx.FrameSurface, 100, 255));

  t.game.sayings.SayingList = {Sjis("■■■■■■■■■■"), Sjis("■")};
  for (int round = 0; round < 5; ++round) {
    std::fill(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), uint8_t{255});
    Random replay = t.game.random;
    int index = replay(2), size = 5 + replay(11), y = replay(256) - 5, x = replay(416) - 50;
    DrawSaying(t.game, t.game.gfx.FrameSurface);
    const Surface& f = t.game.gfx.FrameSurface;
    int left = 999, top = 999, right = -1;
    for (int r = 0; r < 256; ++r)
      for (int c = 0; c < 416; ++c)
        if (!IsColour(f, c, r, 255)) left = std::min(left, c), top = std::min(top, r), right = std::max(right, c);
    if (right < 0) continue;  // wholly outside the screen
    EXPECT_GE(left, std::max(0, x));
    EXPECT_LE(left, std::max(0, x) + size);
    EXPECT_GE(top, std::max(0, y));
    EXPECT_LE(top, std::max(0, y) + 2 * size);
    int width = t.platform.Text().MeasureWidth(t.game.sayings.SayingList[static_cast<std::size_t>(index)],
                                               {size, true, false, false});
    EXPECT_LE(right, x + width) << index;
  }
}

}  // namespace
}  // namespace nurumo
