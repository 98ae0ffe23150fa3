// The careful player: what it chooses in whole games, whether its tables are
// fresh or kept from earlier games.
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <tuple>
#include <string>

#include "core/random.h"
#include "game/planner.h"

namespace nurumo {
namespace {

// One game on the rules, the planner choosing at every place: its choices as
// digits ('1'..'9', ':' for 10), ending with 'D' and the mood's number when
// a mood ran out, 'W' after the fifth breakthrough, 'C' at the cap.
std::string PlayedChoices(Planner& planner, uint32_t seed, PlayerData player, int cap = 3000) {
  Random random(seed);
  std::string choices;
  for (int move = 0; move < cap; ++move) {
    Move built;
    BuildPlace(player, random, built);
    if (const int32_t empty = FirstEmptyParam(player); empty != 0) return choices + 'D' + std::to_string(empty);
    const int32_t k = built.count > 0 ? planner.Choose(player, built) : 0;
    choices += static_cast<char>('0' + k);
    if (!TakeTarget(player, k > 0 ? built.choice(k).target : 0)) continue;
    if (player.Level >= 5) return choices + 'W';
    LevelUp(player);
  }
  return choices + 'C';
}

struct PinnedGame {
  uint32_t seed;
  int32_t level;
  std::array<int32_t, 5> moods;
  int32_t node;
  const char* choices;
};

// Choices the careful player made when these games were first played; a
// faster planner must make exactly the same ones.
constexpr PinnedGame kPinned[] = {
    {1, 1, {30, 25, 20, 15, 10}, 0,
     "113111211311113111112111111211121111111111121111112112121211212211121222112111121212111111111112"
     "123211113111112111111111121213121131111211121211211111121211112213132131121113111111121112121122"
     "111311211121321311112121321113211113111211131111111111212133131312121232213141113231223314111113"
     "214141411132311121414111111311214111113121233141411133141111121111111111212142141411321411142141"
     "113314111411111411141112411112313231321314213151233151113314112141112132131411131111111111111111"
     "111122111111221111111122111111111111111111111111111111111111111111111111111111111111111111111111"
     "111111112D5"},
    {2, 1, {30, 25, 20, 15, 10}, 0,
     "111111112121111111111111111111112111111121111111121112111112121111111111111112121122221121111212"
     "111111111111112211111121212212121211112111211112121113212232121121111311311121112121112121121132"
     "112111313111213213111131112131121321211133131121421411111311121223314111111111121112121213131411"
     "111121214111131121411111321314111311111212121223313121123121411111133132131131212141142141111111"
     "211213113313112122331411113121212111121113314113111214141114214113131421421411411111321412141113"
     "231133122331414121411131131313121211121411121421414111131214142141111131112122331411111131313231"
     "121133141111113121413111214141111414111111321323122331111111112121411131121421411111311121411411"
     "411111241121112151111121111131321315213311111212142141215313214112141411111111121511214112111121"
     "311121411113111515D5"},
    {3, 1, {30, 25, 20, 15, 10}, 0,
     "111111121111211121111211122212111211132212211111211111111111121211211211111111112121121113112111"
     "212112123213111311331113111211212112211121213231121321313112112111311321311211213211121111112121"
     "323111321112132311321223221212111421411111311211331411131312112141111311211312121411113213112121"
     "411111214111111331321411111412141111112313122331113313122121321311121223313111211133132131411111"
     "311212121111212131123122331321311331411214132141111133123312212331111111111111121214111132131123"
     "141111111213214111113131414111113111211141411111121113312212331411132311121214141113231411411111"
     "311212121111111112121313111212141113314111113111212131112131112121133141111311214111111321412141"
     "111113121223313214111111311121213111211121212331331223311231411112141111312141111311121213213141"
     "111313112122331411211133141111121323141111132141421412141121414141111411313111331321212141411214"
     "141111313113141111313121412141133141411111141114111112422131112152121533133141121421112141111112"
     "141111121111315212152331521314214141111211113151112111111112132113143151112113153315231321315233"
     "142142111215314112314111112111215152331323142112151111121512152121421414121411111111214111221412"
     "111111111213112141111211141111211214111131321315121531531515141215213314111123131112141111111215"
     "121551411121414212141111122151111121521414111112313121523313314121421111131521531411112111121523"
     "31312141111111111121523314111121422142214111214211316W"},
    {11, 3, {90, 80, 20, 40, 60}, 0,
     "112112112113213112111321311121321133123313121414114113112141141113113131212233142141111132141111"
     "111111211121321312141141111312123314111131121112141412141111131212212331311211111111111212141111"
     "321314141111111111112111111121213212121131411111112123314111311213131111111212113313231411112141"
     "114214112141111321314131312233111331411214141411131121211121214112141111313111211121414111213314"
     "141411111131312141111114111111111111112141414111251112111313231423141421111111216W"},
    {12, 5, {60, 50, 70, 80, 30}, 12,
     "331421411315231551112215212132315141112131421411111211111112151121521314123141111211111215213151"
     "111212141111131533132315111211313315215215221133141112131512151214111121533141211215314121121511"
     "1112151421411111231411121111111316W"},
};

TEST(Planner, MakesThePinnedChoicesWithFreshOrKeptTables) {
  Planner kept;  // its tables carry over from game to game
  for (const PinnedGame& game : kPinned) {
    const PlayerData start = testing::Player(game.level, game.moods, game.node);
    EXPECT_EQ(PlayedChoices(kept, game.seed, start), game.choices) << "seed " << game.seed << ", kept";
  }
  const PinnedGame& last = kPinned[std::size(kPinned) - 1];
  PlannerSettings worked_out;
  worked_out.stored_tables = false;  // every table worked out here, none taken from the program
  Planner fresh(worked_out);
  EXPECT_EQ(PlayedChoices(fresh, last.seed, testing::Player(last.level, last.moods, last.node)), last.choices)
      << "seed " << last.seed << ", fresh";
}

// The tables kept in the program are the ones the rules give now: every
// fingerprint, and the costs of a few tables worked out again in full (a
// change to the sweeps themselves would leave the fingerprints alone).
// When this fails, run nurumo-planner-tables game/planner_tables.bin.
TEST(Planner, KeptTablesAreTheOnesTheRulesGive) {
  const auto kept = UnpackMoodTables(BundledMoodTables());
  ASSERT_TRUE(kept.has_value());
  const std::vector<StoredMoodTable> now = WorkOutMoodTables({}, false);
  ASSERT_EQ(kept->size(), now.size());
  for (std::size_t i = 0; i < now.size(); ++i) {
    const StoredMoodTable& k = (*kept)[i];
    EXPECT_EQ(std::tie(k.level, k.mood, k.mask, k.inputs),
              std::tie(now[i].level, now[i].mood, now[i].mask, now[i].inputs))
        << "table " << i;
  }
  for (const auto& [level, mood, mask] : {std::tuple{2, 2, 1}, {4, 2, 5}, {5, 3, 16}}) {
    const StoredMoodTable now_one = WorkOutMoodTable(level, mood, mask);
    const auto it = std::find_if(kept->begin(), kept->end(),
                                 [&](const StoredMoodTable& t) { return t.inputs == now_one.inputs; });
    ASSERT_NE(it, kept->end()) << level << " " << mood << " " << mask;
    EXPECT_TRUE(it->cost == now_one.cost) << level << " " << mood << " " << mask;
  }
}

// A pack that is cut, claims more tables than it holds, too many, or is of
// another kind is refused as a whole; the planner then works its tables out.
TEST(Planner, APackThatIsNotOneIsRefused) {
  const StoredMoodTable one = WorkOutMoodTable(1, 1, 0);
  const std::vector<unsigned char> good = PackMoodTables({one});
  const auto unpacked = UnpackMoodTables(good);
  ASSERT_TRUE(unpacked.has_value());
  EXPECT_TRUE(unpacked->size() == 1 && unpacked->at(0) == one);
  std::vector<unsigned char> cut(good.begin(), good.end() - 1);
  std::vector<unsigned char> more_than_it_holds = good;
  more_than_it_holds[4] = 2;
  std::vector<unsigned char> too_many = good;
  too_many[5] = 0xFF;
  std::vector<unsigned char> other_kind = good;
  other_kind[3] = '2';
  for (const auto& bad : {std::vector<unsigned char>{}, cut, more_than_it_holds, too_many, other_kind})
    EXPECT_FALSE(UnpackMoodTables(bad).has_value());
}

}  // namespace
}  // namespace nurumo
