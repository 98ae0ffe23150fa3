// The game's one pseudo-random generator: seeded once, uniform draws 0..n-1.
#pragma once

#include <cstdint>

namespace nurumo {

class Random {
 public:
  explicit Random(uint32_t seed = 0) : seed_(seed) {
    Next();
    state_ += seed;
    Next();
  }

  // A uniform integer 0..n-1; n of 0 or less gives 0 without drawing.
  // Multiply-and-shift keeps the sequence the same on every standard library.
  int32_t operator()(int32_t n) {
    if (n <= 0) return 0;
    uint64_t wide = static_cast<uint64_t>(Next()) * static_cast<uint64_t>(n);
    return static_cast<int32_t>(wide >> 32);
  }
  uint32_t seed() const { return seed_; }

  // The whole state, for snapshots: the sequence goes on where it stopped.
  template <typename S>
  void Sync(S& s) {
    s.Sync(seed_);
    s.Sync(state_);
  }

 private:
  // PCG32 (XSH RR): small, fast enough for one draw a pixel in the noise
  // effect, and the same sequence on every compiler.
  uint32_t Next() {
    uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + kIncrement;
    uint32_t shifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    uint32_t rot = static_cast<uint32_t>(old >> 59u);
    return (shifted >> rot) | (shifted << ((32u - rot) & 31u));
  }

  static constexpr uint64_t kIncrement = 1442695040888963407ULL;
  uint32_t seed_;
  uint64_t state_ = 0;
};

}  // namespace nurumo
