// The careful player: an expectimax search over the rules of a move and the
// numbers (the moods' values, the odds of every draw), never over where the
// dice have already landed. What it would choose is the upper bound of what
// careful play achieves; the simulator measures it, the autoplayer plays it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "game/graph.h"
#include "game/rules.h"

namespace nurumo {

struct PlannerSettings {
  int depth = 6;            // moves looked ahead; a trip back to the start place ends a line sooner
  int32_t reserve = 50;     // a mood below this is brought back up before it runs low
  double death = 10000.0;   // a mood run out counts as this many moves lost
  double point_cost = 0.5;  // moves it takes to win back one point of a mood
};

class Planner {
 public:
  explicit Planner(PlannerSettings settings = {});
  ~Planner();
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  // The choice (1..move.count) to take at the place just built: `player` as
  // it stands after the build, `move` its menu. Only the labels and their
  // odds are looked at, not the targets the draws gave.
  int32_t Choose(const PlayerData& player, const Move& move);

 private:
  class Search;
  PlannerSettings settings_;
  std::unique_ptr<Search> search_;
};

// The menu of a place as the game shows it (labels and targets), with the
// odds the rules give each label there: what a player who knows the rules
// knows. `player` is the player data after the place was built.
Move MenuWithOdds(const PlayerData& player, const ChoiceList& list);

}  // namespace nurumo
