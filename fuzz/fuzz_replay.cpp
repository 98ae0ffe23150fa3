// A replay file: parsed line by line, or refused with the line and reason.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/outcome.h"
#include "platform/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const std::vector<nurumo::ReplayLine> lines = nurumo::ParseReplay(text);
    (void)nurumo::DefaultStopTime(lines);
    for (const nurumo::ReplayLine& line : lines) (void)nurumo::KeyFromName(nurumo::KeyName(line.vk));
    if (lines.empty()) nurumo::fuzz::Refuse("the replay holds no key");
  } catch (const nurumo::ReplayError&) {
    nurumo::fuzz::Refuse("the replay was refused");
  }
  return 0;
}
