// The title, save-question and ending screens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/text.h"
#include "gfx/effects.h"
#include "gfx/page.h"
#include "platform/bmp_sdl.h"
#include "gfx/screens.h"
#include "tests/picture_fixtures.h"

namespace nurumo {
namespace {

using testing::Pixel;

using testing::AnyIn;
using testing::IsColour;

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

// Placeholder pictures that look like the game's: soft gradients with a
// disc, the title lettering drawn with the rasteriser, an arrow cursor.
void WriteShowPictures(testing::HeadlessGame& t) {
  testing::WritePictures(t.dir);
  for (int n = 0; n < 19; ++n)
    t.dir.Write(testing::BackgroundName(n), testing::MakeBmp(416, 256, [n](int x, int y) {
      int cx = 120 + 9 * n, d = (x - cx) * (x - cx) + (y - 110) * (y - 110);
      auto v = static_cast<uint8_t>(d < 3600 ? 40 + n * 5 : (x + y + n * 20) % 256);
      return Bgr{v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>((x * 3 + n * 13) % 256)};
    }));
  Surface lettering = testing::Uniform(132, 34, 255);  // clear of the panel's first bar at y 40
  t.platform.Text().Draw(lettering, 4, 1, Sjis("ぬるも。"), {22, true, false, false}, kBlack, nullptr);
  t.dir.Write("dat/nurumofont.bmp", testing::MakeBmp(132, 34, [&](int x, int y) {
    const uint8_t* p = Pixel(lettering, x, y);
    return Bgr{p[0], p[1], p[2]};
  }));
  t.dir.Write("dat/cursol.bmp", testing::MakeBmp(256, 32, [](int x, int y) {
    int k = x / 32, fx = x % 32 - k / 2;  // the arrow nods right and back
    bool arrow = fx >= 4 && fx < 4 + 14 - std::abs(y - 14) && y >= 2 && y < 27;
    return arrow ? Bgr{0, 0, 0} : Bgr{255, 255, 255};
  }));
  t.dir.Write("dat/ending.jpg", testing::MakeJpeg(416, 256, [](int x, int y) {
    return Bgr{static_cast<uint8_t>(255 - y), static_cast<uint8_t>(x / 2), static_cast<uint8_t>(128 + y / 2)};
  }));
}

// Every screen as the player sees it, written as PNG files to
// $NURUMO_SNAP_DIR (or a scratch folder) to be looked at.
TEST(ScreensTest, SnapshotsOfEveryScreen) {
  testing::HeadlessGame t(42);
  WriteShowPictures(t);
  CreateSurfaces(t.game);
  const char* env = std::getenv("NURUMO_SNAP_DIR");
  std::filesystem::path out = env ? std::filesystem::path(env) : t.dir.path();
  std::vector<std::vector<uint8_t>> frames;
  auto snap = [&](const std::string& name) {
    std::string error;
    ASSERT_TRUE(SavePngWithSdl(t.platform.window(), out / (name + ".png"), error)) << error;
    for (const auto& f : frames) EXPECT_NE(f, t.platform.window().pixels) << name;  // every screen differs
    frames.push_back(t.platform.window().pixels);
  };
  // Each line of text the screen must show, found by its main colour
  // (black on a light screen, white on a dark one), which the washed or
  // inverted pictures never hold: a part of the screen that draws nothing
  // shows here even when the screens still differ.
  struct Line {
    const char* what;
    int left, top, right, bottom;
  };
  auto shows = [&](const std::string& name, std::initializer_list<Line> lines, Line blank) {
    const Surface& w = t.platform.window();
    const uint8_t ink = t.game.effect.LightScreen ? 0 : 255;
    EXPECT_FALSE(AnyIn(w, blank.left, blank.top, blank.right, blank.bottom, ink)) << name << ": " << blank.what;
    for (const Line& line : lines)
      EXPECT_TRUE(AnyIn(w, line.left, line.top, line.right, line.bottom, ink)) << name << ": " << line.what;
  };
  auto page = [&](const std::vector<std::string>& lines) {
    for (int i = 0; i < 4; ++i) t.game.page.PageLines[i] = i < static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(i)] : "";
    t.game.page.PageLineIndex = static_cast<int32_t>(lines.size()) - 1;
    ResetReveal(t.game);
    RevealAll(t.game);
  };

  TitleScreen(t.game, false);
  snap("title");

  SetBackground(t.game, 3);
  SetEffect(t.game, "NONE");
  page({Sjis("ぬるい湯の中で、目が覚めた。"), Sjis("どこまでも続く白。"), Sjis("――ここは、どこだろう。")});
  PageScreen(t.game, 100, 100);
  snap("page_none");
  shows("page_none", {{"line 1", 10, 178, 300, 197}, {"line 2", 10, 197, 300, 215}, {"line 3", 10, 215, 300, 236}},
        {"above the text", 0, 0, 416, 176});

  SetEffect(t.game, "DARKNESS");
  page({Sjis("暗闇の奥に、かすかな光が見える。"), Sjis("手を伸ばせば、届きそうな気がした。")});
  PageScreen(t.game, 100, 100);
  snap("page_darkness");

  for (int level : {1, 5}) {
    SetEffect(t.game, level == 1 ? "NORMAL" : "INVERT");
    SetBackground(t.game, 5 + level);
    t.game.player.Level = level;
    for (int j = 1; j <= 5; ++j) t.game.player.Params[j] = 12 * j + 10;
    t.game.player.Node = 7;
    t.game.NodeTitle = Sjis("ぬるい沼");
    t.game.choices.ChoiceCount = 3;
    t.game.choices.ChoiceLabels[1] = Sjis("北の小道へ");
    t.game.choices.ChoiceLabels[2] = Sjis("湯気の立つ泉へ");
    t.game.choices.ChoiceLabels[3] = Sjis("来た道を戻る");
    t.game.menu.MenuVisible = true;
    t.game.menu.ChoiceCursor = 2;
    page({Sjis("＞ぬるい沼にたゆたっている。")});
    t.game.panel.PanelDirty = true;
    for (int tick = 0; tick < 120; ++tick) ExplorationScreen(t.game, 100, 100);  // the bars grow to their values
    snap("exploration_level" + std::to_string(level));
    shows("exploration_level" + std::to_string(level),
          {{"the place's title", 8, 5, 240, 25}, {"choice 1", 50, 50, 240, 68}, {"choice 2", 50, 70, 240, 88},
           {"choice 3", 50, 90, 240, 108}, {"the moods", 250, 5, 412, 125}, {"the place's line", 10, 176, 300, 200}},
          {"between the choices and the line", 0, 126, 250, 176});
  }
  t.game.menu.MenuVisible = false;

  SetEffect(t.game, "NORMAL");
  t.game.flow.SavePrompt = "SAVE";
  SaveScreen(t.game, 110, 110);
  snap("save_question");
  t.game.flow.SavePrompt = "";

  SetEffect(t.game, "DARKNESS");
  page({Sjis("レベルアップ！"), "", Sjis("（Push X Key）")});
  PageScreen(t.game, 100, 100);
  snap("level_up");

  SetEffect(t.game, "INVERT");
  SetBackground(t.game, 2);
  page({Sjis("すべてが、ぬるく溶けていく……。"), "", Sjis("ＧＡＭＥ　ＯＶＥＲ")});
  PageScreen(t.game, 100, 100);
  snap("game_over");

  SetEffect(t.game, "ENDING");
  t.game.sayings.SayingList = {Sjis("ぬるま湯にも、底はある。"), Sjis("急がば、ぬるめ。"), Sjis("湯冷めに注意。")};
  page({Sjis("おわり")});
  for (int tick = 0; tick < 130; ++tick) PageScreen(t.game, 100, 100);
  snap("ending_picture");
  EndingScreen(t.game, 100, 100);
  snap("ending_screen");
}

}  // namespace
}  // namespace nurumo
