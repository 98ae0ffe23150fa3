// Someone outside the game who wants to hear what it has shown: the game
// calls these at the moments it traces them (a page shown whole, a place
// built, a choice taken) and never looks at the answer. The game works the
// same with no observer at all.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nurumo {

class GameObserver {
 public:
  virtual ~GameObserver() = default;
  // The lines of a page as it stands whole (CP932).
  virtual void PageShown(const std::vector<std::string>& lines_cp932) = 0;
  // A place built: its number and title (CP932), the level and the five
  // parameters after the place's own changes.
  virtual void PlaceBuilt(int32_t node, const std::string& title_cp932, int32_t level,
                          const std::array<int32_t, 5>& params) = 0;
  // The label of the choice taken (CP932).
  virtual void ChoiceTaken(const std::string& label_cp932) = 0;
};

}  // namespace nurumo
