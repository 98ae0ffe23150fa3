// The autoplayer: which key it presses in each situation, and at which pace.
#include "shell/autoplay.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "game/graph.h"
#include "support.h"

namespace nurumo {
namespace {

using testing::HeadlessGame;

// The menu of a place the game has built: the player data after the build.
void ShowMenu(Game& game, int32_t level, std::array<int32_t, 5> moods, int32_t node) {
  game.player.Level = level;
  for (int32_t i = 1; i <= 5; ++i) game.player.Params[i] = moods[static_cast<std::size_t>(i - 1)];
  game.player.Node = node;
  BuildNode(game);
  game.flow.FlowState = 22;
  game.menu.MenuVisible = true;
  game.menu.ChoiceCursor = 1;
}

struct Pressed {
  uint32_t at;
  int key;
};

// Polls every 10 ms from `from` until `until`, applying the cursor keys as
// the key table would; returns the keys pressed.
std::vector<Pressed> Watch(AutoPlayer& player, Game& game, uint32_t from, uint32_t until) {
  std::vector<Pressed> keys;
  for (uint32_t t = from; t < until; t += 10) {
    std::optional<int> key = player.Poll(game, t);
    if (!key) continue;
    keys.push_back({t, *key});
    if (*key == vk::kDown) ++game.menu.ChoiceCursor;
    if (*key == vk::kSpace) game.flow.FlowState = 0;  // the choice is taken
  }
  return keys;
}

TEST(AutoPlayer, ReaderMovesTheCursorVisiblyThenTakesTheChoice) {
  HeadlessGame h;
  ShowMenu(h.game, 1, {90, 25, 20, 15, 10}, 7);  // "吹いていない", then the star
  ASSERT_EQ(Cp932ToUtf8(h.game.choices.ChoiceLabels[2]), "吹いている★");
  AutoPlayer reader(AutoPace::Reader);
  const std::vector<Pressed> keys = Watch(reader, h.game, 1000, 6000);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].key, vk::kDown);
  EXPECT_GE(keys[0].at, 1000u + 500);  // the menu stands a moment before the cursor moves
  EXPECT_EQ(keys[1].key, vk::kSpace);
  EXPECT_GE(keys[1].at - keys[0].at, 300u);  // and the cursor stands on the choice before it is taken
}

TEST(AutoPlayer, FastPlayerPressesAtOnce) {
  HeadlessGame h;
  ShowMenu(h.game, 1, {90, 25, 20, 15, 10}, 7);
  AutoPlayer fast(AutoPace::Fast);
  EXPECT_EQ(fast.Poll(h.game, 500), vk::kDown);
  EXPECT_EQ(fast.NextWake(500), 500u);
  ++h.game.menu.ChoiceCursor;
  EXPECT_EQ(fast.Poll(h.game, 500), vk::kSpace);
}

TEST(AutoPlayer, KeysForEachSituation) {
  const struct {
    const char* what;
    int32_t state;
    std::string prompt;
    bool wait_x;
    std::optional<int> key;
  } cases[] = {
      {"title", 2, "", false, vk::kSpace},
      {"page shown", 10, "", false, vk::kSpace},
      {"page being typed", 11, "", false, vk::kSpace},
      {"level-up page", 32, "", true, vk::kX},
      {"save question", 0, "SAVE", false, vk::kY},
      {"saved", 0, "SUCCESS", false, vk::kSpace},
      {"a mood ran out", 50, "", false, vk::kSpace},
      {"title fading, or a game over's last page", 0, "", false, std::nullopt},
      {"ending screen", 99, "", false, std::nullopt},
  };
  for (const auto& c : cases) {
    HeadlessGame h;
    h.game.flow.FlowState = c.state;
    h.game.flow.SavePrompt = c.prompt;
    h.game.flow.WaitForX = c.wait_x;
    AutoPlayer fast(AutoPace::Fast);
    EXPECT_EQ(fast.Poll(h.game, 100), c.key) << c.what;
  }
}

TEST(AutoPlayer, ReaderWaitsForTheTypewriterUnlessThePageIsEmpty) {
  HeadlessGame h;
  h.game.flow.FlowState = 11;
  AutoPlayer reader(AutoPace::Reader);
  EXPECT_EQ(reader.Poll(h.game, 0), std::nullopt);
  EXPECT_EQ(reader.Poll(h.game, 60000), std::nullopt);
  h.game.reveal.RevealDone = true;  // an empty page: the typewriter stopped without moving the flow on
  EXPECT_EQ(reader.Poll(h.game, 60000), std::nullopt);
  EXPECT_EQ(reader.NextWake(60000), 60000u + 1800);
  EXPECT_EQ(reader.Poll(h.game, 61800), vk::kSpace);
}

TEST(AutoPlayer, AMenuNoRuleCanBuildOnGetsTheFirstChoice) {
  HeadlessGame h;
  ShowMenu(h.game, 1, {90, 25, 20, 15, 10}, 7);
  h.game.player.Params[1] = INT32_MIN;  // only a save could hold it: building the place again overflows
  AutoPlayer fast(AutoPace::Fast);
  EXPECT_EQ(fast.Poll(h.game, 0), vk::kSpace);
}

TEST(AutoPlayer, AfterAFailedSaveGoesOnWithoutSaving) {
  HeadlessGame h;
  AutoPlayer fast(AutoPace::Fast);
  h.game.flow.SavePrompt = "SAVE";
  EXPECT_EQ(fast.Poll(h.game, 0), vk::kY);
  h.game.flow.SavePrompt = "FAILURE";
  EXPECT_EQ(fast.Poll(h.game, 0), vk::kSpace);
  h.game.flow.SavePrompt = "SAVE";
  EXPECT_EQ(fast.Poll(h.game, 0), vk::kN);
}

TEST(AutoPlayer, AKeyThatChangesNothingIsNotRepeatedAtOnce) {
  HeadlessGame h;
  h.game.flow.FlowState = 10;
  AutoPlayer fast(AutoPace::Fast);
  EXPECT_EQ(fast.Poll(h.game, 0), vk::kSpace);
  EXPECT_EQ(fast.Poll(h.game, 0), std::nullopt);  // the same screen: a run never spins in place
  EXPECT_GT(fast.NextWake(0), 0u);
  EXPECT_EQ(fast.Poll(h.game, fast.NextWake(0)), vk::kSpace);
}

}  // namespace
}  // namespace nurumo
