// The careful player: whole games of its choices on the rules, with the
// tables kept in the program and with every table worked out anew.
#include <benchmark/benchmark.h>

#include <array>

#include "core/random.h"
#include "game/planner.h"

namespace nurumo {
namespace {

// One game from the start of level 1, as nurumo-sim plays it; the moves.
int PlayOneGame(Planner& planner, uint32_t seed) {
  Random random(seed);
  PlayerData player;
  player.Level = 1;
  const std::array<int32_t, 5> moods = {30, 25, 20, 15, 10};
  for (int32_t i = 1; i <= 5; ++i) player.Params[i] = moods[static_cast<std::size_t>(i - 1)];
  int moves = 0;
  for (; moves < 5000; ++moves) {
    Move built;
    BuildPlace(player, random, built);
    if (FirstEmptyParam(player) != 0) break;
    const int32_t k = built.count > 0 ? planner.Choose(player, built) : 0;
    if (!TakeTarget(player, k > 0 ? built.choice(k).target : 0)) continue;
    if (player.Level >= 5) break;
    LevelUp(player);
  }
  return moves;
}

// Games one after another with one planner, as the simulator plays them.
void BM_PlannedGame(benchmark::State& state) {
  Planner planner;
  uint32_t seed = 1;
  for (auto _ : state) benchmark::DoNotOptimize(PlayOneGame(planner, seed++));
}
BENCHMARK(BM_PlannedGame)->Unit(benchmark::kMillisecond);

// A fresh planner for every game, as the autoplayer of one run starts.
void BM_FirstGameOfAPlanner(benchmark::State& state) {
  uint32_t seed = 1;
  for (auto _ : state) {
    Planner planner;
    benchmark::DoNotOptimize(PlayOneGame(planner, seed++));
  }
}
BENCHMARK(BM_FirstGameOfAPlanner)->Unit(benchmark::kMillisecond);

// The same with no kept tables: what the start cost before they were kept.
void BM_FirstGameWorkingOutEveryTable(benchmark::State& state) {
  PlannerSettings settings;
  settings.stored_tables = false;
  uint32_t seed = 1;
  for (auto _ : state) {
    Planner planner(settings);
    benchmark::DoNotOptimize(PlayOneGame(planner, seed++));
  }
}
BENCHMARK(BM_FirstGameWorkingOutEveryTable)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace nurumo
