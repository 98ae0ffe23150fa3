// Snapshots continue the game exactly: a run that quick-saves at some moment
// and a fresh process started from that slot trace the same events after
// the save, times shifted by one constant, and end on the same picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/form.h"
#include "core/serializer.h"
#include "core/text.h"
#include "program_runs.h"
#include "trace_lines.h"
#include "shell/snapshot.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;
using namespace nurumo::testing;

// A moment to save at: the game it starts from, the keys of the whole run,
// and where in the uninterrupted run the save falls (a trace line and a
// delay after it).
struct Moment {
  std::string name;
  std::string save_dat;  // empty: a new game
  std::vector<Step> steps;
  std::string marker;
  uint32_t delay;
  uint32_t until;
  bool last_marker = false;  // the delay counts from the marker's last line, and the keys
                             // between the first one after it and the save are left out
  bool by_menu = false;      // saved through the menu into slot 1: F5 refuses a game whose mood ran out
};

void PrintTo(const Moment& moment, std::ostream* out) { *out << moment.name; }

std::string SaveAt(int32_t level, std::array<int32_t, 5> params, int32_t node) {
  return testing::SaveFileBytes(level, params, node, "NORMAL", "");
}

std::vector<Moment> Moments() {
  return {
      {"mid-typing on a page", "", Join({{{500, "SPACE"}}, Every(4000, 12000, 700, "SPACE")}),
       "\"text\":\"Prologue\"", 150, 14000},
      {"on the save question", "",
       Join({{{500, "SPACE"}}, Every(2500, 60000, 200, "SPACE"), {{60500, "Y"}},
             Every(61000, 68000, 600, "SPACE")}),
       "\"ev\":\"state\",\"n\":17", 400, 70000},
      {"on a place", SaveAt(2, {40, 40, 20, 15, 10}, 0),
       Join({Every(4000, 12000, 500, "SPACE"), Every(4200, 12200, 1000, "DOWN")}), "\"ev\":\"node\"", 2500, 14000},
      {"during a level-up", SaveAt(1, {95, 25, 20, 15, 10}, 7),
       Join({{{2500, "DOWN"}, {2700, "SPACE"}, {6000, "X"}}, Every(6500, 12000, 400, "SPACE")}),
       "\"ev\":\"state\",\"n\":30", 250, 14000},
      {"on the ending screen", SaveAt(5, {60, 60, 60, 60, 95}, 0),
       Join({{{2500, "UP"}, {2700, "SPACE"}, {4500, "X"}}, Every(5000, 45000, 300, "SPACE"), {{45500, "X"}},
             Every(48000, 52000, 700, "SPACE")}),
       "\"ev\":\"state\",\"n\":90", 1500, 54000},
      {"after a game over's last page", SaveAt(1, {1, 25, 20, 15, 10}, 3),
       Join({Every(2500, 20000, 300, "SPACE"), {{26000, "X"}, {26500, "ENTER"}, {27000, "SPACE"}}}),
       "\"ev\":\"page\"", 2000, 30000, true, true},
  };
}

class Snapshots : public ::testing::TestWithParam<Moment> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(testing::kProgram)) << "build the nurumo target";
    ASSERT_TRUE(fs::exists(testing::kGameDat / "0.dat")) << "build the game_content target";
  }
};

TEST_P(Snapshots, ALoadedSlotGoesOnAsTheUninterruptedRun) {
  const Moment& moment = GetParam();
  auto folder_for = [&moment](GameFolder& folder) {
    if (!moment.save_dat.empty()) folder.Write("save.dat", moment.save_dat);
  };

  GameFolder probe_folder;
  folder_for(probe_folder);
  std::string probe_text;
  ASSERT_EQ(probe_folder.Run(ToReplay(moment.steps), moment.until, "", probe_text), 0);
  const auto probe = ReadTrace(probe_text);
  std::size_t mark = FindLine(probe, moment.marker);
  ASSERT_LT(mark, probe.size()) << "the run never reached " << moment.marker << "\n" << probe_text;
  for (std::size_t next = mark; moment.last_marker && next < probe.size(); next = FindLine(probe, moment.marker, next + 1))
    mark = next;
  const uint32_t save_at = probe[mark].t + moment.delay;
  const uint32_t snap_at = moment.until - 50;
  std::vector<Step> steps = moment.steps;
  if (moment.last_marker) {  // one key past the last page, then the game rests (the next would open the menu)
    const uint32_t marked = probe[mark].t;
    auto first_after = std::find_if(steps.begin(), steps.end(), [marked](const Step& step) { return step.t > marked; });
    if (first_after != steps.end()) ++first_after;
    steps.erase(std::remove_if(first_after, steps.end(), [save_at](const Step& step) { return step.t < save_at; }),
                steps.end());
  }

  // A: the same run with F5 at the moment and a picture at the end.
  std::vector<Step> with_save = steps;
  auto after = std::upper_bound(with_save.begin(), with_save.end(), save_at,
                                [](uint32_t t, const Step& step) { return t < step.t; });
  const std::vector<Step> rest(after, with_save.end());
  const std::string slot = moment.by_menu ? "1" : "quick";
  if (moment.by_menu) {
    const std::vector<Step> keys = {{save_at, "ESC"}, {save_at, "DOWN"}, {save_at, "DOWN"}, {save_at, "SPACE"},
                                    {save_at, "SPACE"}};  // セーブ, slot 1
    with_save.insert(after, keys.begin(), keys.end());
  } else {
    with_save.insert(after, Step{save_at, "F5"});
  }
  with_save.push_back({snap_at, "SNAP end"});
  GameFolder a_folder;
  folder_for(a_folder);
  std::string a_text;
  ASSERT_EQ(a_folder.Run(ToReplay(with_save), moment.until, "--snap-dir " + testing::Quoted(a_folder.path()), a_text),
            0);
  const auto a = ReadTrace(a_text);
  const std::size_t saved = FindLine(a, "\"ev\":\"slot-save\",\"slot\":\"" + slot + "\",\"ok\":true");
  ASSERT_LT(saved, a.size()) << a_text;

  // B: a fresh process from the slot, with the rest of the keys.
  std::vector<Step> b_steps = rest;
  b_steps.push_back({snap_at, "SNAP end"});
  GameFolder b_folder;
  b_folder.Write("slots/" + slot + ".slot", a_folder.Read("slots/" + slot + ".slot"));
  std::string b_text;
  ASSERT_EQ(b_folder.Run(ToReplay(b_steps, save_at), moment.until - save_at,
                         "--load " + slot + " --snap-dir " + testing::Quoted(b_folder.path()), b_text),
            0)
      << b_folder.Read("stderr.txt");
  const auto b = ReadTrace(b_text);
  const std::size_t loaded = FindLine(b, "\"ev\":\"slot-load\",\"slot\":\"" + slot + "\",\"ok\":true");
  ASSERT_LT(loaded, b.size()) << b_text;

  EXPECT_GT(a.size() - saved, 3u) << "nothing happened after the save";
  EXPECT_EQ(Tail(a, saved + 1, save_at), Tail(b, loaded + 1, 0));
  EXPECT_TRUE(a_folder.Read("end.png") == b_folder.Read("end.png")) << "the last pictures differ";
}

INSTANTIATE_TEST_SUITE_P(Moments, Snapshots, ::testing::ValuesIn(Moments()),
                         [](const ::testing::TestParamInfo<Moment>& param) {
                           std::string name;
                           for (char c : param.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

// A state whose every byte is well formed may still hold what the game never
// does: each such value is refused before anything is swapped in, so a slot
// with a good check sum cannot reach the game's own error box.
TEST(SnapshotChecks, ValuesTheGameNeverHoldsAreRefused) {
  struct Case {
    const char* what;
    std::function<void(Game&)> change;
  };
  const std::vector<Case> cases = {
      {"level 0", [](Game& g) { g.player.Level = 0; }},
      {"level 7", [](Game& g) { g.player.Level = 7; }},
      {"place 50", [](Game& g) { g.player.Node = 50; }},
      {"a mood below 0", [](Game& g) { g.player.Params[3] = -1; }},
      {"a mood above 100", [](Game& g) { g.player.Params[5] = 101; }},
      {"a shown mood above 100", [](Game& g) { g.panel.ShownValues[2] = 400; }},
      {"a flow state the game has not", [](Game& g) { g.flow.FlowState = 23; }},
      {"a state after the script it has not", [](Game& g) { g.page.FollowUpState = 99; }},
      {"a save answer it never shows", [](Game& g) { g.flow.SavePrompt = "MAYBE"; }},
      {"a choice to place 77", [](Game& g) {
         g.choices.ChoiceCount = 1;
         g.choices.ChoiceTargets[1] = 77;
       }},
      {"the cursor past the choices", [](Game& g) {
         g.choices.ChoiceCount = 2;
         g.menu.MenuVisible = true;
         g.menu.ChoiceCursor = 3;
       }},
      {"reading past the script", [](Game& g) { g.script.ReadPos = g.script.LineCount + 1; }},
      {"music from outside the game folder", [](Game& g) { g.midi.MidiFile = "/tmp/fifo"; }},
      {"music from above dat", [](Game& g) { g.midi.MidiFile = "dat\\..\\..\\etc\\passwd"; }},
      {"a looping sound by an absolute path", [](Game& g) { g.wave.LoopingWave = "\\tmp\\fifo.wav"; }},
      {"a fade past its end", [](Game& g) { g.effect.FadeStep = 500; }},
  };
  GameFolder folder;
  auto encode = [&](const std::function<void(Game&)>& change) {
    HeadlessPlatform platform{FileSystem(folder.path())};
    Game game(platform, 1);
    EXPECT_TRUE(FormCreate(game));
    change(game);
    return EncodeSnapshot(game, platform.Now());
  };
  EXPECT_NO_THROW(DecodeSnapshot(encode([](Game&) {}), kSnapshotVersion));
  EXPECT_NO_THROW(DecodeSnapshot(encode([](Game& g) { g.midi.MidiFile = Sjis("dat\\ソ\\lv.mid"); }), kSnapshotVersion))
      << "a backslash byte inside a character is no separator";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(DecodeSnapshot(encode(c.change), kSnapshotVersion), SerializeError);
  }
}

}  // namespace
}  // namespace nurumo
