// Placeholder bodies; the window lands with the foundation work.
#include "app/form.h"

#include "game/game.h"

namespace nurumo {

void FormCreate(Game&) {}
void FormDestroy(Game&) {}
bool FormShortCut(Game&, int vk) { return vk == vk::kAlt || vk == vk::kF10; }
void FormKeyDown(Game&, int) {}
void DispatchEvent(Game&, const InputEvent&) {}

}  // namespace nurumo
