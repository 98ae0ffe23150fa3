// The game playing itself: the keys a player would press, chosen from what
// the game shows (the flow's state, the save question, the pages, the menu)
// and, at every place, the careful player's choice. At a reader's pace in the
// window, a demo for a screen left alone; as fast as the clock allows in
// headless runs. After a game over's last page, and on the ending screen,
// there is nothing left to press.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/planner.h"

namespace nurumo {

struct Game;

enum class AutoPace {
  Reader,  // pages stay long enough to read; the cursor visibly moves before a choice
  Fast,    // every key as soon as it does something
};

class AutoPlayer {
 public:
  explicit AutoPlayer(AutoPace pace, PlannerSettings planner = {});

  // A game key to press now, or nothing.
  std::optional<int> Poll(const Game& game, uint32_t now);
  // When it next wants to be asked; it may be asked earlier.
  uint32_t NextWake(uint32_t now);

 private:
  struct Want {
    int key = 0;         // 0: nothing to press
    uint32_t delay = 0;  // how long the situation stands before the key is pressed
  };
  Want Decide(const Game& game);
  int32_t ChoiceFor(const Game& game);

  AutoPace pace_;
  Planner planner_;
  std::string situation_;  // what the screen showed when it was last looked at
  uint32_t since_ = 0;     // since when it has shown it
  uint32_t wake_ = 0;
  bool pressed_ = false;  // a key was pressed in this situation already
  bool save_failed_ = false;
  std::string menu_;  // the menu the choice below was made for
  int32_t choice_ = 1;
};

}  // namespace nurumo
