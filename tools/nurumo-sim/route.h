// The routes a reader of the level pages follows, as content/README.md
// writes them down, and the player that follows them seeing only what the
// screen shows: the place's title, the choice labels and the mood words.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim.h"

namespace nurumo::sim {

// One row of a route: at a place (empty: any place), when the moods show
// these words, take the first of these labels that is offered.
struct RouteRow {
  std::string place;  // CP932
  // For each mood 1..5 the words that satisfy the row; an empty list places
  // no condition on that mood.
  std::array<std::vector<int32_t>, 5> when;  // bands 0..3
  std::vector<std::string> take;             // CP932 labels, in order of preference
  int line = 0;                              // in the file, for messages
};

struct Routes {
  std::array<std::vector<RouteRow>, 6> levels;  // 1..5
};

// Reads every route table of the text (UTF-8, the README). False with a
// message naming the line for anything that does not parse: a place or a
// label the game does not have, a word that is not a mood word, a level
// without a route.
bool ParseRoutes(std::string_view utf8, Routes& routes, std::string& error);

// The reader: plays the route of its level. In the forest it never turns
// straight back the way it came while another way is offered.
class HintsPolicy final : public Policy {
 public:
  explicit HintsPolicy(Routes routes) : routes_(std::move(routes)) {}
  void NewGame() override { last_ = {}; }
  int32_t Choose(const PlayerData& player, const Move& move) override;

 private:
  Routes routes_;
  std::string_view last_;  // the label taken last
};

}  // namespace nurumo::sim
