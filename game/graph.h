// The exploration graph: 50 places, their choices and what entering them does.
#pragma once

#include <cstdint>
#include <string>

#include "core/checked.h"
#include "game/rules.h"

namespace nurumo {

struct Game;
class Serializer;

struct ChoiceList {
  int32_t ChoiceCount = 0;
  CheckedArray<std::string, 1, 10> ChoiceLabels;  // CP932
  CheckedArray<int32_t, 1, 10> ChoiceTargets;
};

void Sync(Serializer& s, ChoiceList& choices);

void AddChoice(Game& game, const std::string& label, int32_t target);
// Builds the place game.player.Node by the rules of a move, then shows it:
// the panel, the title, the picture, the menu and the node trace line.
void BuildNode(Game& game);

}  // namespace nurumo
