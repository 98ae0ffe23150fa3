// Page text, the parameter panel and the choice menu, and the two frame
// callbacks that show them.
#pragma once

#include <cstdint>
#include <string>

#include "core/checked.h"
#include "core/surface.h"
#include "platform/platform.h"

namespace nurumo {

struct Game;
class Serializer;

struct RevealState {
  CheckedArray<std::string, 0, 3> RevealedLines;
  int32_t RevealLine = 0;
  bool RevealDone = false;
};

struct PanelState {
  CheckedArray<int32_t, 1, 5> ShownValues;
  bool PanelDirty = false;
};

struct MenuState {
  bool MenuVisible = false;
  int32_t ChoiceCursor = 1;
  int32_t CursorFrame = 0;
};

void Sync(Serializer& s, RevealState& reveal);
void Sync(Serializer& s, PanelState& panel);
void Sync(Serializer& s, MenuState& menu);

enum class TextRole { Shadow, Main };
enum class CursorTarget { Frame, Window };

Colour TextColour(const Game& game, TextRole role);
void DrawShadowText(Game& game, Surface& surface, int x, int y, const std::string& cp932,
                    const FontSpec& font);
void RevealStep(Game& game);
void RevealAll(Game& game);
void ResetReveal(Game& game);
void DrawListLines(Game& game);
void UpdatePanel(Game& game);
void DrawTitleLine(Game& game);
void DrawMenu(Game& game);
void SaveCursorColumn(Game& game);  // frame columns 10..41 into the spare surface
void DrawCursor(Game& game, CursorTarget target);
void PageScreen(Game& game, int32_t interval, int32_t elapsed);
void ExplorationScreen(Game& game, int32_t interval, int32_t elapsed);

}  // namespace nurumo
