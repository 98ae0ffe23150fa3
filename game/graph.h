// The exploration graph: 50 places, their choices and what entering them does.
#pragma once

#include <cstdint>
#include <string>

#include "core/checked.h"

namespace nurumo {

struct Game;
class Serializer;

inline constexpr int32_t BreakthroughTarget = 999;

struct ChoiceList {
  int32_t ChoiceCount = 0;
  CheckedArray<std::string, 1, 10> ChoiceLabels;  // CP932
  CheckedArray<int32_t, 1, 10> ChoiceTargets;
};

void Sync(Serializer& s, ChoiceList& choices);

void AddChoice(Game& game, const std::string& label, int32_t target);
void BuildNode(Game& game);

}  // namespace nurumo
