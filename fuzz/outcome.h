// What a fuzz target made of its input. The fuzzer looks only for crashes
// and ignores this; the seed replays of the normal build (seed_main.cpp)
// run the bundled game's own files, which must all be taken whole, and fail
// on any the game refused.
#pragma once

#include <string>

namespace nurumo::fuzz {

// Why the input just run was not taken whole; empty when it was.
inline std::string refused;

inline void Refuse(const std::string& why) {
  if (refused.empty()) refused = why;
}

}  // namespace nurumo::fuzz
