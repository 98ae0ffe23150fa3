// The simulator: the routes authors write, the reader that follows them, the
// careful player, and the tables the tool prints.
#include "sim.h"
#include "support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli.h"
#include "core/text.h"
#include "route.h"
#include "game/planner.h"

namespace nurumo {
namespace {

using sim::HintsPolicy;
using sim::ParseRoutes;
using sim::Routes;

// Five routes; level 1's is `rows`, the others take the dice.
std::string Readme(const std::string& rows) {
  std::string text = "# Routes\n\nSome prose.\n\n<!-- route 1 -->\n| place | when | take |\n|---|---|---|\n" +
                     rows + "<!-- end route -->\n";
  for (int level = 2; level <= 5; ++level)
    text += "<!-- route " + std::to_string(level) +
            " -->\n| はじまりはゼロから | | サイコロを振る |\n<!-- end route -->\n";
  return text;
}

// Builds the place with every draw at 0 (the coin lands on its first side,
// chances are offered).
struct ZeroDraws final : Draws {
  int32_t Draw(int32_t, Use) override { return 0; }
};

Move Build(PlayerData& p) {
  ZeroDraws draws;
  Move move;
  BuildPlace(p, draws, move);
  return move;
}

std::string Label(const Move& move, int32_t k) { return Cp932ToUtf8(move.choice(k).label); }

TEST(Routes, BadTablesNameTheLine) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {Readme("| どこにもない場所 | | サイコロを振る |\n"), "line 8: no place is called 'どこにもない場所'"},
      {Readme("| はじまりはゼロから | 元気 | サイコロを振る |\n"), "line 8: '元気' is not a mood word"},
      {Readme("| はじまりはゼロから | | 走る |\n"), "line 8: no place offers '走る'"},
      {Readme("| はじまりはゼロから | |\n"), "line 8: a route row has three cells: place, when, take"},
      {Readme("| はじまりはゼロから | 悦楽 | |\n"), "line 8: a route row takes at least one label"},
      {"<!-- route 1 -->\n| * | | さて |\n", "the route of level 1 is not closed with <!-- end route -->"},
      {"<!-- route 1 -->\n<!-- end route -->\n", "no route for level 2"},
      {"<!-- route 9 -->\n", "line 1: a route is opened as <!-- route 1 --> .. <!-- route 5 -->"},
  };
  for (const auto& c : cases) {
    Routes routes;
    std::string error;
    EXPECT_FALSE(ParseRoutes(c.text, routes, error)) << c.message;
    EXPECT_EQ(error, c.message);
  }
}

// The bundled game's routes are the ones the simulator plays by default.
TEST(Routes, TheBundledReadmeHasAllFiveRoutes) {
  std::ifstream in(std::string(NURUMO_SOURCE_DIR) + "/content/README.md", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  Routes routes;
  std::string error;
  ASSERT_TRUE(ParseRoutes(text.str(), routes, error)) << error;
  for (int level = 1; level <= 5; ++level)
    EXPECT_FALSE(routes.levels[static_cast<std::size_t>(level)].empty()) << level;
}

TEST(Routes, ReaderTakesTheFirstOfferedLabelOfTheFirstRowThatHolds) {
  Routes routes;
  std::string error;
  ASSERT_TRUE(ParseRoutes(Readme("| そこを指でなぞる | 悦楽 | 空気を |\n"
                                 "| * | 苦痛 不快 | 壁を 自分を |\n"
                                 "| 風は | 悦楽　恐怖 | 吹いていない |\n"
                                 "| 風は | | 吹いている★ 吹いていない |\n"),
                          routes, error))
      << error;
  HintsPolicy reader(routes);
  const struct {
    std::array<int32_t, 5> moods;
    int32_t node;
    std::string label;
  } cases[] = {
      {{90, 50, 50, 50, 50}, 1, "空気を"},       // 悦楽 after the wear
      {{30, 50, 50, 50, 50}, 1, "壁を"},         // any place, first label offered
      {{60, 50, 50, 50, 50}, 1, "自分を"},       // no row holds: the first choice
      {{90, 10, 50, 50, 50}, 7, "吹いている★"},  // mood 2 is not shown at level 1: the row does not hold
  };
  for (const auto& c : cases) {
    PlayerData p = testing::Player(1, c.moods, c.node);
    const Move move = Build(p);
    EXPECT_EQ(Label(move, reader.Choose(p, move)), c.label) << c.node;
  }
}

TEST(Routes, ReaderNeverTurnsStraightBackInTheForest) {
  Routes routes;
  std::string error;
  ASSERT_TRUE(ParseRoutes(Readme("| もりのなか | | 西へ 南へ 東へ 北へ |\n"), routes, error)) << error;
  std::swap(routes.levels[1], routes.levels[3]);
  HintsPolicy reader(routes);
  reader.NewGame();
  // From 26 the east leads to 27, whose west would lead straight back.
  std::vector<int32_t> walked;
  PlayerData p = testing::Player(3, {90, 90, 50, 50, 50}, 26);
  for (int step = 0; step < 8 && p.Node != 29; ++step) {
    const Move move = Build(p);
    walked.push_back(p.Node);
    TakeTarget(p, move.choice(reader.Choose(p, move)).target);
  }
  EXPECT_EQ(p.Node, 29) << "the reader is lost in the forest";
  EXPECT_EQ(walked, (std::vector<int32_t>{26, 27, 24, 21, 20, 23}));
}

TEST(Planner, TakesTheStarAndShunsTheBlackSeal) {
  Planner planner;
  PlayerData star = testing::Player(1, {90, 25, 20, 15, 10}, 7);
  Move move = Build(star);
  ASSERT_EQ(Label(move, 2), "吹いている★");
  EXPECT_EQ(planner.Choose(star, move), 2);

  PlayerData furnace = testing::Player(5, {20, 20, 20, 90, 30}, 40);
  move = Build(furnace);  // every offer draw 0: two black seals
  ASSERT_EQ(Label(move, 2), "≪黒≫");
  EXPECT_EQ(planner.Choose(furnace, move), 1) << "the black seal empties every mood by 6";
}

TEST(Planner, MenuOfTheGameGetsTheOddsOfItsLabels) {
  PlayerData p = testing::Player(5, {50, 50, 50, 50, 50}, 0);
  ChoiceList list;
  list.ChoiceCount = 2;
  list.ChoiceLabels[1] = Sjis("ミルクを垂らす");
  list.ChoiceTargets[1] = 17;
  list.ChoiceLabels[2] = Sjis("突破★");
  list.ChoiceTargets[2] = BreakthroughTarget;
  const Move move = MenuWithOdds(p, list);
  ASSERT_EQ(move.count, 2);
  EXPECT_EQ(move.choice(1).target, 17);
  EXPECT_EQ(move.choice(1).odds.low, 0);
  EXPECT_EQ(move.choice(1).odds.size(), 50);
  EXPECT_EQ(move.choice(2).odds.size(), 1);  // not offered by this build: the target as shown
  EXPECT_EQ(move.choice(2).odds.at(0), BreakthroughTarget);
}

TEST(Simulate, SharesFallLevelByLevelAndRepeatWithTheSeed) {
  sim::Settings settings;
  settings.games = 200;
  settings.seed = 7;
  sim::RandomPolicy a(1), b(1);
  const sim::Summary first = sim::Simulate(settings, a);
  const sim::Summary again = sim::Simulate(settings, b);
  ASSERT_EQ(first.levels.size(), 5u);
  EXPECT_DOUBLE_EQ(first.levels[0].reached, 1.0);
  for (std::size_t i = 0; i < first.levels.size(); ++i) {
    EXPECT_LE(first.levels[i].passed, first.levels[i].reached);
    EXPECT_DOUBLE_EQ(first.levels[i].passed, again.levels[i].passed);
  }
  EXPECT_NEAR(first.finished + first.died + first.capped, 1.0, 1e-9);
  EXPECT_GT(first.died, 0.9) << "a random walk rarely finishes";
}

// The table from games whose ends are known: each share counted by hand.
TEST(Simulate, TheSummaryCountsEachGameWhereItEnded) {
  auto game = [](int32_t passed, int32_t died, bool capped, std::array<int32_t, 6> moves) {
    sim::GameResult r;
    r.passed = passed;
    r.died = died;
    r.capped = capped;
    r.moves = moves;
    return r;
  };
  const std::vector<sim::GameResult> from_level_1 = {
      game(0, 1, false, {0, 10, 0, 0, 0, 0}),   // mood 1 ran out in level 1
      game(2, 3, false, {0, 20, 30, 4, 0, 0}),  // mood 3 ran out in level 3
      game(5, 0, false, {0, 5, 6, 7, 8, 9}),    // finished
      game(1, 0, true, {0, 40, 99, 0, 0, 0}),   // stuck in level 2
  };
  struct Row {
    double reached, passed;
    std::array<double, 5> ran_out;
    int32_t median;
  };
  const std::array<Row, 5> want = {{
      {1.0, 0.75, {0.25, 0, 0, 0, 0}, 20},  // passed with 5, 20, 40 moves
      {0.75, 0.5, {0, 0, 0, 0, 0}, 30},     // 6, 30
      {0.5, 0.25, {0, 0, 0.25, 0, 0}, 7},
      {0.25, 0.25, {0, 0, 0, 0, 0}, 8},
      {0.25, 0.25, {0, 0, 0, 0, 0}, 9},
  }};
  const sim::Summary summary = sim::Summarise(sim::Start{}, from_level_1);
  ASSERT_EQ(summary.levels.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE("level " + std::to_string(i + 1));
    EXPECT_EQ(summary.levels[i].level, static_cast<int32_t>(i + 1));
    EXPECT_DOUBLE_EQ(summary.levels[i].reached, want[i].reached);
    EXPECT_DOUBLE_EQ(summary.levels[i].passed, want[i].passed);
    for (std::size_t m = 0; m < 5; ++m) EXPECT_DOUBLE_EQ(summary.levels[i].ran_out[m], want[i].ran_out[m]) << m;
    EXPECT_EQ(summary.levels[i].median, want[i].median);
  }
  EXPECT_DOUBLE_EQ(summary.finished, 0.25);
  EXPECT_DOUBLE_EQ(summary.died, 0.5);
  EXPECT_DOUBLE_EQ(summary.capped, 0.25);

  // From level 3 every game plays it, and one that passed nothing ran out there.
  sim::Start start;
  start.level = 3;
  const sim::Summary later = sim::Summarise(start, {game(0, 2, false, {}), game(3, 0, true, {0, 0, 0, 12, 0, 0})});
  ASSERT_EQ(later.levels.size(), 3u);
  EXPECT_EQ(later.levels[0].level, 3);
  EXPECT_DOUBLE_EQ(later.levels[0].reached, 1.0);
  EXPECT_DOUBLE_EQ(later.levels[0].passed, 0.5);
  EXPECT_DOUBLE_EQ(later.levels[0].ran_out[1], 0.5);
  EXPECT_DOUBLE_EQ(later.levels[1].reached, 0.5);
  EXPECT_DOUBLE_EQ(later.levels[1].passed, 0.0);
}

TEST(Simulate, CarefulPlayerPassesTheFirstLevel) {
  sim::Settings settings;
  settings.games = 10;
  settings.cap = 150;
  sim::RandomPolicy random(3);
  Planner planner;
  struct Plan final : sim::Policy {
    Planner& planner;
    explicit Plan(Planner& p) : planner(p) {}
    int32_t Choose(const PlayerData& player, const Move& move) override {
      return planner.Choose(player, move);
    }
  } plan(planner);
  settings.start.level = 1;
  const sim::Summary careful = sim::Simulate(settings, plan);
  const sim::Summary walk = sim::Simulate(settings, random);
  EXPECT_DOUBLE_EQ(careful.levels[0].passed, 1.0);
  EXPECT_LT(walk.levels[0].passed, careful.levels[0].passed);
}

TEST(SimCommandLine, PrintsATablePerPolicyAndRefusesBadOptions) {
  std::ostringstream out, err;
  EXPECT_EQ(sim::RunSim({"--policy", "random", "--games", "50", "--level", "2", "--moods", "90,30,20,15,10"},
                        out, err),
            0)
      << err.str();
  EXPECT_NE(out.str().find("policy random: 50 games from level 2, moods 90 30 20 15 10"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("\n    2  100.0 %"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("\n    1 "), std::string::npos) << "levels before the start are not played";

  const struct {
    std::vector<std::string> args;
    std::string message;
  } bad[] = {
      {{"--policy", "smart"}, "nurumo-sim: unknown policy 'smart' (random, hints, plan or all)\n"},
      {{"--games", "0"}, "nurumo-sim: option --games does not take '0' (see --help)\n"},
      {{"--moods", "1,2,3"}, "nurumo-sim: option --moods does not take '1,2,3' (see --help)\n"},
      {{"--level"}, "nurumo-sim: option --level needs a value\n"},
      {{"--fast", "1"}, "nurumo-sim: unknown option '--fast' (see --help)\n"},
      {{"--policy", "hints", "--route", "/nonexistent/README.md"},
       "nurumo-sim: cannot read the routes from /nonexistent/README.md\n"},
  };
  for (const auto& c : bad) {
    std::ostringstream o, e;
    EXPECT_EQ(sim::RunSim(c.args, o, e), 2);
    EXPECT_EQ(e.str(), c.message);
  }
}

}  // namespace
}  // namespace nurumo
