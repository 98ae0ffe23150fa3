// The rules of a move through the exploration graph, over the player data
// and a source of draws alone: the wear, the place's title and picture, its
// choices with their conditions and draws in table order, and its own
// changes. No Game, no platform, no trace: the flow builds every place with
// these rules, and so do the simulator and the autoplayer, so there is one
// copy of them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "game/player.h"

namespace nurumo {

class Random;

inline constexpr int32_t BreakthroughTarget = 999;
inline constexpr int32_t kPlaceCount = 50;  // places 0..49

// Where the draws of a build come from: the game's Random, or a planner
// trying every outcome. A target draw only picks where an offered choice
// leads; an offer draw decides what is offered at all.
class Draws {
 public:
  enum class Use : uint8_t { Target, Offer };
  virtual ~Draws() = default;
  virtual int32_t Draw(int32_t n, Use use) = 0;  // uniform 0..n-1
};

// What a player can know of a choice before taking it: the targets its
// draw could have given, each equally likely. low..low+count-1, and for a
// coin also `other`.
struct Odds {
  int32_t low = 0;
  int32_t count = 1;
  int32_t other = -1;  // -1: no second target

  int32_t size() const { return count + (other >= 0 ? 1 : 0); }
  int32_t at(int32_t i) const { return i < count ? low + i : other; }
};

struct Choice {
  std::string_view label;  // CP932, from the table (lives as long as the program)
  int32_t target = 0;      // as drawn when the place was built
  Odds odds;
};

// What building a place did besides changing the player data. Filled as the
// build goes, so after an error it holds what was done up to it.
struct Move {
  bool panel_dirty = false;  // a parameter changed: the panel must be redrawn
  bool placed = false;       // the place is in the graph: title and picture are set
  std::string_view title;    // CP932
  int32_t picture = 0;
  int32_t count = 0;  // choices 1..count are valid
  std::array<Choice, 10> choices{};

  const Choice& choice(int32_t k) const;  // 1-based; a RangeError outside 1..count
};

// Enter the place player.Node: every parameter in play loses 1, then the
// place's title, picture, choices (each condition tested and each number
// drawn now, in table order) and its own changes. A place outside the graph
// only wears.
void BuildPlace(PlayerData& player, Draws& draws, Move& move);
void BuildPlace(PlayerData& player, Random& random, Move& move);

// Take a choice's target: true for the breakthrough (nothing changes; the
// level-up follows), else the target becomes the current place.
bool TakeTarget(PlayerData& player, int32_t target);

// After the level-up page: the next level, from the start place.
void LevelUp(PlayerData& player);

// Whether some place has this title, or some place can offer this label
// (CP932): for tools that read what authors write about the graph.
bool IsPlaceTitle(std::string_view cp932);
bool IsChoiceLabel(std::string_view cp932);

}  // namespace nurumo
