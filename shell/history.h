// The history: the pages and place lines the game has shown, newest last,
// for the menu to scroll back through. It listens to the game as its
// observer and keeps the last lines only.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/observer.h"

namespace nurumo {

class History : public GameObserver {
 public:
  static constexpr std::size_t kKeep = 500;  // lines; the menu promises at least 200

  void PageShown(const std::vector<std::string>& lines_cp932) override;
  void PlaceBuilt(int32_t node, const std::string& title_cp932, int32_t level,
                  const std::array<int32_t, 5>& params) override;
  void ChoiceTaken(const std::string& label_cp932) override;

  // A line of the shell's own (a load, a new game), set apart from the game's.
  void Mark(const std::string& cp932);
  // The lines a slot kept, in place of these.
  void Restore(const std::deque<std::string>& lines);
  const std::deque<std::string>& lines() const { return lines_; }  // CP932, oldest first; kRule between pages

  static inline const std::string kRule = "-";  // a line between two pages: drawn as a rule

 private:
  void Add(const std::string& cp932);

  std::deque<std::string> lines_;
  std::vector<std::string> last_page_;
  std::string place_line_;  // the page the flow writes for the place just built
};

// The mood words of the parameters in play, by their true values (CP932,
// joined with "・").
std::string MoodWordsOf(int32_t level, const std::array<int32_t, 5>& params);

}  // namespace nurumo
