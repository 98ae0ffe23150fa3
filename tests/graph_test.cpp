// The exploration graph: building places, their draws, wear and breakthroughs.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
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

// The whole graph as the game's documentation gives it, in its own notation,
// read by a small model below rather than by the game's own table. Choices
// are separated by " ; ": "label>7" goes to 7, "label>1+R9" to 1 + Random(9),
// "label>2|8" to 2 if Random(2) = 0 else 8; a prefix "L4:" offers the choice
// from level 4 on, "R4:" only if Random(4) = 0, "!R5:" only if Random(5) <> 0.
// "BT" is the place's breakthrough entry, "FORGE" one draw of the furnace.
struct PlaceRow {
  int32_t node;
  const char* title;
  int32_t picture;
  const char* choices;
  std::array<int32_t, 5> changes;
};

constexpr std::array<int32_t, 5> kNoChange{};
constexpr std::array<int32_t, 5> kShore{1, 1, -3, 3, 0};
constexpr std::array<int32_t, 5> kForest{0, 0, 1, 0, 0};

const PlaceRow kPlaces[] = {
    {0, "はじまりはゼロから", 9,
     "サイコロを振る>1+R9 ; L2:カードを引く>9+R7 ; L3:ルーレットを回す>20+R9 ; "
     "L4:疑似乱数を生成する>30+R10 ; L5:ミルクを垂らす>0+R50 ; BT",
     {1, 1, 1, 1, 1}},
    {1, "そこを指でなぞる", 4, "自分を>2 ; 空気を>7 ; 壁を>3", kNoChange},
    {2, "きもちいい", 5, "もっと>4 ; がまん>6", {14, 0, 0, 0, 0}},
    {3, "つかれました", 6, "やすむ>5 ; もうやだ>4", {-2, 0, 0, 0, 0}},
    {4, "悪魔のいざない", 7, "のる>2|8 ; やめとく>9", kNoChange},
    {5, "おなかすいた……", 8, "がまん>6 ; さがす>3 ; しらべる>7", {-1, 0, 0, 0, 0}},
    {6, "うずうずする", 3, "がまん>6 ; R4:爆発！>2 ; L5:≪黒≫>46", {0, 1, 1, 1, 1}},
    {7, "風は", 10, "吹いていない>9 ; BT ; L4:≪風≫>41", {6, 2, 0, 0, 0}},
    {8, "痛っ", 11, "がまん>6 ; R10:でも意外と>2", {-4, 2, 0, 0, 0}},
    {9, "普通", 0, "さて>0", {5, 2, 0, 0, 0}},
    {10, "ウソのよろこび", 5, "気にしない>17 ; なぜならば>12", {2, -1, 0, 0, 0}},
    {11, "しずかに待つ", 8, "じっと>11 ; あ>15|18", {-2, 5, 0, 0, 0}},
    {12, "不吉なうわさ", 7, "信じる>13 ; 信じない>14 ; でも知ってる>19", {0, -1, 0, 0, 0}},
    {13, "ようこそダークサイドへ", 2, "ちょうだい>4 ; おしえて>12", {-2, -5, 0, 0, 0}},
    {14, "これがげんじつなのだと", 11, "そして>0", {-8, 15, 0, 0, 0}},
    {15, "あ　落ちた", 10, "近寄って、>16 ; 知らない>17", kNoChange},
    {16, "おそるおそる……", 4, "なぞる>1|8 ; 認める>14", {0, -2, 0, 0, 0}},
    {17, "思考停止", 0, "サイコロ>1+R9", kNoChange},
    {18, "だれ？", 11, "悪魔>13", kNoChange},
    {19, "泣くほど怖いのは", 6, "あくま>13 ; BT ; L4:≪水≫>42", kNoChange},
    {20, "もりのなか", 13, "東へ>21 ; 南へ>23", kForest},
    {21, "もりのなか", 13, "東へ>22 ; 南へ>24 ; 西へ>20", kForest},
    {22, "もりのなか", 13, "南へ>25 ; 西へ>21", kForest},
    {23, "もりのなか", 13, "北へ>20 ; 南へ>26 ; 西へ>29", kForest},
    {24, "もりのなか", 13, "北へ>21 ; 南へ>27", kForest},
    {25, "もりのなか", 13, "北へ>22 ; 東へ>29", kForest},
    {26, "もりのなか", 13, "北へ>23 ; 東へ>27", kForest},
    {27, "もりのなか", 13, "北へ>24 ; 西へ>26", kForest},
    {28, "いしのなか", 13, "ゼロ>0 ; BT ; L5:≪石≫>43", {-10, -10, 0, 0, 0}},
    {29, "果て", 10, "さあ>0", {0, 0, 20, 0, 0}},
    {30, "逃げられない", 2, "のは>31 ; R4:脱出>33 ; L5:≪黒≫>46", {-2, 1, 1, 1, 1}},
    {31, "恐ろしい", 2, "ほどの>32 ; R4:脱出>33 ; L5:≪黒≫>46", {1, -2, 1, 1, 1}},
    {32, "悪夢", 2, "から>30 ; R4:脱出>33 ; L5:≪黒≫>46", {1, 1, -2, 1, 1}},
    {33, "ごめんね", 7, "うん>0", {3, 3, 3, 3, 1}},
    {34, "足跡をつけて", 0, "つけて>35", kShore},
    {35, "海岸を歩いてゆく", 0, "歩いてゆく>36", kShore},
    {36, "小さな石を拾って", 8, "拾って>37", kShore},
    {37, "ふと見上げると", 9, "見上げると>38", kShore},
    {38, "水平線の先にあるのは", 9, "あるのは>39", kShore},
    {39, "沈みゆく太陽", 3, "太陽>0 ; BT ; L5:≪炎≫>44", kShore},
    {40, "結界炉", 6, "練成する>40 ; FORGE ; FORGE", {-1, -1, -1, -1, 1}},
    {41, "風の刻印の結界", 18, "戻る>0", {25, 1, 1, 1, 1}},
    {42, "水の刻印の結界", 18, "戻る>0", {1, 25, 1, 1, 1}},
    {43, "石の刻印の結界", 18, "戻る>0", {1, 1, 25, 1, 1}},
    {44, "炎の刻印の結界", 18, "戻る>0", {1, 1, 1, 25, 1}},
    {45, "星の刻印の結界", 18, "戻る>0", {1, 1, 1, 1, 15}},
    {46, "黒の刻印の結界", 2, "戻る>0", {-5, -5, -5, -5, -5}},
    {47, "白の刻印の結界", 16, "戻る>0", {15, 15, 15, 15, 15}},
    {48, "結界門", 15, "≪風≫>41 ; ≪水≫>42 ; ≪石≫>43 ; ≪炎≫>44 ; ≪星≫>45", {1, 1, 1, 1, 1}},
    {49, "万象すべからく数理上に在り", 14, "!R5:全ては算式の導くまま>49 ; ≪白≫>47", {2, 2, 2, 2, 2}},
};

// The breakthrough entry of each of the five places that have one.
struct BreakthroughEntry {
  int32_t node, level;
  const char* low;  // the parameter below 85 ("" offers nothing)
  int32_t low_target;
  const char* due;    // high at its own level: -> 999
  const char* other;  // high at another level ("" offers nothing)
  int32_t other_target;
};
const BreakthroughEntry kBreakthroughEntries[] = {
    {7, 1, "×", 9, "吹いている★", "吹いている", 14},
    {19, 2, "×", 13, "じぶん★", "じぶん", 28},
    {28, 3, "×", 0, "出会う★", "出会う", 33},
    {39, 4, "×", 0, "焼き付ける★", "焼き付ける", 40},
    {0, 5, "", 0, "突破★", "", 0},
};

std::vector<std::string> SplitOn(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// What the table says a build offers, drawing from `draws` in table order.
Menu ExpectedMenu(const PlaceRow& row, int32_t level, const std::array<int32_t, 5>& worn, Random& draws) {
  Menu menu;
  for (std::string entry : SplitOn(row.choices, " ; ")) {
    bool offered = true;
    while (offered && entry.find(':') != std::string::npos) {
      const std::string condition = entry.substr(0, entry.find(':'));
      entry = entry.substr(condition.size() + 1);
      if (condition[0] == 'L') offered = level >= std::stoi(condition.substr(1));
      if (condition[0] == 'R') offered = draws(std::stoi(condition.substr(1))) == 0;
      if (condition[0] == '!') offered = draws(std::stoi(condition.substr(2))) != 0;
    }
    if (!offered) continue;
    if (entry == "BT") {
      for (const BreakthroughEntry& b : kBreakthroughEntries) {
        if (b.node != row.node) continue;
        const bool high = worn[static_cast<std::size_t>(b.level - 1)] >= 85;
        if (!high && *b.low) menu.emplace_back(b.low, b.low_target);
        if (high && level == b.level) menu.emplace_back(b.due, BreakthroughTarget);
        if (high && level != b.level && *b.other) menu.emplace_back(b.other, b.other_target);
      }
    } else if (entry == "FORGE") {
      const std::pair<const char*, int32_t> seals[] = {{"≪風≫", 41}, {"≪水≫", 42}, {"≪石≫", 43}, {"≪炎≫", 44}, {"≪星≫", 45}};
      if (draws(2) == 0)
        menu.emplace_back("≪黒≫", 46);
      else if (draws(10) == 0) menu.emplace_back("≪白≫", 47);
      else {
        const auto& seal = seals[static_cast<std::size_t>(draws(5))];
        menu.emplace_back(seal.first, seal.second);
      }
    } else {
      const std::string label = entry.substr(0, entry.find('>'));
      const std::string target = entry.substr(label.size() + 1);
      int32_t to = 0;
      if (target.find('|') != std::string::npos)
        to = draws(2) == 0 ? std::stoi(target) : std::stoi(target.substr(target.find('|') + 1));
      else if (target.find("+R") != std::string::npos)
        to = std::stoi(target) + draws(std::stoi(target.substr(target.find("+R") + 2)));
      else
        to = std::stoi(target);
      menu.emplace_back(label, to);
    }
  }
  return menu;
}

TEST_F(GraphFixture, EveryPlaceMatchesTheTable) {
  ASSERT_EQ(std::size(kPlaces), 50u);
  for (const PlaceRow& row : kPlaces) {
    for (int32_t level = 1; level <= 5; ++level) {
      for (int32_t start : {50, 90}) {  // every parameter low, then every one high
        for (int build = 0; build < 10; ++build) {
          SCOPED_TRACE("node " + std::to_string(row.node) + " level " + std::to_string(level) + " parameters " +
                       std::to_string(start) + " build " + std::to_string(build));
          std::array<int32_t, 5> params;
          params.fill(start);
          std::array<int32_t, 5> want = params;
          for (int32_t i = 0; i < level; ++i) want[static_cast<std::size_t>(i)] -= 1;  // the wear, in play only
          const Menu menu = ExpectedMenu(row, level, want, expected);
          for (int32_t i = 0; i < level; ++i) {
            int32_t& p = want[static_cast<std::size_t>(i)];
            p = std::clamp(p + row.changes[static_cast<std::size_t>(i)], 0, 100);
          }
          trace.str("");
          Enter(row.node, level, params);
          ASSERT_EQ(Cp932ToUtf8(game.NodeTitle), row.title);
          ASSERT_NE(trace.str().find(R"("ev":"background","n":)" + std::to_string(row.picture) + "}"), std::string::npos);
          ASSERT_EQ(Choices(), menu);
          ASSERT_EQ(Params(), want);
          ASSERT_EQ(game.random(1000), expected(1000));  // no draw more, none fewer
        }
      }
    }
  }
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
