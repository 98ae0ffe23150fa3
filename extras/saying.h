// Sayings for the ending screen, the afterword export and the two-digit
// number format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nurumo {

struct Game;

struct SayingState {
  std::vector<std::string> SayingList;  // CP932
};

void LoadSayings(Game& game);
void FreeSayings(Game& game);
void ExportAfterword(Game& game);
std::string TwoDigits(int32_t n);

}  // namespace nurumo
