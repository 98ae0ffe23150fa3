// The game's one pseudo-random generator: seeded once, uniform draws 0..n-1.
#pragma once

#include <cstdint>
#include <random>

namespace nurumo {

class Random {
 public:
  explicit Random(uint32_t seed = 0) : seed_(seed), engine_(seed) {}

  // A uniform integer 0..n-1; n of 0 or less gives 0 without drawing.
  // Multiply-and-shift keeps the sequence the same on every standard library.
  int32_t operator()(int32_t n) {
    if (n <= 0) return 0;
    uint64_t wide = static_cast<uint64_t>(static_cast<uint32_t>(engine_())) * static_cast<uint64_t>(n);
    return static_cast<int32_t>(wide >> 32);
  }
  uint32_t seed() const { return seed_; }

 private:
  uint32_t seed_;
  std::mt19937 engine_;
};

}  // namespace nurumo
