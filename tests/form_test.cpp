// The main window: the key table, the short-cut keys and the key dispatch.
#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "app/form.h"
#include "core/text.h"
#include "game/game.h"
#include "support.h"

namespace nurumo {
namespace {

constexpr int kIdleState = 77;  // a state the machine does nothing in: shows that AdvanceFlow ran

// What a key did: the flow fields it leaves and the flow steps and sounds
// the trace shows.
struct Outcome {
  bool wait_for_x;
  std::string prompt;
  int cursor;
  std::string events;  // "state 77", "wave dat\hyuun.wav" ..., joined with "; "
};

// The flow fields a key meets: WaitForX, SavePrompt, MenuVisible,
// ChoiceCursor, ChoiceCount, VoiceMode, and whether saving fails.
struct Start {
  bool wait_for_x = false;
  std::string prompt;
  bool menu_visible = false;
  int cursor = 1;
  int count = 3;
  bool voice = false;
  bool save_fails = false;
};

// The first "state" line (the step the key ran, not those it led to) and
// the "wave" lines of a trace, shortened.
std::string Steps(const std::string& trace) {
  std::istringstream lines(trace);
  std::string line, steps;
  while (std::getline(lines, line)) {
    std::string step;
    if (auto at = line.find("\"ev\":\"state\",\"n\":"); at != std::string::npos)
      step = "state " + line.substr(at + 17, line.find('}', at) - at - 17);
    else if (auto file = line.find("\"ev\":\"wave\",\"file\":\""); file != std::string::npos)
      step = "wave " + line.substr(file + 20, line.find('"', file + 20) - file - 20);
    if (step.empty() || (step.starts_with("state") && steps.find("state") != std::string::npos)) continue;
    if (!steps.empty()) steps += "; ";
    steps += step;
  }
  return steps;
}

Outcome Press(const Start& start, int key) {
  testing::TempDir dir;
  // A data folder that does not exist makes the save fail.
  HeadlessPlatform platform(FileSystem(dir.path(), start.save_fails ? dir.path() / "gone" / "deeper" : dir.path()));
  Game game(platform, 1);
  std::ostringstream trace;
  game.trace.Open(&trace, [&platform] { return platform.Now(); });
  game.flow.FlowState = kIdleState;
  game.flow.WaitForX = start.wait_for_x;
  game.flow.SavePrompt = start.prompt;
  game.flow.VoiceMode = start.voice;
  game.menu.MenuVisible = start.menu_visible;
  game.menu.ChoiceCursor = start.cursor;
  game.choices.ChoiceCount = start.count;
  DispatchEvent(game, {InputEvent::Kind::Key, key});
  return {game.flow.WaitForX, game.flow.SavePrompt, game.menu.ChoiceCursor, Steps(trace.str())};
}

TEST(FormKeyDown, KeyTable) {
  struct Case {
    const char* what;
    Start start;
    int key;
    Outcome want;
  };
  const Start wait = Start{true, "", false, 1, 3, false, false};
  const Start save = Start{false, "SAVE", false, 1, 3, false, false};
  const Start success = Start{false, "SUCCESS", false, 1, 3, false, false};
  const Start failure = Start{false, "FAILURE", false, 1, 3, false, false};
  const Start menu = Start{false, "", true, 2, 3, false, false};
  const std::vector<Case> cases = {
      {"X while waiting for X", wait, vk::kX, {false, "", 1, "state 77"}},
      {"SPACE while waiting for X", wait, vk::kSpace, {true, "", 1, ""}},
      {"ENTER while waiting for X", wait, vk::kEnter, {true, "", 1, ""}},
      {"Y while waiting for X", Start{true, "SAVE", false, 1, 3, false, false}, vk::kY, {true, "SAVE", 1, ""}},
      {"UP while waiting for X", Start{true, "", true, 2, 3, false, false}, vk::kUp,
       {true, "", 2, ""}},
      {"SPACE after a save", success, vk::kSpace, {false, "", 1, "state 19"}},
      {"ENTER after a save", success, vk::kEnter, {false, "", 1, "state 19"}},
      {"Y after a save", success, vk::kY, {false, "SUCCESS", 1, ""}},
      {"N after a save", success, vk::kN, {false, "SUCCESS", 1, ""}},
      {"SPACE after a failed save", failure, vk::kSpace, {false, "SAVE", 1, ""}},
      {"Y after a failed save", failure, vk::kY, {false, "FAILURE", 1, ""}},
      {"SPACE at the question", save, vk::kSpace, {false, "SAVE", 1, ""}},
      {"ENTER at the question", save, vk::kEnter, {false, "SAVE", 1, ""}},
      {"Y saves", save, vk::kY, {false, "SUCCESS", 1, "wave dat\\\\hyuun.wav"}},
      {"Y saves in voice mode", Start{false, "SAVE", false, 1, 3, true, false}, vk::kY,
       {false, "SUCCESS", 1, "wave dat\\\\save_ok.wav"}},
      {"Y fails to save", Start{false, "SAVE", false, 1, 3, false, true}, vk::kY,
       {false, "FAILURE", 1, "wave dat\\\\bub.wav"}},
      {"Y fails to save in voice mode", Start{false, "SAVE", false, 1, 3, true, true}, vk::kY,
       {false, "FAILURE", 1, "wave dat\\\\save_false.wav"}},
      {"N declines", save, vk::kN, {false, "", 1, "state 19"}},
      {"a lower-case word is not the question", Start{false, "save", false, 1, 3, false, false}, vk::kY, {false, "save", 1, ""}},
      {"SPACE advances", Start{}, vk::kSpace, {false, "", 1, "state 77"}},
      {"ENTER advances", Start{}, vk::kEnter, {false, "", 1, "state 77"}},
      {"X does nothing otherwise", Start{}, vk::kX, {false, "", 1, ""}},
      {"UP", menu, vk::kUp, {false, "", 1, ""}},
      {"DOWN", menu, vk::kDown, {false, "", 3, ""}},
      {"UP on the first wraps", Start{false, "", true, 1, 3, false, false}, vk::kUp, {false, "", 3, ""}},
      {"DOWN on the last wraps", Start{false, "", true, 3, 3, false, false}, vk::kDown, {false, "", 1, ""}},
      {"UP with the menu hidden", Start{false, "", false, 2, 3, false, false}, vk::kUp, {false, "", 2, ""}},
      {"DOWN with the menu hidden", Start{false, "", false, 2, 3, false, false}, vk::kDown, {false, "", 2, ""}},
      {"ALT is swallowed", Start{}, vk::kAlt, {false, "", 1, ""}},
      {"F10 is swallowed", Start{true, "", false, 1, 3, false, false}, vk::kF10, {true, "", 1, ""}},
  };
  for (const Case& c : cases) {
    const Outcome got = Press(c.start, c.key);
    EXPECT_EQ(got.wait_for_x, c.want.wait_for_x) << c.what;
    EXPECT_EQ(got.prompt, c.want.prompt) << c.what;
    EXPECT_EQ(got.cursor, c.want.cursor) << c.what;
    EXPECT_EQ(got.events, c.want.events) << c.what;
  }
}

TEST(FormKeyDown, FailedSaveCanBeTriedAgain) {
  testing::TempDir dir;
  HeadlessPlatform platform(FileSystem(dir.path(), dir.path() / "gone"));
  Game game(platform, 1);
  game.flow.SavePrompt = "SAVE";
  for (int key : {vk::kY, vk::kSpace, vk::kY}) DispatchEvent(game, {InputEvent::Kind::Key, key});
  EXPECT_EQ(game.flow.SavePrompt, "FAILURE");
}

TEST(FormShortCut, SwallowsOnlyAltAndF10) {
  testing::HeadlessGame g;
  for (int key = 1; key < 256; ++key)
    EXPECT_EQ(FormShortCut(g.game, key), key == vk::kAlt || key == vk::kF10) << key;
}

TEST(DispatchEvent, TracesEveryKeyBeforeAnyHandler) {
  testing::HeadlessGame g;
  std::ostringstream trace;
  g.game.trace.Open(&trace, [&g] { return g.platform.Now(); });
  g.game.flow.FlowState = kIdleState;
  for (int key : {vk::kSpace, vk::kAlt, 65}) DispatchEvent(g.game, {InputEvent::Kind::Key, key});
  EXPECT_EQ(trace.str(),
            "{\"t\":0,\"ev\":\"key\",\"key\":\"SPACE\"}\n"
            "{\"t\":0,\"ev\":\"state\",\"n\":77}\n"
            "{\"t\":0,\"ev\":\"key\",\"key\":\"ALT\"}\n"
            "{\"t\":0,\"ev\":\"key\",\"key\":\"VK65\"}\n");
}

TEST(DispatchEvent, QuitRequestsTheEndAndKeysAfterAFailedStartDoNothing) {
  testing::HeadlessGame g;
  g.game.flow.FlowState = kIdleState;
  DispatchEvent(g.game, {InputEvent::Kind::Key, vk::kSpace}, false);
  EXPECT_EQ(g.game.flow.FlowState, kIdleState);
  DispatchEvent(g.game, {InputEvent::Kind::Quit, 0});
  EXPECT_TRUE(g.game.terminate);
}

TEST(DispatchEvent, ErrorInAKeyHandlerIsShownAndTheGameGoesOn) {
  testing::HeadlessGame g;
  g.game.flow.FlowState = 20;  // a move wears parameter 1 down by one ...
  g.game.player.Level = 1;
  g.game.player.Params[1] = INT32_MIN;  // ... which cannot go lower
  DispatchEvent(g.game, {InputEvent::Kind::Key, vk::kSpace});
  ASSERT_FALSE(g.platform.boxes().empty());
  EXPECT_EQ(g.platform.boxes().back().icon, BoxIcon::Error);
  EXPECT_EQ(g.platform.boxes().back().caption, Sjis("ぬるも。"));
  EXPECT_EQ(g.platform.boxes().back().text, Sjis("整数のオーバーフロー"));
  g.game.flow.FlowState = kIdleState;  // and the next key is handled as usual
  DispatchEvent(g.game, {InputEvent::Kind::Key, vk::kSpace});
  EXPECT_EQ(g.game.flow.FlowState, 0);
}

TEST(FormCreate, FailureShowsTheBoxAndLeavesNothingRunning) {
  testing::HeadlessGame g;  // an empty dat folder: the pictures are missing
  EXPECT_FALSE(FormCreate(g.game));
  ASSERT_EQ(g.platform.boxes().size(), 1u);
  EXPECT_EQ(g.platform.boxes()[0].icon, BoxIcon::Error);
  for (const TimerSlot& slot : g.game.timers.TimerSlots) EXPECT_EQ(slot.Callback, nullptr);
  EXPECT_EQ(g.game.flow.FlowState, 0);
}

}  // namespace
}  // namespace nurumo
