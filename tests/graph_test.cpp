// The exploration graph: building places, their draws, wear and breakthroughs.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "game/graph.h"
#include "game/player.h"
#include "support.h"

namespace nurumo {
namespace {

using testing::HeadlessGame;
using Menu = std::vector<std::pair<std::string, int32_t>>;  // UTF-8 label, target

constexpr uint32_t kSeed = 20240611;

struct GraphFixture : ::testing::Test {
  HeadlessGame h{kSeed};
  Game& game = h.game;
  Random expected{kSeed};  // the same generator, to replay the draws in their order
  std::ostringstream trace;

  void SetUp() override { game.trace.Open(&trace, [] { return 0u; }); }

  void Enter(int32_t node, int32_t level, std::array<int32_t, 5> params) {
    game.player.Level = level;
    for (int i = 1; i <= 5; ++i) game.player.Params[i] = params[static_cast<std::size_t>(i - 1)];
    game.player.Node = node;
    BuildNode(game);
  }
  Menu Choices() const {
    Menu menu;
    for (int32_t i = 1; i <= game.choices.ChoiceCount; ++i)
      menu.emplace_back(Cp932ToUtf8(game.choices.ChoiceLabels[i]), game.choices.ChoiceTargets[i]);
    return menu;
  }
  std::array<int32_t, 5> Params() const {
    return {game.player.Params[1], game.player.Params[2], game.player.Params[3], game.player.Params[4],
            game.player.Params[5]};
  }
};

TEST_F(GraphFixture, StartPlaceAtLevelOneOffersTheDieAlone) {
  Enter(0, 1, {30, 25, 20, 15, 10});
  EXPECT_EQ(Cp932ToUtf8(game.NodeTitle), "はじまりはゼロから");
  EXPECT_EQ(Choices(), (Menu{{"サイコロを振る", 1 + expected(9)}}));
  EXPECT_EQ(Params(), (std::array<int32_t, 5>{30, 25, 20, 15, 10}));  // wear -1, change +1; the rest not in play
  EXPECT_EQ(game.random(1000), expected(1000));  // no draw for the choices not offered
  EXPECT_NE(trace.str().find(R"("ev":"background","n":9)"), std::string::npos);
}

TEST_F(GraphFixture, StartPlaceAtLevelFiveDrawsInOrderAndOffersTheBreakthrough) {
  Enter(0, 5, {50, 50, 50, 50, 86});
  Menu want = {{"サイコロを振る", 1 + expected(9)},     {"カードを引く", 9 + expected(7)},
               {"ルーレットを回す", 20 + expected(9)},  {"疑似乱数を生成する", 30 + expected(10)},
               {"ミルクを垂らす", expected(50)},         {"突破★", BreakthroughTarget}};
  EXPECT_EQ(Choices(), want);
  EXPECT_EQ(Params(), (std::array<int32_t, 5>{50, 50, 50, 50, 86}));

  Enter(0, 4, {50, 50, 50, 50, 90});  // parameter 5 high at another level: nothing
  EXPECT_EQ(game.choices.ChoiceCount, 4);
  Enter(0, 5, {50, 50, 50, 50, 85});  // the wear takes it to 84 before the test
  EXPECT_EQ(game.choices.ChoiceCount, 5);
}

TEST_F(GraphFixture, BreakthroughPlacesOfferExactlyOneOfThreeEntries) {
  struct Case {
    int32_t node, level;
    std::array<int32_t, 5> params;
    Menu menu;
  };
  const Case cases[] = {
      {7, 1, {85, 50, 50, 50, 50}, {{"吹いていない", 9}, {"×", 9}}},  // worn to 84
      {7, 1, {86, 50, 50, 50, 50}, {{"吹いていない", 9}, {"吹いている★", 999}}},
      {7, 3, {90, 50, 50, 50, 50}, {{"吹いていない", 9}, {"吹いている", 14}}},
      {7, 4, {10, 50, 50, 50, 50}, {{"吹いていない", 9}, {"×", 9}, {"≪風≫", 41}}},
      {19, 2, {50, 86, 50, 50, 50}, {{"あくま", 13}, {"じぶん★", 999}}},
      {19, 2, {50, 50, 50, 50, 50}, {{"あくま", 13}, {"×", 13}}},
      {19, 4, {50, 90, 50, 50, 50}, {{"あくま", 13}, {"じぶん", 28}, {"≪水≫", 42}}},
      {28, 3, {50, 50, 86, 50, 50}, {{"ゼロ", 0}, {"出会う★", 999}}},
      {28, 1, {50, 50, 90, 50, 50}, {{"ゼロ", 0}, {"出会う", 33}}},  // not in play, yet tested
      {28, 5, {50, 50, 20, 50, 50}, {{"ゼロ", 0}, {"×", 0}, {"≪石≫", 43}}},
      {39, 4, {50, 50, 50, 86, 50}, {{"太陽", 0}, {"焼き付ける★", 999}}},
      {39, 4, {50, 50, 50, 85, 50}, {{"太陽", 0}, {"×", 0}}},
      {39, 5, {50, 50, 50, 86, 50}, {{"太陽", 0}, {"焼き付ける", 40}, {"≪炎≫", 44}}},
  };
  for (const Case& c : cases) {
    Enter(c.node, c.level, c.params);
    EXPECT_EQ(Choices(), c.menu) << "node " << c.node << " level " << c.level;
  }
}

TEST_F(GraphFixture, ChangesFollowTheWearAndTheLevel) {
  struct Case {
    int32_t node, level;
    std::array<int32_t, 5> before, after;
  };
  const Case cases[] = {
      {7, 1, {50, 50, 50, 50, 50}, {55, 50, 50, 50, 50}},
      {7, 2, {50, 50, 50, 50, 50}, {55, 51, 50, 50, 50}},
      {28, 3, {50, 50, 50, 50, 50}, {39, 39, 49, 50, 50}},
      {39, 4, {50, 50, 50, 50, 50}, {50, 50, 46, 52, 50}},
      {18, 5, {50, 50, 50, 50, 50}, {49, 49, 49, 49, 49}},  // nothing beyond the wear
      {19, 5, {50, 50, 50, 50, 50}, {49, 49, 49, 49, 49}},
      {20, 2, {50, 50, 50, 50, 50}, {49, 49, 50, 50, 50}},  // the forest's +1 not yet in play
      {25, 3, {50, 50, 50, 50, 50}, {49, 49, 50, 50, 50}},
      {40, 5, {50, 50, 50, 50, 50}, {48, 48, 48, 48, 50}},
      {49, 5, {99, 1, 50, 50, 50}, {100, 2, 51, 51, 51}},
      {46, 5, {3, 50, 50, 50, 50}, {0, 44, 44, 44, 44}},
  };
  for (const Case& c : cases) {
    Enter(c.node, c.level, c.before);
    EXPECT_EQ(Params(), c.after) << "node " << c.node << " level " << c.level;
  }
}

TEST_F(GraphFixture, FurnaceDrawsTwoFreshSealsOnEveryBuild) {
  const std::array<std::pair<const char*, int32_t>, 5> seals = {
      {{"≪風≫", 41}, {"≪水≫", 42}, {"≪石≫", 43}, {"≪炎≫", 44}, {"≪星≫", 45}}};
  auto draw = [&]() -> std::pair<std::string, int32_t> {
    if (expected(2) == 0) return {"≪黒≫", 46};
    if (expected(10) == 0) return {"≪白≫", 47};
    auto seal = seals[static_cast<std::size_t>(expected(5))];
    return {seal.first, seal.second};
  };
  std::set<int32_t> seen;
  for (int build = 0; build < 60; ++build) {
    Enter(40, 5, {90, 90, 90, 90, 50});
    Menu want = {{"練成する", 40}};
    want.push_back(draw());
    want.push_back(draw());
    ASSERT_EQ(Choices(), want) << "build " << build;
    seen.insert(want[1].second);
    seen.insert(want[2].second);
  }
  EXPECT_EQ(seen.size(), 7u);  // every seal turns up in sixty builds with this seed
}

TEST_F(GraphFixture, LastPlaceOffersItsLoopFourTimesInFive) {
  for (int build = 0; build < 30; ++build) {
    Enter(49, 5, {50, 50, 50, 50, 50});
    Menu want;
    if (expected(5) != 0) want.emplace_back("全ては算式の導くまま", 49);
    want.emplace_back("≪白≫", 47);
    ASSERT_EQ(Choices(), want) << "build " << build;
  }
}

TEST_F(GraphFixture, PlaceOutsideTheGraphOnlyWears) {
  Enter(9, 2, {50, 50, 50, 50, 50});
  for (int32_t node : {50, -1, 999}) {
    Enter(node, 2, {50, 50, 50, 50, 50});
    EXPECT_EQ(game.choices.ChoiceCount, 0);
    EXPECT_EQ(Cp932ToUtf8(game.NodeTitle), "普通");  // kept from the last place
    EXPECT_EQ(Params(), (std::array<int32_t, 5>{49, 49, 50, 50, 50}));
  }
}

TEST_F(GraphFixture, TitlesWithWideCharactersAreExact) {
  const std::pair<int32_t, const char*> cases[] = {
      {5, "おなかすいた……"}, {15, "あ　落ちた"}, {16, "おそるおそる……"}, {18, "だれ？"},
      {49, "万象すべからく数理上に在り"},
  };
  for (auto [node, title] : cases) {
    Enter(node, 1, {50, 50, 50, 50, 50});
    EXPECT_EQ(Cp932ToUtf8(game.NodeTitle), title);
  }
}

TEST_F(GraphFixture, EveryPlaceLeadsSomewhereInTheGraph) {
  for (int32_t level = 1; level <= 5; ++level) {
    for (int32_t node = 0; node < 50; ++node) {
      Enter(node, level, {90, 90, 90, 90, 90});
      ASSERT_GE(game.choices.ChoiceCount, 1) << node;
      ASSERT_LE(game.choices.ChoiceCount, 6) << node;
      for (const auto& [label, target] : Choices()) {
        EXPECT_TRUE((target >= 0 && target < 50) || target == BreakthroughTarget) << node << " " << label;
        if (node >= 20 && node <= 27) {  // the forest's only way out is 29
          EXPECT_TRUE((target >= 20 && target <= 27) || target == 29) << node;
        }
      }
    }
  }
}

TEST_F(GraphFixture, NodeTraceListsTheMenu) {
  Enter(9, 1, {30, 25, 20, 15, 10});
  EXPECT_NE(trace.str().find(R"("ev":"node","n":9,"title":"普通","level":1,"params":[34,25,20,15,10],)"
                             R"("choices":[["さて",0]])"),
            std::string::npos)
      << trace.str();
}

TEST(AddChoice, EleventhChoiceIsARangeError) {
  HeadlessGame h;
  for (int32_t i = 1; i <= 10; ++i) AddChoice(h.game, "x", i);
  EXPECT_EQ(h.game.choices.ChoiceTargets[10], 10);
  EXPECT_THROW(AddChoice(h.game, "x", 11), RangeError);
  EXPECT_EQ(h.game.choices.ChoiceCount, 10);
}

}  // namespace
}  // namespace nurumo
