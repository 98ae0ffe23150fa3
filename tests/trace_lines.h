// Reading a trace back line by line, and writing replays from timed steps:
// for tests that compare two runs of the program.
#pragma once

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "program_runs.h"

namespace nurumo::testing {

// One trace line: its time and everything after it.
struct TraceLine {
  uint32_t t = 0;
  std::string body;
};

inline std::vector<TraceLine> ReadTrace(const std::string& text) {
  std::vector<TraceLine> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    constexpr std::string_view kStart = "{\"t\":";
    if (!line.starts_with(kStart)) continue;
    TraceLine parsed;
    const char* digits = line.data() + kStart.size();
    auto [end, error] = std::from_chars(digits, line.data() + line.size(), parsed.t);
    if (error != std::errc()) continue;
    parsed.body = std::string(end);
    lines.push_back(std::move(parsed));
  }
  return lines;
}

inline std::size_t FindLine(const std::vector<TraceLine>& lines, std::string_view marker, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i)
    if (lines[i].body.find(marker) != std::string::npos) return i;
  return lines.size();
}

inline std::string Tail(const std::vector<TraceLine>& lines, std::size_t from, uint32_t shift) {
  std::string out;
  for (std::size_t i = from; i < lines.size(); ++i)
    out += std::to_string(lines[i].t - shift) + lines[i].body + "\n";
  return out;
}

struct Step {
  uint32_t t;
  std::string action;
};

inline std::vector<Step> Every(uint32_t from, uint32_t to, uint32_t step, const std::string& action) {
  std::vector<Step> steps;
  for (uint32_t t = from; t <= to; t += step) steps.push_back({t, action});
  return steps;
}

inline std::vector<Step> Join(std::initializer_list<std::vector<Step>> parts) {
  std::vector<Step> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  std::stable_sort(all.begin(), all.end(), [](const Step& a, const Step& b) { return a.t < b.t; });
  return all;
}

inline Replay ToReplay(const std::vector<Step>& steps, uint32_t shift = 0) {
  Replay replay;
  for (const Step& step : steps) replay.At(step.t - shift, step.action);
  return replay;
}

}  // namespace nurumo::testing
