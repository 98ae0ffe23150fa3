// The title screen, the save question and the ending screen with its
// floating sayings.
#include "gfx/screens.h"

#include "core/serializer.h"

#include <algorithm>
#include <cstdlib>

#include "core/text.h"
#include "game/game.h"

namespace nurumo {

namespace {

constexpr FontSpec kPromptFont{10, true, false, false};
constexpr FontSpec kSaveFont{12, true, false, false};

struct SaveText {
  const char* prompt;
  int x;
  const char* utf8;
};

constexpr std::array<SaveText, 3> kSaveTexts = {{
    {"SAVE", 110, "セーブしますか？　（Y/N）"},  // a full-width space and full-width parentheses
    {"SUCCESS", 150, "セーブしました。"},
    {"FAILURE", 110, "セーブできませんでした。"},
}};

// Three flickering lines near the top, mirrored at the bottom.
void DrawFlickerLines(Game& game) {
  Colour pen = TextColour(game, TextRole::Main);
  int y = 10;
  for (int i = 0; i < 3; ++i) {
    y += 1 + game.random(3);
    DrawLine(game.gfx.FrameSurface, 0, y, kScreenWidth, y, pen);
    DrawLine(game.gfx.FrameSurface, 0, kScreenHeight - y, kScreenWidth, kScreenHeight - y, pen);
  }
}

// 2a + 1 vertically shifted copies of a paler band make the lettering tremble.
void DrawTremblingLettering(Game& game) {
  Assets& gfx = game.gfx;
  int a = game.random(6);
  for (int v = -a; v <= a; ++v)
    BitBlt(gfx.FrameSurface, 80, 80 + v, gfx.FontWidth, gfx.FontHeight, gfx.FontStrip, 0, a * gfx.FontHeight,
           Rop::SrcAnd);
}

}  // namespace

void TitleScreen(Game& game, bool fade) {
  Assets& gfx = game.gfx;
  CopySurface(gfx.FrameSurface, gfx.BackgroundSurfaces[1], Rop::SrcCopy);  // unwashed, unlike the stage
  AsTitleDots(game);
  game.platform.Text().Draw(gfx.FrameSurface, 20, 230, "Push SPACE or ENTER", kPromptFont, kBlack, &kWhite);
  if (fade) {
    int i = std::min(game.flow.TitleCounter, 8);
    CheckRange(i, 0, 8);
    CopySurface(gfx.FrameSurface, gfx.GreySurfaces[static_cast<std::size_t>(i)], Rop::SrcPaint);
  }
  DrawTremblingLettering(game);  // after the fade: the lettering stays visible on white
  Present(game);
}

void SaveScreen(Game& game, int32_t, int32_t) {
  RunEffectRoutine(game);
  DrawFlickerLines(game);
  for (const SaveText& row : kSaveTexts)
    if (game.flow.SavePrompt == row.prompt)
      DrawShadowText(game, game.gfx.FrameSurface, row.x, 118, Sjis(row.utf8), kSaveFont);
  Present(game);
}

// Pictures 14, 14, 15, 15, 16, 16, 15, 15 over eight ticks.
void EndingScreen(Game& game, int32_t, int32_t) {
  int t = game.ending.EndingTick;
  int i = 2 - std::abs(2 - t / 2);
  CheckRange(i, 0, 2);
  SetStage(game, game.gfx.BackgroundSurfaces[static_cast<std::size_t>(EndingCycle[static_cast<std::size_t>(i)])]);
  EffectNormal(game);
  DrawSaying(game, game.gfx.FrameSurface);
  Present(game);
  game.ending.EndingTick = t + 1 > 7 ? 0 : t + 1;
}

// Random draws in the order index, size, y, x; with no sayings nothing is
// drawn and nothing is drawn from the generator either.
void DrawSaying(Game& game, Surface& surface) {
  const auto& list = game.sayings.SayingList;
  if (list.empty()) return;
  int index = game.random(static_cast<int32_t>(list.size()));
  FontSpec font{5 + game.random(11), true, false, false};
  int y = game.random(kScreenHeight) - 5;
  int x = game.random(kScreenWidth) - 50;
  game.platform.Text().Draw(surface, x, y, list[static_cast<std::size_t>(index)], font, kBlack, nullptr);
}

void Sync(Serializer& s, EndingState& ending) { SyncInRange(s, ending.EndingTick, 0, 7, "the ending tick"); }

}  // namespace nurumo
