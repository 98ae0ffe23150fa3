// Rollback: the game as it stood before each of the last steps (a page
// turned, a move taken, a question answered), kept in memory as snapshots so
// Backspace can go back one step at a time. Going forward again is just
// playing on.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace nurumo {

class Rollback {
 public:
  static constexpr std::size_t kKeep = 128;  // steps; the menu promises at least 100

  // A state as EncodeSnapshot made it, taken at `at` on the game's clock.
  void Record(const std::string& state, uint32_t at);
  bool empty() const { return steps_.empty(); }
  std::size_t size() const { return steps_.size(); }
  // The newest state, removed from the list; `at` is when it was taken.
  std::string TakeNewest(uint32_t& at);
  void Clear() { steps_.clear(); }
  // The memory the kept steps hold.
  std::size_t bytes() const;

 private:
  struct Step {
    std::string packed;  // the state, compressed: a hundred of them stay small
    uint32_t size;
    uint32_t at;
  };
  std::deque<Step> steps_;
};

}  // namespace nurumo
