// Placeholder bodies; the stepper lands with the scripts work.
#include "script/stepper.h"

#include "game/game.h"

namespace nurumo {

void ClearPage(Game& game) { game.page.PageLineIndex = -1; }
bool AddPageLine(Game&, const std::string&) { return false; }
void ClearList(Game& game) { game.page.ListLineCount = 0; }
void AddListLine(Game&, const std::string&) {}
void StepScript(Game&) {}

}  // namespace nurumo
