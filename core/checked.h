// Fixed-size arrays with explicit bounds and 32-bit arithmetic that refuse to
// wrap: stepping outside either raises RangeError or OverflowError.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "core/errors.h"

namespace nurumo {

// An array indexed Lo..Hi, the way the game counts (parameters 1..5, page
// lines 0..3). Indexing outside that range is a RangeError.
template <typename T, int Lo, int Hi>
class CheckedArray {
 public:
  static constexpr int kLow = Lo;
  static constexpr int kHigh = Hi;
  static constexpr int kSize = Hi - Lo + 1;

  T& operator[](int i) { return items_[Slot(i)]; }
  const T& operator[](int i) const { return items_[Slot(i)]; }
  static bool InRange(int i) { return i >= Lo && i <= Hi; }
  void Fill(const T& value) { items_.fill(value); }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  bool operator==(const CheckedArray&) const = default;

 private:
  static std::size_t Slot(int i) {
    if (!InRange(i)) throw RangeError();
    return static_cast<std::size_t>(i - Lo);
  }
  std::array<T, kSize> items_{};
};

inline int32_t Narrow(int64_t v) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    throw OverflowError();
  return static_cast<int32_t>(v);
}
inline int32_t CheckedAdd(int32_t a, int32_t b) { return Narrow(int64_t{a} + b); }
inline int32_t CheckedSub(int32_t a, int32_t b) { return Narrow(int64_t{a} - b); }
inline int32_t CheckedMul(int32_t a, int32_t b) { return Narrow(int64_t{a} * b); }

// Throws RangeError unless lo <= v <= hi.
inline void CheckRange(int64_t v, int64_t lo, int64_t hi) {
  if (v < lo || v > hi) throw RangeError();
}

}  // namespace nurumo
