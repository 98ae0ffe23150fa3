// Placeholder bodies; page drawing lands with the pictures work.
#include "gfx/page.h"

#include "game/game.h"

namespace nurumo {

Colour TextColour(const Game&, TextRole) { return kBlack; }
void DrawShadowText(Game&, Surface&, int, int, const std::string&, const FontSpec&) {}
void RevealStep(Game&) {}
void RevealAll(Game&) {}
void ResetReveal(Game&) {}
void DrawListLines(Game&) {}
void UpdatePanel(Game&) {}
void DrawTitleLine(Game&) {}
void DrawMenu(Game&) {}
void DrawCursor(Game&, CursorTarget) {}
void PageScreen(Game&, int32_t, int32_t) {}
void ExplorationScreen(Game&, int32_t, int32_t) {}

}  // namespace nurumo
