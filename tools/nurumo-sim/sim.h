// Many games played fast on the game's own rules of a move, with a policy
// choosing at every place; the shares of games reaching and passing each
// level and the moves they took.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/random.h"
#include "game/rules.h"

namespace nurumo::sim {

// Chooses at every place.
class Policy {
 public:
  virtual ~Policy() = default;
  virtual void NewGame() {}
  // The choice (1..move.count) to take at the place just built; `player` is
  // the player data after the build.
  virtual int32_t Choose(const PlayerData& player, const Move& move) = 0;
};

// A uniform choice, from a generator of its own.
class RandomPolicy final : public Policy {
 public:
  explicit RandomPolicy(uint32_t seed) : random_(seed) {}
  int32_t Choose(const PlayerData&, const Move& move) override { return 1 + random_(move.count); }

 private:
  Random random_;
};

struct Start {
  int32_t level = 1;
  int32_t node = 0;
  std::array<int32_t, 5> moods = {30, 25, 20, 15, 10};
};

struct Settings {
  int32_t games = 500;
  uint32_t seed = 1;
  int32_t cap = 5000;  // moves in one game before it counts as stuck
  Start start;
  int32_t show = -1;  // print the course of this game, -1 for none
};

struct GameResult {
  int32_t passed = 0;              // the highest level broken through, 0 for none
  std::array<int32_t, 6> moves{};  // moves taken in levels 1..5 (index 1..5)
  int32_t died = 0;                // the mood that ran out, 0 for none
  bool capped = false;
};

// One game from `start`, the rules' draws from `random`. With `course`, one
// line a move: the level, the place, the moods after it and the choice.
GameResult PlayGame(const Start& start, Random& random, Policy& policy, int32_t cap,
                    std::ostream* course = nullptr);

struct LevelRow {
  int32_t level = 0;
  double reached = 0;               // share of games that played this level
  double passed = 0;                // share that broke through it
  std::array<double, 5> ran_out{};  // share of games that ended here with mood 1..5 at 0
  int32_t median = 0;               // moves in the level, among those that passed
  int32_t p10 = 0;
  int32_t p90 = 0;
};

struct Summary {
  std::vector<LevelRow> levels;
  double finished = 0;  // share that broke through level 5
  double died = 0;
  double capped = 0;
};

Summary Summarise(const Start& start, const std::vector<GameResult>& results);

// Settings.games games; game i draws from Random(seed + i).
Summary Simulate(const Settings& settings, Policy& policy, std::ostream* course = nullptr);

void PrintSummary(std::ostream& out, const std::string& policy, const Settings& settings,
                  const Summary& summary);

}  // namespace nurumo::sim
