// Page text revealed character by character, list lines, the parameter
// panel, the title line, the choice menu with its cursor, and the two frame
// callbacks that show them.
#include "gfx/page.h"

#include "core/serializer.h"

#include <algorithm>
#include <vector>

#include "core/text.h"
#include "game/flow.h"
#include "game/game.h"

namespace nurumo {

namespace {

constexpr FontSpec kPageFont{12, true, false, false};
constexpr FontSpec kPanelFont{9, false, true, false};
constexpr FontSpec kTitleLineFont{10, false, false, true};
constexpr FontSpec kMenuFont{14, true, false, false};
constexpr int kPanelWidth = 162;
constexpr int kCursorX = 10;
constexpr int kCursorSize = 32;

// The panel shows the levels that lie in 1..5: none below 1, five above 5,
// so a level out of range never raises an error box on every frame.
int PanelLevel(const Game& game) { return std::clamp(game.player.Level, 0, 5); }
int PanelRows(const Game& game) { return 45 + 15 * PanelLevel(game); }

// Step the shown values one toward the parameters; true if any moved.
bool MoveShownValues(Game& game) {
  bool moved = false;
  for (int j = 1; j <= PanelLevel(game); ++j) {
    int32_t& shown = game.panel.ShownValues[j];
    int32_t real = game.player.Params[j];
    if (real > shown) { ++shown; moved = true; }
    if (real < shown) { --shown; moved = true; }  // tested after the raise, as one tick moves by one
  }
  return moved;
}

}  // namespace

Colour TextColour(const Game& game, TextRole role) {
  bool light = game.effect.LightScreen;
  if (role == TextRole::Shadow) return light ? kWhite : kBlack;
  return light ? kBlack : kWhite;
}

void DrawShadowText(Game& game, Surface& surface, int x, int y, const std::string& cp932, const FontSpec& font) {
  TextRasterizer& text = game.platform.Text();
  Colour shadow = TextColour(game, TextRole::Shadow);
  text.Draw(surface, x + 1, y, cp932, font, shadow, nullptr);
  text.Draw(surface, x, y + 1, cp932, font, shadow, nullptr);
  text.Draw(surface, x, y, cp932, font, TextColour(game, TextRole::Main), nullptr);
}

void RevealStep(Game& game) {
  RevealState& reveal = game.reveal;
  const PageState& page = game.page;
  if (page.PageLineIndex == -1) reveal.RevealDone = true;
  if (!reveal.RevealDone) {
    int k = reveal.RevealLine;
    const std::string& line = page.PageLines[k];
    std::string& shown = reveal.RevealedLines[k];
    std::size_t n = shown.size();
    if (n < line.size()) shown += line.substr(n, CharLength(line, n));  // a double-byte character whole
    if (shown == line) {
      if (page.PageLineIndex > k)
        reveal.RevealLine = k + 1;  // the next line starts on the next tick
      else
        AdvanceFlow(game);  // the flow answers with RevealAll; until then every tick asks again
    }
  }
  for (int i = 0; i <= game.reveal.RevealLine; ++i)
    DrawShadowText(game, game.gfx.FrameSurface, 10, 180 + 18 * i, game.reveal.RevealedLines[i], kPageFont);
}

void RevealAll(Game& game) {
  const PageState& page = game.page;
  for (int i = 0; i < 4; ++i) game.reveal.RevealedLines[i] = page.PageLines[i];
  game.reveal.RevealLine = page.PageLineIndex;
  game.reveal.RevealDone = true;
  std::vector<std::string> lines, list;
  for (int i = 0; i <= page.PageLineIndex; ++i) lines.push_back(page.PageLines[i]);
  for (int i = 0; i < page.ListLineCount; ++i) list.push_back(page.ListLines[i]);
  game.trace.Event("page").Strs("lines", lines).Strs("list", list);
  if (game.observer) game.observer->PageShown(lines);
}

void ResetReveal(Game& game) {
  for (std::string& line : game.reveal.RevealedLines) line.clear();
  game.reveal.RevealLine = 0;
  game.reveal.RevealDone = false;
}

void DrawListLines(Game& game) {
  for (int i = 0; i < game.page.ListLineCount; ++i)
    DrawShadowText(game, game.gfx.FrameSurface, 10, 10 + 22 * i, game.page.ListLines[i], kPageFont);
}

void UpdatePanel(Game& game) {
  if (!MoveShownValues(game)) game.panel.PanelDirty = false;  // still drawn this once
  Surface& panel = game.gfx.PanelSurface;
  int h = PanelRows(game);
  FillRect(panel, 0, 0, kPanelWidth, h, kBlack);
  FillRect(panel, 2, 2, kPanelWidth - 2, h - 2, kWhite);  // a 2-pixel black border remains
  BitBlt(panel, 2, 2, game.gfx.FontWidth, game.gfx.FontHeight, game.gfx.FontStrip, 0, 0, Rop::SrcCopy);
  for (int j = 1; j <= PanelLevel(game); ++j) {
    int t = 15 * j;
    FrameRect(panel, 10, t + 25, 112, t + 35, kBlack);  // a 102 x 10 box: values 0..100 fit inside
    FillRect(panel, 11, t + 26, 11 + game.panel.ShownValues[j], t + 34, kBlack);
    std::string label = Sjis("…") + MoodLabel(game, j) + Sjis("。");
    game.platform.Text().Draw(panel, 115, t + 25, label, kPanelFont, kBlack, nullptr);  // the panel's text is never recoloured
  }
  CopySurface(game.gfx.PanelInvertedSurface, panel, Rop::NotSrcCopy);
}

void DrawTitleLine(Game& game) {
  std::string title = std::to_string(game.player.Node) + Sjis("．") + game.NodeTitle;
  DrawShadowText(game, game.gfx.FrameSurface, 8, 5, title, kTitleLineFont);
  const Surface& panel = game.effect.LightScreen ? game.gfx.PanelSurface : game.gfx.PanelInvertedSurface;
  BitBlt(game.gfx.FrameSurface, 250, 5, kPanelWidth, PanelRows(game), panel, 0, 0, Rop::SrcCopy);
}

void DrawMenu(Game& game) {
  for (int i = 1; i <= game.choices.ChoiceCount; ++i)
    DrawShadowText(game, game.gfx.FrameSurface, 50, 50 + 20 * (i - 1), game.choices.ChoiceLabels[i], kMenuFont);
}

// The cursor column of the frame, kept in the spare surface so that a moved
// cursor can be drawn again over a clean column.
void SaveCursorColumn(Game& game) {
  BitBlt(game.gfx.SpareSurface, kCursorX, 0, kCursorSize, kScreenHeight, game.gfx.FrameSurface, kCursorX, 0,
         Rop::SrcCopy);
}

void DrawCursor(Game& game, CursorTarget target) {
  Assets& gfx = game.gfx;
  BitBlt(gfx.FrameSurface, kCursorX, 0, kCursorSize, kScreenHeight, gfx.SpareSurface, kCursorX, 0, Rop::SrcCopy);
  bool light = game.effect.LightScreen;
  int top = 45 + 20 * (game.menu.ChoiceCursor - 1);  // 5 pixels above its label
  BitBlt(gfx.FrameSurface, kCursorX, top, kCursorSize, kCursorSize, light ? gfx.CursorSurface : gfx.CursorInvertedSurface,
         kCursorSize * game.menu.CursorFrame, 0, light ? Rop::SrcAnd : Rop::SrcPaint);
  if (target == CursorTarget::Window) game.platform.PresentColumn(gfx.FrameSurface, kCursorX, kCursorSize);
}

void PageScreen(Game& game, int32_t, int32_t) {
  RunEffectRoutine(game);
  RevealStep(game);
  DrawListLines(game);
  Present(game);
}

void ExplorationScreen(Game& game, int32_t, int32_t) {
  RunEffectRoutine(game);
  RevealStep(game);
  if (game.panel.PanelDirty) UpdatePanel(game);
  DrawTitleLine(game);
  if (game.menu.MenuVisible) {
    DrawMenu(game);
    game.menu.CursorFrame = game.menu.CursorFrame + 1 > 7 ? 0 : game.menu.CursorFrame + 1;
    SaveCursorColumn(game);
    DrawCursor(game, CursorTarget::Frame);
  }
  Present(game);
}

void Sync(Serializer& s, RevealState& reveal) {
  SyncStrings(s, reveal.RevealedLines, 1 << 20);
  SyncInRange(s, reveal.RevealLine, -1, 3, "the revealed line");  // -1 after an empty page was shown whole
  s.Sync(reveal.RevealDone);
}

void Sync(Serializer& s, PanelState& panel) {
  SyncInts(s, panel.ShownValues);
  s.Sync(panel.PanelDirty);
}

void Sync(Serializer& s, MenuState& menu) {
  s.Sync(menu.MenuVisible);
  SyncInRange(s, menu.ChoiceCursor, 0, 10, "the choice cursor");
  SyncInRange(s, menu.CursorFrame, 0, 7, "the cursor frame");
}

}  // namespace nurumo
