// Placeholder bodies; extras land with the sound and extras work.
#include "extras/saying.h"

#include "game/game.h"

namespace nurumo {

void LoadSayings(Game&) {}
void FreeSayings(Game&) {}
void ExportAfterword(Game&) {}
std::string TwoDigits(int32_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace nurumo
