#include "shell/autoplay.h"

#include <algorithm>
#include <exception>

#include "game/game.h"

namespace nurumo {

namespace {

// How long a reader lets each thing stand before pressing on, in ms.
struct Delays {
  uint32_t title, page, question, answer, first_move, next_move, take, level_up;
};
constexpr Delays kReader = {2500, 1800, 1200, 1000, 900, 350, 700, 2500};
constexpr Delays kFast = {0, 0, 0, 0, 0, 0, 0, 0};

// A key pressed in a situation that it did not change is not pressed again
// for this long, so a run never spins in place.
constexpr uint32_t kRepeat = 100;
constexpr uint32_t kIdle = 1000;  // nothing to press: look again after this

bool Before(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

}  // namespace

AutoPlayer::AutoPlayer(AutoPace pace, PlannerSettings planner) : pace_(pace), planner_(planner) {}

int32_t AutoPlayer::ChoiceFor(const Game& game) {
  std::string menu = std::to_string(game.player.Level) + '/' + std::to_string(game.player.Node);
  for (int32_t v : game.player.Params) menu += ',' + std::to_string(v);
  for (int32_t k = 1; k <= game.choices.ChoiceCount; ++k) menu += '|' + game.choices.ChoiceLabels[k];
  if (menu != menu_) {
    menu_ = menu;
    try {
      const Move move = MenuWithOdds(game.player, game.choices);
      choice_ = planner_.Choose(game.player, move);
    } catch (const std::exception&) {
      choice_ = 1;  // moods no rule can build on (only a save could hold them): what SPACE alone does
    }
  }
  return choice_;
}

AutoPlayer::Want AutoPlayer::Decide(const Game& game) {
  const Delays& d = pace_ == AutoPace::Reader ? kReader : kFast;
  const bool fast = pace_ == AutoPace::Fast;
  const FlowData& flow = game.flow;
  if (game.terminate) return {};
  if (flow.WaitForX) return {vk::kX, d.level_up};
  if (flow.SavePrompt == "SAVE") return {save_failed_ ? vk::kN : vk::kY, d.question};
  if (flow.SavePrompt == "SUCCESS") return {vk::kSpace, d.answer};
  if (flow.SavePrompt == "FAILURE") {
    save_failed_ = true;  // asked again, it goes on without saving
    return {vk::kSpace, d.answer};
  }
  if (!flow.SavePrompt.empty()) return {};
  switch (flow.FlowState) {
    case 2:
      return {vk::kSpace, d.title};
    case 10:
      return {vk::kSpace, d.page};
    case 11:  // a page being typed; an empty page is never typed to its end
      if (fast || game.reveal.RevealDone) return {vk::kSpace, d.page};
      return {};
    case 21:
    case 31:
      if (fast) return {vk::kSpace, 0};
      return {};  // the typewriter moves on by itself
    case 22: {
      if (!game.menu.MenuVisible) return {vk::kSpace, d.take};
      const int32_t k = ChoiceFor(game);
      const int32_t cursor = game.menu.ChoiceCursor;
      if (cursor == k) return {vk::kSpace, d.take};
      return {cursor < k ? vk::kDown : vk::kUp, pressed_ || cursor != 1 ? d.next_move : d.first_move};
    }
    case 50:
      return {vk::kSpace, d.page};
    default:
      return {};  // the title's fade, a game over's last page, the ending screen
  }
}

std::optional<int> AutoPlayer::Poll(const Game& game, uint32_t now) {
  std::string situation = std::to_string(game.flow.FlowState) + '/' + game.flow.SavePrompt + '/' +
                          (game.flow.WaitForX ? "x" : "") + (game.reveal.RevealDone ? "r" : "") + '/' +
                          std::to_string(game.menu.MenuVisible ? game.menu.ChoiceCursor : 0) + '/' +
                          std::to_string(game.player.Node) + '/' + std::to_string(game.player.Level);
  if (situation != situation_) {
    situation_ = std::move(situation);
    since_ = now;
    pressed_ = false;
  }
  const Want want = Decide(game);
  if (want.key == 0) {
    wake_ = now + kIdle;
    return std::nullopt;
  }
  const uint32_t due = since_ + (pressed_ ? std::max(want.delay, kRepeat) : want.delay);
  if (Before(now, due)) {
    wake_ = due;
    return std::nullopt;
  }
  pressed_ = true;
  since_ = now;
  wake_ = now;  // look again at once: the key may have moved the game on
  return want.key;
}

uint32_t AutoPlayer::NextWake(uint32_t now) { return Before(wake_, now) ? now : wake_; }

}  // namespace nurumo
