// Rollback goes back exactly: a run that steps back N steps and plays on
// traces the same events, times shifted by one constant, and ends on the
// same picture as a fresh process started from a slot saved at the moment
// the rollback went back to.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "program_runs.h"
#include "shell/rollback.h"
#include "trace_lines.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;
using namespace nurumo::testing;

struct Back {
  std::string name;
  std::string save_dat;     // empty: a new game
  std::vector<Step> steps;  // the keys before the rollback
  uint32_t back_at;         // when BACKSPACE is pressed, `steps` times
  int steps_back;
  std::vector<Step> after;  // the keys after it, from back_at on
  uint32_t until;
};

void PrintTo(const Back& back, std::ostream* out) { *out << back.name; }

std::string SaveAt(int32_t level, std::array<int32_t, 5> params, int32_t node) {
  return SaveFileBytes(level, params, node, "NORMAL", "");
}

// A new game's prologue, its save question, then wandering.
std::vector<Step> LongRun() {
  return Join({{{500, "SPACE"}}, Every(2500, 60000, 200, "SPACE"), {{60500, "Y"}}, Every(61000, 100000, 300, "SPACE"),
               Every(61100, 100000, 900, "DOWN")});
}

std::vector<Back> Backs() {
  const std::vector<Step> wander = Join({Every(2500, 20000, 400, "SPACE"), Every(2600, 20000, 1100, "DOWN")});
  const std::vector<Step> pages = Join({{{500, "SPACE"}}, Every(4000, 30000, 700, "SPACE")});
  return {
      {"one page", "", pages, 30500, 1, Every(31000, 36000, 700, "SPACE"), 38000},
      {"ten pages", "", pages, 30500, 10, Every(31000, 40000, 700, "SPACE"), 42000},
      {"one place", SaveAt(2, {40, 40, 20, 15, 10}, 0), wander, 20300, 1,
       Join({Every(20500, 26000, 400, "SPACE"), Every(20600, 26000, 1100, "DOWN")}), 28000},
      {"ten places", SaveAt(2, {40, 40, 20, 15, 10}, 0), wander, 20300, 10,
       Join({Every(20500, 26000, 400, "SPACE"), Every(20600, 26000, 1100, "DOWN")}), 28000},
      {"a level-up", SaveAt(1, {95, 25, 20, 15, 10}, 7),
       Join({{{2500, "DOWN"}, {2700, "SPACE"}, {6000, "X"}}, Every(6500, 9000, 400, "SPACE")}), 9200, 5,  // to the move up
       Join({{{9500, "DOWN"}, {9700, "SPACE"}, {13000, "X"}}, Every(13500, 16000, 400, "SPACE")}), 18000},
      {"a hundred steps", "", LongRun(), 100200, 100, Every(100500, 110000, 400, "SPACE"), 112000},
  };
}

class Rollbacks : public ::testing::TestWithParam<Back> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kProgram)) << "build the nurumo target";
    ASSERT_TRUE(fs::exists(kGameDat / "0.dat")) << "build the game_content target";
  }
};

TEST_P(Rollbacks, ARolledBackGameGoesOnAsASlotSavedThen) {
  const Back& back = GetParam();
  auto folder_for = [&back](GameFolder& folder) {
    if (!back.save_dat.empty()) folder.Write("save.dat", back.save_dat);
  };
  const uint32_t snap_at = back.until - 50;

  // A: the run that goes back, then plays on.
  std::vector<Step> a_steps = back.steps;
  for (int i = 0; i < back.steps_back; ++i) a_steps.push_back({back.back_at, "BACKSPACE"});
  a_steps.insert(a_steps.end(), back.after.begin(), back.after.end());
  a_steps.push_back({snap_at, "SNAP end"});
  GameFolder a_folder;
  folder_for(a_folder);
  std::string a_text;
  ASSERT_EQ(a_folder.Run(ToReplay(a_steps), back.until, "--snap-dir " + Quoted(a_folder.path()), a_text), 0);
  const auto a = ReadTrace(a_text);
  std::size_t rolled = a.size();
  for (std::size_t i = FindLine(a, "\"ev\":\"rollback\""); i < a.size(); i = FindLine(a, "\"ev\":\"rollback\"", i + 1))
    rolled = i;
  ASSERT_LT(rolled, a.size()) << a_text;
  ASSERT_NE(a[rolled].body.find("\"steps\":" + std::to_string(back.steps_back) + ","), std::string::npos)
      << "not as many steps kept: " << a[rolled].body;
  const std::size_t to_at = a[rolled].body.find("\"to\":");
  const uint32_t to = static_cast<uint32_t>(std::stoul(a[rolled].body.substr(to_at + 5)));
  EXPECT_EQ(FindLine(a, "\"key\":\"BACKSPACE\""), a.size()) << "the shell's key is not the game's";

  // B: the same keys up to that moment, and a quick save there, before the
  // key that took the step.
  std::vector<Step> b_steps;
  for (const Step& step : back.steps)
    if (step.t < to) b_steps.push_back(step);
  b_steps.push_back({to, "F5"});
  GameFolder b_folder;
  folder_for(b_folder);
  std::string b_text;
  ASSERT_EQ(b_folder.Run(ToReplay(b_steps), to + 1, "", b_text), 0);
  ASSERT_NE(b_text.find("\"ev\":\"slot-save\",\"slot\":\"quick\",\"ok\":true"), std::string::npos) << b_text;

  // C: a fresh process from that slot, with the keys A pressed after going back.
  std::vector<Step> c_steps = back.after;
  c_steps.push_back({snap_at, "SNAP end"});
  GameFolder c_folder;
  c_folder.Write("slots/quick.slot", b_folder.Read("slots/quick.slot"));
  std::string c_text;
  ASSERT_EQ(c_folder.Run(ToReplay(c_steps, back.back_at), back.until - back.back_at,
                         "--load quick --snap-dir " + Quoted(c_folder.path()), c_text),
            0)
      << c_folder.Read("stderr.txt");
  const auto c = ReadTrace(c_text);
  const std::size_t loaded = FindLine(c, "\"ev\":\"slot-load\",\"slot\":\"quick\",\"ok\":true");
  ASSERT_LT(loaded, c.size()) << c_text;

  EXPECT_GT(a.size() - rolled, 3u) << "nothing happened after the rollback";
  EXPECT_EQ(Tail(a, rolled + 1, back.back_at), Tail(c, loaded + 1, 0));
  EXPECT_TRUE(a_folder.Read("end.png") == c_folder.Read("end.png")) << "the last pictures differ";
}

INSTANTIATE_TEST_SUITE_P(Steps, Rollbacks, ::testing::ValuesIn(Backs()),
                         [](const ::testing::TestParamInfo<Back>& param) {
                           std::string name;
                           for (char c : param.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

// Only the newest steps are kept, and each comes back once.
TEST(Rollback, KeepsTheNewestStepsAndGivesEachBackOnce) {
  Rollback rollback;
  for (uint32_t i = 0; i < Rollback::kKeep + 5; ++i) rollback.Record(std::string(1000, static_cast<char>('a' + i % 26)), i);
  ASSERT_EQ(rollback.size(), Rollback::kKeep);
  uint32_t at = 0;
  EXPECT_EQ(rollback.TakeNewest(at), std::string(1000, static_cast<char>('a' + (Rollback::kKeep + 4) % 26)));
  EXPECT_EQ(at, Rollback::kKeep + 4);
  while (rollback.size() > 1) rollback.TakeNewest(at);
  rollback.TakeNewest(at);
  EXPECT_EQ(at, 5u) << "the oldest five went first";
  EXPECT_TRUE(rollback.empty());
}

// A hundred steps of a game whose pictures pack well stay small: a step
// holds its packed bytes, not the room packing them needed.
TEST(Rollback, KeepsStepsInTheRoomTheyPackInto) {
  Rollback rollback;
  std::string state(1 << 20, '\0');
  for (uint32_t i = 0; i < Rollback::kKeep; ++i) {
    state[i] = 'x';
    rollback.Record(state, i);
  }
  EXPECT_LT(rollback.bytes(), std::size_t{4} << 20);
}

}  // namespace
}  // namespace nurumo
