#include "sim.h"

#include <algorithm>
#include <cstdio>

#include "core/text.h"

namespace nurumo::sim {

namespace {

// The value below which `share` of the sorted values lie (nearest rank).
int32_t Percentile(const std::vector<int32_t>& sorted, double share) {
  if (sorted.empty()) return 0;
  auto rank = static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(rank, sorted.size() - 1)];
}

std::string Percent(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%5.1f %%", 100.0 * share);
  return text;
}

}  // namespace

void ShowMove(std::ostream& out, const PlayerData& player, const Move& move, int32_t k) {
  out << "L" << player.Level << ' ' << player.Node << ' ' << Cp932ToUtf8(move.title) << " [";
  for (int32_t i = 1; i <= 5; ++i) out << (i > 1 ? " " : "") << player.Params[i];
  out << "] ->";
  if (k > 0) out << ' ' << Cp932ToUtf8(move.choice(k).label) << ' ' << move.choice(k).target;
  out << '\n';
}

GameResult PlayGame(const Start& start, Random& random, Policy& policy, int32_t cap, std::ostream* course) {
  PlayerData player;
  player.Level = start.level;
  for (int32_t i = 1; i <= 5; ++i) player.Params[i] = start.moods[static_cast<std::size_t>(i - 1)];
  player.Node = start.node;
  policy.NewGame();
  GameResult result;
  for (int32_t total = 0;; ++total) {
    if (total >= cap) {
      result.capped = true;
      return result;
    }
    Move move;
    BuildPlace(player, random, move);
    if (int32_t empty = FirstEmptyParam(player); empty != 0) {
      if (course) ShowMove(*course, player, move, 0);
      result.died = empty;
      return result;
    }
    const int32_t level = player.Level;
    ++result.moves[static_cast<std::size_t>(level)];
    const int32_t k = move.count > 0 ? policy.Choose(player, move) : 0;
    if (course) ShowMove(*course, player, move, k);
    const int32_t target =
        k > 0 ? move.choice(k).target : 0;  // a place outside the graph leads back to the start
    if (!TakeTarget(player, target)) continue;
    result.passed = level;
    if (level >= 5) return result;
    LevelUp(player);
  }
}

Summary Summarise(const Start& start, const std::vector<GameResult>& results) {
  Summary summary;
  const double n = results.empty() ? 1.0 : static_cast<double>(results.size());
  for (int32_t level = start.level; level <= 5; ++level) {
    LevelRow row;
    row.level = level;
    std::vector<int32_t> moves;
    int32_t reached = 0;
    int32_t passed = 0;
    for (const GameResult& r : results) {
      if (r.passed >= level - 1 || level == start.level) ++reached;
      if (r.died != 0 && std::max(r.passed + 1, start.level) == level)
        row.ran_out[static_cast<std::size_t>(r.died - 1)] += 1 / n;
      if (r.passed >= level) {
        ++passed;
        moves.push_back(r.moves[static_cast<std::size_t>(level)]);
      }
    }
    std::sort(moves.begin(), moves.end());
    row.reached = reached / n;
    row.passed = passed / n;
    row.median = Percentile(moves, 0.5);
    row.p10 = Percentile(moves, 0.1);
    row.p90 = Percentile(moves, 0.9);
    summary.levels.push_back(row);
  }
  for (const GameResult& r : results) {
    if (r.passed >= 5) summary.finished += 1 / n;
    if (r.died != 0) summary.died += 1 / n;
    if (r.capped) summary.capped += 1 / n;
  }
  return summary;
}

Summary Simulate(const Settings& settings, Policy& policy, std::ostream* course) {
  std::vector<GameResult> results;
  results.reserve(static_cast<std::size_t>(std::max(settings.games, 0)));
  for (int32_t i = 0; i < settings.games; ++i) {
    Random random(settings.seed + static_cast<uint32_t>(i));
    results.push_back(
        PlayGame(settings.start, random, policy, settings.cap, i == settings.show ? course : nullptr));
  }
  return Summarise(settings.start, results);
}

void PrintSummary(std::ostream& out, const std::string& policy, const Settings& settings,
                  const Summary& summary) {
  out << "policy " << policy << ": " << settings.games << " games from level " << settings.start.level
      << ", moods";
  for (int32_t m : settings.start.moods) out << ' ' << m;
  out << ", seed " << settings.seed << ", at most " << settings.cap << " moves\n";
  out << "level  reached  passed   moves: median  10-90 %    ran out: mood 1..5\n";
  for (const LevelRow& row : summary.levels) {
    char line[160];
    std::snprintf(line, sizeof line, "%5d  %s  %s  %13d  %-9s", row.level, Percent(row.reached).c_str(),
                  Percent(row.passed).c_str(), row.median,
                  (std::to_string(row.p10) + "-" + std::to_string(row.p90)).c_str());
    out << line;
    for (double share : row.ran_out) out << ' ' << Percent(share);
    out << '\n';
  }
  out << "finished " << Percent(summary.finished) << " (a mood ran out in " << Percent(summary.died)
      << ", stopped at the cap in " << Percent(summary.capped) << ")\n";
}

}  // namespace nurumo::sim
