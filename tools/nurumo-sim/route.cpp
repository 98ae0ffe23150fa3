#include "route.h"

#include <algorithm>
#include <sstream>

#include "core/text.h"
#include "game/player.h"

namespace nurumo::sim {

namespace {

constexpr std::string_view kRouteOpen = "<!-- route ";
constexpr std::string_view kRouteClose = "<!-- end route -->";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Words separated by spaces (ASCII or full-width).
std::vector<std::string> Words(std::string_view utf8) {
  std::string text(utf8);
  for (std::size_t at; (at = text.find("\xE3\x80\x80")) != std::string::npos;) text.replace(at, 3, " ");
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The cells of a table line "| a | b | c |".
std::vector<std::string_view> Cells(std::string_view line) {
  std::vector<std::string_view> cells;
  line = Trim(line);
  if (line.size() < 2 || line.front() != '|' || line.back() != '|') return cells;
  line = line.substr(1, line.size() - 2);
  for (std::size_t at; (at = line.find('|')) != std::string_view::npos; line.remove_prefix(at + 1))
    cells.push_back(Trim(line.substr(0, at)));
  cells.push_back(Trim(line));
  return cells;
}

bool IsSeparator(const std::vector<std::string_view>& cells) {
  return std::all_of(cells.begin(), cells.end(), [](std::string_view c) {
    return !c.empty() && c.find_first_not_of("-: ") == std::string_view::npos;
  });
}

// The mood and band of a mood word, or false.
bool MoodOfWord(const std::string& cp932, int32_t& mood, int32_t& band) {
  const auto& words = MoodWords();
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] != cp932) continue;
    mood = static_cast<int32_t>(i / 4) + 1;
    band = static_cast<int32_t>(i % 4);
    return true;
  }
  return false;
}

bool ParseRow(const std::vector<std::string_view>& cells, int line, RouteRow& row, std::string& error) {
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(line) + ": " + why;
    return false;
  };
  if (cells.size() != 3) return fail("a route row has three cells: place, when, take");
  row.line = line;
  if (cells[0] != "*") {
    if (!TryUtf8ToCp932(cells[0], row.place) || !IsPlaceTitle(row.place))
      return fail("no place is called '" + std::string(cells[0]) + "'");
  }
  for (const std::string& word : Words(cells[1])) {
    std::string cp932;
    int32_t mood = 0, band = 0;
    if (!TryUtf8ToCp932(word, cp932) || !MoodOfWord(cp932, mood, band))
      return fail("'" + word + "' is not a mood word");
    row.when[static_cast<std::size_t>(mood - 1)].push_back(band);
  }
  for (const std::string& word : Words(cells[2])) {
    std::string cp932;
    if (!TryUtf8ToCp932(word, cp932) || !IsChoiceLabel(cp932)) return fail("no place offers '" + word + "'");
    row.take.push_back(cp932);
  }
  if (row.take.empty()) return fail("a route row takes at least one label");
  return true;
}

// The compass moves of the forest and the way straight back from each.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kCompass = {
    {{"東へ", "西へ"}, {"西へ", "東へ"}, {"南へ", "北へ"}, {"北へ", "南へ"}}};

bool IsWayBack(std::string_view label_cp932, std::string_view last_cp932) {
  static const auto compass = [] {
    std::array<std::pair<std::string, std::string>, 4> c;
    for (std::size_t i = 0; i < c.size(); ++i) c[i] = {Sjis(kCompass[i].first), Sjis(kCompass[i].second)};
    return c;
  }();
  for (const auto& [way, back] : compass)
    if (last_cp932 == way) return label_cp932 == back;
  return false;
}

bool Holds(const RouteRow& row, const PlayerData& player) {
  for (int32_t mood = 1; mood <= 5; ++mood) {
    const auto& bands = row.when[static_cast<std::size_t>(mood - 1)];
    if (bands.empty()) continue;
    if (mood > player.Level) return false;  // the panel shows the moods in play only
    const int32_t band = MoodBand(player.Params[mood]);
    if (std::find(bands.begin(), bands.end(), band) == bands.end()) return false;
  }
  return true;
}

}  // namespace

bool ParseRoutes(std::string_view utf8, Routes& routes, std::string& error) {
  routes = Routes();
  std::istringstream in{std::string(utf8)};
  int level = 0;  // inside the table of this level, 0 outside
  int line_number = 0;
  std::array<bool, 6> seen{};
  for (std::string text; std::getline(in, text);) {
    ++line_number;
    std::string_view line = Trim(text);
    if (level == 0) {
      if (!line.starts_with(kRouteOpen)) continue;
      std::string_view rest = line.substr(kRouteOpen.size());
      if (rest.size() < 5 || rest[0] < '1' || rest[0] > '5' || Trim(rest.substr(1)) != "-->") {
        error = "line " + std::to_string(line_number) +
                ": a route is opened as <!-- route 1 --> .. <!-- route 5 -->";
        return false;
      }
      level = rest[0] - '0';
      if (seen[static_cast<std::size_t>(level)]) {
        error = "line " + std::to_string(line_number) + ": a second route for level " + std::to_string(level);
        return false;
      }
      seen[static_cast<std::size_t>(level)] = true;
      continue;
    }
    if (line == kRouteClose) {
      level = 0;
      continue;
    }
    const std::vector<std::string_view> cells = Cells(line);
    if (cells.empty() || IsSeparator(cells) || (cells.size() == 3 && cells[0] == "place")) continue;
    RouteRow row;
    if (!ParseRow(cells, line_number, row, error)) return false;
    routes.levels[static_cast<std::size_t>(level)].push_back(std::move(row));
  }
  if (level != 0) {
    error = "the route of level " + std::to_string(level) + " is not closed with " + std::string(kRouteClose);
    return false;
  }
  for (int l = 1; l <= 5; ++l) {
    if (!seen[static_cast<std::size_t>(l)]) {
      error = "no route for level " + std::to_string(l);
      return false;
    }
  }
  return true;
}

int32_t HintsPolicy::Choose(const PlayerData& player, const Move& move) {
  if (player.Level < 1 || player.Level > 5) return 1;
  for (const RouteRow& row : routes_.levels[static_cast<std::size_t>(player.Level)]) {
    if (!row.place.empty() && row.place != move.title) continue;
    if (!Holds(row, player)) continue;
    for (const std::string& label : row.take) {
      for (int32_t k = 1; k <= move.count; ++k) {
        const Choice& c = move.choice(k);
        if (c.label != label) continue;
        if (IsWayBack(c.label, last_) && move.count > 1)
          break;  // not straight back while another way is open
        last_ = c.label;
        return k;
      }
    }
  }
  last_ = move.choice(1).label;
  return 1;  // no row applies: what SPACE alone does
}

}  // namespace nurumo::sim
