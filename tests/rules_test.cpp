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
// order, a condition, a change or the trace's order shows here. The trace
// is also hashed a hundred builds at a time, so that a failure names the
// first builds that differ and shows their lines.
TEST(Rules, LongRandomWalkTracesAsBefore) {
  HeadlessGame h(20240611);
  Game& game = h.game;
  std::ostringstream trace;
  game.trace.Open(&trace, [] { return 0u; });
  Random pick(99);
  int builds = 0;
  std::vector<uint64_t> parts;  // the hash of each hundred builds' lines
  std::size_t part_start = 0;
  std::string first_differing;
  // Taken with the whole trace's hash below.
  const std::vector<uint64_t> kParts = {
      15676351264719342633ULL, 3407136999649858492ULL, 12804428034377900885ULL,
      5821512984878157081ULL, 4011357762063540350ULL, 17809260387733566263ULL,
      5990131942456982435ULL, 17397180706587804667ULL, 13999900981158585597ULL,
      17104516128379384284ULL, 18157422833475278227ULL, 16013154152100016314ULL,
      2021445877289626489ULL, 10427514344462193523ULL, 10542823013242919166ULL,
      8324425287383778733ULL, 15913871166912795881ULL, 6080849799801008428ULL,
      10372619301847631165ULL, 15019008377102618649ULL, 12070785607837706867ULL,
      9758120858812237663ULL, 4980844546468537709ULL, 15857186004242748502ULL,
      10629432153972641945ULL, 17710043085501561719ULL, 13238698372214735543ULL,
      2273924575076549276ULL, 14674033740693398208ULL, 13680411674937029914ULL,
  };
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
      if (builds % 100 == 0) {
        const std::string lines = trace.str().substr(part_start);
        part_start += lines.size();
        parts.push_back(Fnv1a(lines));
        const std::size_t i = parts.size() - 1;
        if (first_differing.empty() && (i >= kParts.size() || kParts[i] != parts[i]))
          first_differing = "builds " + std::to_string(builds - 99) + " to " + std::to_string(builds) + " (level " +
                            std::to_string(level) + ") trace differently; their lines now:\n" + lines.substr(0, 3000);
      }
    }
  }
  EXPECT_EQ(builds, 3000);
  EXPECT_TRUE(first_differing.empty()) << first_differing;
  EXPECT_EQ(trace.str().size(), 500083u);
  EXPECT_EQ(Fnv1a(trace.str()), 0xa1145ec751b69a93ULL);
  if (!first_differing.empty()) {
    std::string got;
    for (uint64_t part : parts) got += std::to_string(part) + "ULL, ";
    ADD_FAILURE() << "the hundreds' hashes now: " << got;
  }
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
