// Page text, the parameter panel, the menu and the cursor.
#include <gtest/gtest.h>

#include <sstream>

#include "core/text.h"
#include "game/flow.h"
#include "gfx/effects.h"
#include "gfx/page.h"
#include "tests/picture_fixtures.h"

namespace nurumo {
namespace {

using testing::Pixel;

constexpr int32_t kSentinelState = 9999;  // a state that does nothing: AdvanceFlow clears it

using testing::AnyIn;
using testing::IsColour;

struct PageGame : testing::HeadlessGame {
  PageGame() {
    CreateSurface(game.gfx.FrameSurface, 416, 256);
    game.effect.LightScreen = true;
  }
  void SetPage(const std::vector<std::string>& lines) {
    for (int i = 0; i < 4; ++i) game.page.PageLines[i] = i < static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(i)] : "";
    game.page.PageLineIndex = static_cast<int32_t>(lines.size()) - 1;
    ResetReveal(game);
  }
};

TEST(PageTest, TheTypewriterRevealsOneCharacterPerTick) {
  struct Case {
    std::string line;
    std::vector<std::size_t> sizes;  // revealed bytes after each tick
  };
  const std::vector<Case> cases = {
      {Sjis("あいう"), {2, 4, 6}},
      {"abcde", {1, 2, 3, 4, 5}},
      {Sjis("aあ b"), {1, 3, 4, 5}},
      {"", {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Cp932ToUtf8(c.line));
    PageGame t;
    t.SetPage({c.line});
    for (std::size_t tick = 0; tick < c.sizes.size(); ++tick) {
      t.game.flow.FlowState = kSentinelState;
      RevealStep(t.game);
      EXPECT_EQ(t.game.reveal.RevealedLines[0].size(), c.sizes[tick]) << "tick " << tick;
      bool last = tick + 1 == c.sizes.size();
      EXPECT_EQ(t.game.flow.FlowState, last ? 0 : kSentinelState) << "tick " << tick;  // the flow is asked at the end
    }
    EXPECT_EQ(t.game.reveal.RevealedLines[0], c.line);
    t.game.flow.FlowState = kSentinelState;
    RevealStep(t.game);  // the flow has not answered with RevealAll: it is asked again
    EXPECT_EQ(t.game.flow.FlowState, 0);
  }
}

TEST(PageTest, LinesFollowOneAnotherAndRevealAllEndsThePage) {
  PageGame t;
  t.SetPage({"ab", Sjis("あ"), "c"});
  t.game.flow.FlowState = kSentinelState;
  std::vector<int> lines;
  for (int tick = 0; tick < 4; ++tick) {
    RevealStep(t.game);
    lines.push_back(t.game.reveal.RevealLine);
  }
  EXPECT_EQ(lines, (std::vector<int>{0, 1, 2, 2}));  // the next line starts on the next tick
  EXPECT_EQ(t.game.flow.FlowState, 0);
  EXPECT_EQ(t.game.reveal.RevealedLines[1], Sjis("あ"));

  std::ostringstream trace;
  t.game.trace.Open(&trace, [] { return 0u; });
  t.game.page.ListLines[0] = Sjis("リスト");
  t.game.page.ListLineCount = 1;
  RevealAll(t.game);
  EXPECT_TRUE(t.game.reveal.RevealDone);
  EXPECT_EQ(t.game.reveal.RevealLine, 2);
  EXPECT_EQ(t.game.reveal.RevealedLines[2], "c");
  EXPECT_NE(trace.str().find("\"ev\":\"page\",\"lines\":[\"ab\",\"あ\",\"c\"],\"list\":[\"リスト\"]"),
            std::string::npos)
      << trace.str();
  t.game.flow.FlowState = kSentinelState;
  RevealStep(t.game);  // a complete page: the typewriter is idle
  EXPECT_EQ(t.game.flow.FlowState, kSentinelState);

  ResetReveal(t.game);
  EXPECT_FALSE(t.game.reveal.RevealDone);
  EXPECT_EQ(t.game.reveal.RevealLine, 0);
  EXPECT_EQ(t.game.reveal.RevealedLines[2], "");
}

// A 100 KB line left typing for ten minutes: each tick reveals one more
// character, but the screen shows only its start, so the rasteriser keeps
// and renders only that, and memory stays flat.
TEST(PageTest, AHugeLineTypesForTenMinutesInBoundedMemory) {
  PageGame t;
  std::string line;
  while (line.size() < 100000) line += Sjis("ぬるま湯の夢");
  t.SetPage({line});
  const std::size_t before = testing::HeldBytes();
  for (int tick = 1; tick <= 6000; ++tick) {
    t.game.flow.FlowState = kSentinelState;
    RevealStep(t.game);
    if (tick % 500 == 0 && testing::HeldBytesCounted()) {
      const std::size_t now = testing::HeldBytes();
      ASSERT_LT(now - std::min(before, now), std::size_t{16} << 20) << "after " << tick << " ticks";
    }
  }
  EXPECT_EQ(t.game.reveal.RevealedLines[0].size(), 12000u);
  EXPECT_EQ(t.game.flow.FlowState, kSentinelState);  // still typing
  if (!testing::HeldBytesCounted())
    GTEST_SKIP() << "the memory bound is checked in the normal build only: the sanitizer's allocator is not counted";
}

TEST(PageTest, AnEmptyPageIsCompleteAtOnceAndDrawsNothing) {
  PageGame t;
  t.SetPage({});
  std::fill(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), uint8_t{128});
  t.game.flow.FlowState = kSentinelState;
  RevealStep(t.game);
  EXPECT_TRUE(t.game.reveal.RevealDone);
  EXPECT_EQ(t.game.flow.FlowState, kSentinelState);
  EXPECT_EQ(std::count(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), 128),
            416 * 256 * 3);
}

TEST(PageTest, ShadowTextColoursFollowTheLightness) {
  struct Case {
    bool light;
    uint8_t main, shadow;
  };
  for (Case c : {Case{true, 0, 255}, Case{false, 255, 0}}) {
    PageGame t;
    t.game.effect.LightScreen = c.light;
    EXPECT_EQ(TextColour(t.game, TextRole::Main).r, c.main);
    EXPECT_EQ(TextColour(t.game, TextRole::Shadow).g, c.shadow);
    Surface s = testing::Uniform(60, 30, 128);
    DrawShadowText(t.game, s, 10, 5, Sjis("■"), {12, true, false, false});
    struct Extent {
      int right = -1, bottom = -1;
    } main, shadow;  // of the pixels that have exactly the colour
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 60; ++x)
        for (auto [v, e] : {std::pair{c.main, &main}, std::pair{c.shadow, &shadow}})
          if (IsColour(s, x, y, v)) e->right = std::max(e->right, x), e->bottom = std::max(e->bottom, y);
    ASSERT_GE(main.right, 0) << c.light;
    EXPECT_EQ(shadow.bottom, main.bottom + 1);  // one pixel down
    EXPECT_FALSE(IsColour(s, main.right + 1, 12, 128));  // and one pixel right
  }
}

TEST(PageTest, PageAndListLinesStandAtTheirRows) {
  PageGame t;
  std::string block = Sjis("■■");
  t.SetPage({block, block, block, block});
  RevealAll(t.game);
  for (int i = 0; i < 6; ++i) t.game.page.ListLines[i] = block;
  t.game.page.ListLineCount = 6;
  std::fill(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), uint8_t{128});
  RevealStep(t.game);
  DrawListLines(t.game);
  const Surface& f = t.game.gfx.FrameSurface;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(AnyIn(f, 10, 180 + 18 * i, 40, 180 + 18 * i + 16, 0)) << i;
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(AnyIn(f, 10, 10 + 22 * i, 40, 10 + 22 * i + 16, 0)) << i;
  EXPECT_FALSE(AnyIn(f, 0, 0, 10, 256, 0));  // nothing left of x 10
  EXPECT_FALSE(AnyIn(f, 10, 144, 200, 178, 0));  // nothing between the list and the page
}

struct PanelGame : testing::LoadedGame {
  explicit PanelGame(int level) {
    game.player.Level = level;
    for (int j = 1; j <= 5; ++j) game.player.Params[j] = 20 * j - 5;  // 15, 35, 55, 75, 95
    for (int j = 1; j <= 5; ++j) game.panel.ShownValues[j] = 20 * j - 5;
    game.panel.PanelDirty = true;
  }
};

TEST(PageTest, PanelHeightsBordersAndBars) {
  for (int level : {1, 3, 5}) {
    SCOPED_TRACE(level);
    PanelGame t(level);
    UpdatePanel(t.game);
    const Surface& p = t.game.gfx.PanelSurface;
    int h = 45 + 15 * level;
    for (int y : {0, 1, h - 2, h - 1}) EXPECT_TRUE(IsColour(p, 150, y, 0)) << y;
    EXPECT_TRUE(IsColour(p, 150, h - 3, 255));
    EXPECT_TRUE(IsColour(p, 160, 30, 0));
    EXPECT_TRUE(IsColour(p, 159, 30, 255));
    EXPECT_TRUE(IsColour(p, 2, 2, testing::LetteringPixel(0, 0)[0]));  // the lettering at (2, 2)
    for (int j = 1; j <= 5; ++j) {
      int t15 = 15 * j, shown = 20 * j - 5;
      if (j > level) {
        if (t15 + 25 < h - 2) {
          EXPECT_TRUE(IsColour(p, 10, t15 + 25, 255)) << j;  // no box for this level
        }
        continue;
      }
      EXPECT_TRUE(IsColour(p, 10, t15 + 25, 0)) << j;  // the box's corners
      EXPECT_TRUE(IsColour(p, 111, t15 + 34, 0)) << j;
      EXPECT_TRUE(IsColour(p, 112, t15 + 30, 255));
      EXPECT_TRUE(IsColour(p, 11 + shown - 1, t15 + 26, 0)) << j;  // the bar: as wide as the value
      EXPECT_TRUE(IsColour(p, 11 + shown - 1, t15 + 33, 0)) << j;
      EXPECT_TRUE(IsColour(p, 11 + shown, t15 + 30, 255)) << j;
      EXPECT_TRUE(AnyIn(p, 115, t15 + 25, 160, t15 + 37, 0)) << j;  // the mood words
    }
    const Surface& inv = t.game.gfx.PanelInvertedSurface;
    for (std::size_t i = 0; i < p.pixels.size(); ++i) ASSERT_EQ(inv.pixels[i], static_cast<uint8_t>(~p.pixels[i]));
  }
}

TEST(PageTest, ShownValuesMoveOnePerTickAndTheLevelIsClamped) {
  PanelGame t(2);
  t.game.player.Params[1] = 10;  // from 15: five ticks down
  t.game.player.Params[2] = 37;  // from 35: two ticks up
  std::vector<int> one, two;
  std::vector<bool> dirty;
  for (int tick = 0; tick < 7; ++tick) {
    UpdatePanel(t.game);
    one.push_back(t.game.panel.ShownValues[1]);
    two.push_back(t.game.panel.ShownValues[2]);
    dirty.push_back(t.game.panel.PanelDirty);
  }
  EXPECT_EQ(one, (std::vector<int>{14, 13, 12, 11, 10, 10, 10}));
  EXPECT_EQ(two, (std::vector<int>{36, 37, 37, 37, 37, 37, 37}));
  EXPECT_EQ(dirty, (std::vector<bool>{true, true, true, true, true, false, false}));  // one more tick, then idle

  for (int level : {0, -3, 6, 99}) {
    SCOPED_TRACE(level);
    PanelGame u(level);
    EXPECT_NO_THROW(UpdatePanel(u.game));
    EXPECT_NO_THROW(DrawTitleLine(u.game));
    int bars = std::clamp(level, 0, 5);
    for (int j = 1; j <= bars; ++j) EXPECT_TRUE(IsColour(u.game.gfx.PanelSurface, 10, 15 * j + 25, 0)) << j;
    if (bars < 5) {
      EXPECT_TRUE(IsColour(u.game.gfx.PanelSurface, 10, 15 * (bars + 1) + 25, 255));
    }
  }
}

TEST(PageTest, TitleLineAndPanelOnTheFrame) {
  for (bool light : {true, false}) {
    PanelGame t(1);
    t.game.effect.LightScreen = light;
    UpdatePanel(t.game);
    std::fill(t.game.gfx.FrameSurface.pixels.begin(), t.game.gfx.FrameSurface.pixels.end(), uint8_t{128});
    t.game.player.Node = 12;
    t.game.NodeTitle = Sjis("■");
    DrawTitleLine(t.game);
    const Surface& f = t.game.gfx.FrameSurface;
    uint8_t border = light ? 0 : 255;
    EXPECT_TRUE(IsColour(f, 250, 5, border)) << light;
    EXPECT_TRUE(IsColour(f, 411, 64, border));  // 162 x 60 from (250, 5)
    EXPECT_TRUE(IsColour(f, 412, 30, 128));
    EXPECT_TRUE(IsColour(f, 300, 65, 128));
    EXPECT_TRUE(AnyIn(f, 8, 5, 60, 19, light ? 0 : 255));  // "12．■"
    EXPECT_FALSE(AnyIn(f, 0, 20, 250, 256, light ? 0 : 255));
  }
}

struct MenuGame : testing::LoadedGame {
  explicit MenuGame(const char* effect) {
    SetEffect(game, effect);
    game.player.Level = 1;
    game.choices.ChoiceCount = 3;
    for (int i = 1; i <= 3; ++i) game.choices.ChoiceLabels[i] = Sjis("■■■");
    game.menu.MenuVisible = true;
    game.menu.ChoiceCursor = 3;
    game.page.PageLineIndex = -1;
    game.panel.PanelDirty = true;  // as the flow sets it when exploration begins
  }
};

TEST(PageTest, MenuAndCursorPositions) {
  MenuGame t("NONE");
  t.game.menu.CursorFrame = 0;
  ExplorationScreen(t.game, 100, 100);
  EXPECT_EQ(t.game.menu.CursorFrame, 1);  // the first frame drawn is frame 1
  const Surface& w = t.platform.window();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(AnyIn(w, 50, 50 + 20 * i, 80, 50 + 20 * i + 19, 0)) << i;
    EXPECT_FALSE(AnyIn(w, 50, 50 + 20 * i - 3, 240, 50 + 20 * i, 0)) << i;  // labels start at 50 + 20 (i - 1)
  }
  EXPECT_TRUE(IsColour(w, 10 + 1, 85 + 1, 0));  // frame 1's dot; the cursor's top is at 85
  EXPECT_TRUE(IsColour(w, 10, 85 + 31, 0));
  EXPECT_TRUE(IsColour(w, 41, 85 + 31, 0));
  EXPECT_TRUE(IsColour(w, 42, 85 + 31, 255));
  EXPECT_TRUE(IsColour(w, 10 + 1, 85, 255));

  // The key handler: the cursor moves in the window at once, the frame
  // counter stays and nothing outside the column is presented.
  Surface& frame = t.game.gfx.FrameSurface;
  FillRect(frame, 100, 0, 416, 256, Colour{1, 2, 3});
  t.game.menu.ChoiceCursor = 1;
  DrawCursor(t.game, CursorTarget::Window);
  EXPECT_EQ(t.game.menu.CursorFrame, 1);
  EXPECT_TRUE(IsColour(w, 10, 45 + 31, 0));
  EXPECT_TRUE(IsColour(w, 10, 85 + 31, 255));  // the old cursor is gone
  EXPECT_TRUE(IsColour(w, 200, 200, 255));

  for (int tick = 0; tick < 7; ++tick) ExplorationScreen(t.game, 100, 100);
  EXPECT_EQ(t.game.menu.CursorFrame, 0);  // 1 + 7 wraps past 7 to 0
  EXPECT_TRUE(IsColour(w, 10, 45, 0));
}

TEST(PageTest, OnADarkScreenTheCursorIsInvertedAndPainted) {
  MenuGame t("DARKNESS");
  t.game.menu.CursorFrame = 2;
  ExplorationScreen(t.game, 100, 100);
  const Surface& w = t.platform.window();
  EXPECT_TRUE(IsColour(w, 10 + 3, 85 + 3, 255));  // frame 3's dot, white on black
  EXPECT_TRUE(IsColour(w, 20, 85 + 31, 255));
  EXPECT_TRUE(IsColour(w, 20, 85 + 30, 0));
  EXPECT_TRUE(IsColour(w, 250, 5, 255));  // the inverted panel
}

}  // namespace
}  // namespace nurumo
