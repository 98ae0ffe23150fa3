// The careful player: an expectimax search over the rules of a move and the
// numbers (the moods' values, the odds of every draw), never over where the
// dice have already landed. What it would choose is the upper bound of what
// careful play achieves; the simulator measures it, the autoplayer plays it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "game/graph.h"
#include "game/rules.h"

namespace nurumo {

struct PlannerSettings {
  int depth = 6;              // moves looked ahead; a trip back to the start place ends a line sooner
  int32_t reserve = 50;       // a mood below this is brought back up before it runs low
  double death = 10000.0;     // a mood run out counts as this many moves lost
  double point_cost = 0.5;    // moves it takes to win back one point of a mood
  bool stored_tables = true;  // take the tables kept in the program where they fit
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

// The slow part of the planner's start is working out its tables: value
// iteration over every place and every value of a mood. They are worked out
// ahead and kept in the program (game/planner_tables.bin, written by
// tools/planner-tables): one for each level, each mood in play and each set
// of the other moods that are high. A kept table is taken only when
// what it was worked out from is what the rules give now, so a stale pack
// costs time, never a different choice.
struct StoredMoodTable {
  int32_t level = 0;
  int32_t mood = 0;
  int32_t mask = 0;
  uint64_t inputs = 0;  // the fingerprint of the places as the sweeps read them
  std::vector<double> cost;
  bool operator==(const StoredMoodTable&) const = default;
};
// Every table the pack holds; with `costs` false only their keys and
// fingerprints, which is quick.
std::vector<StoredMoodTable> WorkOutMoodTables(const PlannerSettings& settings = {}, bool costs = true);
StoredMoodTable WorkOutMoodTable(int32_t level, int32_t mood, int32_t mask,
                                 const PlannerSettings& settings = {});
std::vector<unsigned char> PackMoodTables(const std::vector<StoredMoodTable>& tables);
// Nothing when `packed` is not a pack of tables.
std::optional<std::vector<StoredMoodTable>> UnpackMoodTables(std::span<const unsigned char> packed);
// The pack kept in the program.
std::span<const unsigned char> BundledMoodTables();

}  // namespace nurumo
