#include "shell/history.h"

#include <algorithm>

#include "core/text.h"
#include "game/player.h"

namespace nurumo {

std::string MoodWordsOf(int32_t level, const std::array<int32_t, 5>& params) {
  std::string words;
  for (int32_t j = 1; j <= std::clamp(level, 0, 5); ++j) {
    const int32_t value = params[static_cast<std::size_t>(j - 1)];
    int32_t band = 0;
    while (band < 3 && value >= MoodThresholds[static_cast<std::size_t>(band)]) ++band;
    if (!words.empty()) words += Sjis("・");
    words += MoodWords()[static_cast<std::size_t>((j - 1) * 4 + band)];
  }
  return words;
}

void History::Add(const std::string& cp932) {
  lines_.push_back(cp932);
  while (lines_.size() > kKeep) lines_.pop_front();
}

// A page that grows (the flow adds a line to a page already shown) adds
// only its new lines; the place line is already in as the place.
void History::PageShown(const std::vector<std::string>& lines) {
  if (lines.size() == 1 && lines[0] == place_line_) {
    place_line_.clear();
    return;
  }
  std::size_t same = 0;
  if (!last_page_.empty() && lines.size() >= last_page_.size() &&
      std::equal(last_page_.begin(), last_page_.end(), lines.begin()))
    same = last_page_.size();
  if (same == 0 && !lines_.empty() && lines_.back() != kRule) Add(kRule);  // a new page
  for (std::size_t i = same; i < lines.size(); ++i) Add(lines[i]);
  last_page_ = lines;
}

void History::PlaceBuilt(int32_t node, const std::string& title, int32_t level, const std::array<int32_t, 5>& params) {
  place_line_ = Sjis("＞") + title + Sjis("にたゆたっている。");
  last_page_.clear();
  Add(std::to_string(node) + Sjis("．") + title + Sjis("　…") + MoodWordsOf(level, params));
}

void History::ChoiceTaken(const std::string& label) { Add(Sjis("　→ ") + label); }

void History::Mark(const std::string& cp932) {
  last_page_.clear();
  Add(Sjis("―― ") + cp932 + Sjis(" ――"));
}

void History::Restore(const std::deque<std::string>& lines) {
  lines_ = lines;
  while (lines_.size() > kKeep) lines_.pop_front();
  last_page_.clear();
  place_line_.clear();
}

}  // namespace nurumo
