// The rules of a move: the game's builds stay what they were, the draws say
// what they decide, and an error keeps what was done before it.
#include "game/rules.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "game/graph.h"
#include "game/player.h"
#include "support.h"

namespace nurumo {
namespace {

using testing::HeadlessGame;

uint64_t Fnv1a(std::string_view text) {
  uint64_t h = 14695981039346656037ULL;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ULL;
  return h;
}

// Every level, 600 moves each, the menu's entries taken at random: the
// background and node lines of the trace, hashed. The value was taken from
// the game before its rules became one function; a change in a draw's
// order, a condition, a change or the trace's order shows here.
TEST(Rules, LongRandomWalkTracesAsBefore) {
  HeadlessGame h(20240611);
  Game& game = h.game;
  std::ostringstream trace;
  game.trace.Open(&trace, [] { return 0u; });
  Random pick(99);
  int builds = 0;
  for (int32_t level = 1; level <= 5; ++level) {
    game.player.Level = level;
    for (int i = 1; i <= 5; ++i) game.player.Params[i] = 60;
    game.player.Node = 0;
    for (int move = 0; move < 600; ++move) {
      BuildNode(game);
      ++builds;
      if (FirstEmptyParam(game) != 0)
        for (int i = 1; i <= 5; ++i) game.player.Params[i] = 60 + i;
      const int32_t target = game.choices.ChoiceTargets[1 + pick(game.choices.ChoiceCount)];
      game.player.Node = target == BreakthroughTarget ? 0 : target;
    }
  }
  EXPECT_EQ(builds, 3000);
  EXPECT_EQ(trace.str().size(), 500083u);
  EXPECT_EQ(Fnv1a(trace.str()), 0xa1145ec751b69a93ULL);
}

// Gives every target draw the value asked for and every offer draw 0.
class FixedDraws final : public Draws {
 public:
  explicit FixedDraws(bool last) : last_(last) {}
  int32_t Draw(int32_t n, Use use) override { return use == Use::Target && last_ ? n - 1 : 0; }

 private:
  bool last_;
};

// The planner relies on this: a target draw only picks where an offered
// choice leads, within the odds that choice shows.
TEST(Rules, TargetDrawsNeverChangeWhatIsOffered) {
  const std::array<std::array<int32_t, 5>, 3> moods = {
      {{50, 50, 50, 50, 50}, {90, 90, 90, 90, 90}, {90, 20, 90, 20, 90}}};
  for (int32_t level = 1; level <= 5; ++level) {
    for (const auto& m : moods) {
      for (int32_t node = 0; node < kPlaceCount; ++node) {
        Move first, last;
        PlayerData a = testing::Player(level, m, node);
        PlayerData b = a;
        FixedDraws low(false), high(true);
        BuildPlace(a, low, first);
        BuildPlace(b, high, last);
        ASSERT_EQ(first.count, last.count) << "node " << node;
        EXPECT_EQ(a.Params, b.Params);
        for (int32_t k = 1; k <= first.count; ++k) {
          const Choice& x = first.choice(k);
          const Choice& y = last.choice(k);
          EXPECT_EQ(x.label, y.label) << "node " << node << " choice " << k;
          EXPECT_EQ(x.target, x.odds.at(0)) << "node " << node << " choice " << k;
          EXPECT_EQ(y.target, y.odds.at(y.odds.size() - 1)) << "node " << node << " choice " << k;
        }
      }
    }
  }
}

TEST(Rules, OddsOfTheStartPlace) {
  PlayerData p = testing::Player(5, {50, 50, 50, 50, 50}, 0);
  Move move;
  FixedDraws draws(false);
  BuildPlace(p, draws, move);
  ASSERT_EQ(move.count, 5);
  const std::pair<int32_t, int32_t> ranges[] = {{1, 9}, {9, 7}, {20, 9}, {30, 10}, {0, 50}};
  for (int32_t k = 1; k <= 5; ++k) {
    EXPECT_EQ(move.choice(k).odds.low, ranges[k - 1].first);
    EXPECT_EQ(move.choice(k).odds.size(), ranges[k - 1].second);
  }
  EXPECT_EQ(Cp932ToUtf8(move.title), "はじまりはゼロから");
  EXPECT_EQ(move.picture, 9);
  EXPECT_TRUE(move.panel_dirty);
  EXPECT_THROW(move.choice(6), RangeError);
}

TEST(Rules, NothingInPlayMarksNothing) {
  PlayerData p;  // level 0, as only a save file could hold
  p.Node = 9;
  Move move;
  FixedDraws draws(false);
  BuildPlace(p, draws, move);
  EXPECT_FALSE(move.panel_dirty);
  EXPECT_EQ(p.Params[1], 0);
  EXPECT_EQ(move.count, 1);
}

// A mood at the lowest integer (from a save) overflows in the wear: the
// moods worn before it stay worn and the panel is marked, but the place is
// not set up: no title, no picture, an empty menu.
TEST(Rules, ErrorInTheWearKeepsWhatWasDone) {
  HeadlessGame h;
  Game& game = h.game;
  std::ostringstream trace;
  game.trace.Open(&trace, [] { return 0u; });
  game.NodeTitle = "old";
  game.choices.ChoiceCount = 3;
  game.player.Level = 2;
  game.player.Params[1] = 50;
  game.player.Params[2] = INT32_MIN;
  game.player.Node = 2;
  EXPECT_THROW(BuildNode(game), OverflowError);
  EXPECT_EQ(game.player.Params[1], 49);
  EXPECT_TRUE(game.panel.PanelDirty);
  EXPECT_EQ(game.NodeTitle, "old");
  EXPECT_EQ(game.choices.ChoiceCount, 0);
  EXPECT_EQ(trace.str(), "");
}

TEST(Rules, TakingATargetMovesOrBreaksThrough) {
  PlayerData p;
  p.Level = 2;
  p.Node = 19;
  EXPECT_TRUE(TakeTarget(p, BreakthroughTarget));
  EXPECT_EQ(p.Node, 19);
  EXPECT_FALSE(TakeTarget(p, 13));
  EXPECT_EQ(p.Node, 13);
  LevelUp(p);
  EXPECT_EQ(p.Level, 3);
  EXPECT_EQ(p.Node, 0);
}

}  // namespace
}  // namespace nurumo
