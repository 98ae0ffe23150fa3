#include "game/planner.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

namespace nurumo {

namespace {

// Tries every outcome of a build's offer draws, one path a run, like an
// odometer: a run takes the recorded values and records 0 for a draw it
// meets for the first time. Target draws always give 0: where a choice leads
// is in its odds, and a target draw never changes what is offered.
class EveryOffer final : public Draws {
 public:
  int32_t Draw(int32_t n, Use use) override {
    if (use == Use::Target || n <= 1) return 0;
    if (pos_ < path_.size()) return path_[pos_++].value;
    path_.push_back({0, n});
    ++pos_;
    return 0;
  }
  double Probability() const {
    double p = 1.0;
    for (const Step& step : path_) p /= step.n;
    return p;
  }
  // The next path; false when every one was tried.
  bool Next() {
    pos_ = 0;
    while (!path_.empty() && path_.back().value + 1 >= path_.back().n) path_.pop_back();
    if (path_.empty()) return false;
    ++path_.back().value;
    return true;
  }

 private:
  struct Step {
    int32_t value;
    int32_t n;
  };
  std::vector<Step> path_;
  std::size_t pos_ = 0;
};

struct Offer {
  std::string_view label;
  Odds odds;
};

// One menu a place can show, and how likely it is.
struct Variant {
  double p = 0;
  std::vector<Offer> offers;
};

// A place as the search sees it: the player data after building it, and
// every menu it can show.
struct Place {
  PlayerData after;
  const std::vector<Variant>* variants = nullptr;
};

bool SameOffers(const std::vector<Offer>& a, const Move& move) {
  if (a.size() != static_cast<std::size_t>(move.count)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const Choice& c = move.choices[i];
    if (a[i].label.data() != c.label.data() || a[i].odds.low != c.odds.low ||
        a[i].odds.count != c.odds.count || a[i].odds.other != c.odds.other)
      return false;
  }
  return true;
}

// The menus a place can show depend on the place, the level and what the
// breakthrough tests found; the labels of one build tell the last apart.
struct MenuKey {
  int32_t node;
  int32_t level;
  int32_t count;
  std::array<const char*, std::tuple_size_v<decltype(Move::choices)>> labels{};  // unused ones null
  bool operator<(const MenuKey& o) const {
    return std::tie(node, level, count, labels) < std::tie(o.node, o.level, o.count, o.labels);
  }
};

// Builds places as the search sees them, keeping every menu a place can show.
class Model {
 public:
  Place Build(const PlayerData& before, int32_t node) {
    Place place;
    place.after = before;
    place.after.Node = node;
    EveryOffer draws;
    Move move;
    BuildPlace(place.after, draws, move);  // the changes are the same on every path
    MenuKey key{node, before.Level, move.count, {}};
    for (int32_t k = 1; k <= move.count; ++k)
      key.labels[static_cast<std::size_t>(k - 1)] = move.choice(k).label.data();
    auto it = menus_.find(key);
    if (it == menus_.end()) it = menus_.emplace(key, Variants(before, node)).first;
    place.variants = &it->second;
    return place;
  }

 private:
  static std::vector<Variant> Variants(const PlayerData& before, int32_t node) {
    std::vector<Variant> variants;
    EveryOffer draws;
    do {
      PlayerData copy = before;
      copy.Node = node;
      Move move;
      BuildPlace(copy, draws, move);
      const double p = draws.Probability();
      auto same = std::find_if(variants.begin(), variants.end(),
                               [&](const Variant& v) { return SameOffers(v.offers, move); });
      if (same != variants.end()) {
        same->p += p;
        continue;
      }
      Variant v{p, {}};
      for (int32_t k = 1; k <= move.count; ++k)
        v.offers.push_back({move.choice(k).label, move.choice(k).odds});
      variants.push_back(std::move(v));
    } while (draws.Next());
    return variants;
  }

  std::map<MenuKey, std::vector<Variant>> menus_;
};

// The bits of a double and back (std::bit_cast is not in every C++ library we build with).
uint64_t BitsOf(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}
double DoubleOf(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

constexpr int32_t kValues = 101;  // a mood's values 0..100
constexpr std::size_t kTableSize = static_cast<std::size_t>(kPlaceCount * kValues);

// 64-bit FNV-1a over the bytes of numbers, little-endian on every machine.
struct Fnv {
  uint64_t value = 14695981039346656037ull;
  void Add(uint64_t bits, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      value ^= (bits >> (8 * i)) & 0xFF;
      value *= 1099511628211ull;
    }
  }
  void Add(int32_t n) { Add(static_cast<uint32_t>(n), 4); }
  void Add(uint32_t n) { Add(static_cast<uint64_t>(n), 4); }
  void Add(double d) { Add(BitsOf(d), 8); }
};

// The bundled tables, unpacked once, found by key and fingerprint.
class StoredMoodTables {
 public:
  static const StoredMoodTables& Bundled() {
    static const StoredMoodTables bundled(BundledMoodTables());
    return bundled;
  }
  explicit StoredMoodTables(std::span<const unsigned char> packed)
      : tables_(UnpackMoodTables(packed).value_or(std::vector<StoredMoodTable>{})) {}

  // Any table worked out from the same places serves, whatever its mask.
  const std::vector<double>* Find(uint64_t inputs) const {
    for (const StoredMoodTable& t : tables_)
      if (t.inputs == inputs) return &t.cost;
    return nullptr;
  }

 private:
  std::vector<StoredMoodTable> tables_;
};
constexpr int32_t kNearlyHigh = 75;  // a mood this high is soon high enough for a breakthrough test

// One mood at a time: the expected moves, from entering a place with the mood
// at a value, until the work on that mood is done, playing for that mood
// alone. The work on the level's own mood is its breakthrough; on another
// mood, bringing it back up to the reserve. The other moods are held still,
// high or not as the mask says, so the breakthrough tests find what they find
// in the game. A mood that runs out costs `death` moves.
class MoodTables {
 public:
  MoodTables(Model& model, const PlannerSettings& settings) : model_(model), settings_(settings) {}

  struct Table {
    std::vector<double> cost;  // [node * kValues + value]
    // For each value, the sums of the costs of places 0..n-1, so that the
    // mean over a drawn range of places is one subtraction.
    std::vector<double> sums;  // [value * (kPlaceCount + 1) + n]

    double At(int32_t node, int32_t value) const {
      return cost[static_cast<std::size_t>(node * kValues + value)];
    }
    double Sum(int32_t value, int32_t from, int32_t to) const {
      const auto row = static_cast<std::size_t>(value * (kPlaceCount + 1));
      return sums[row + static_cast<std::size_t>(to)] - sums[row + static_cast<std::size_t>(from)];
    }
    void Add() {
      sums.assign(static_cast<std::size_t>(kValues * (kPlaceCount + 1)), 0.0);
      for (int32_t v = 0; v < kValues; ++v) AddColumn(v);
    }
    void AddColumn(int32_t v) {
      const auto row = static_cast<std::size_t>(v * (kPlaceCount + 1));
      for (int32_t n = 0; n < kPlaceCount; ++n)
        sums[row + static_cast<std::size_t>(n + 1)] = sums[row + static_cast<std::size_t>(n)] + At(n, v);
    }
  };

  const Table& Get(int32_t level, int32_t mood, int32_t mask) {
    const int32_t key = (level * 8 + mood) * 64 + mask;
    auto it = tables_.find(key);
    if (it == tables_.end()) it = tables_.emplace(key, Make(level, mood, mask)).first;
    return it->second;
  }

  // A table from its inputs: one kept in `stored` for exactly these inputs,
  // else worked out. `inputs` is set to the inputs' fingerprint.
  Table Make(int32_t level, int32_t mood, int32_t mask, const StoredMoodTables* stored, uint64_t& inputs) {
    const std::vector<Row> rows = Rows(level, mood, mask);
    inputs = Fingerprint(rows);
    Table table;
    const std::vector<double>* kept = stored ? stored->Find(inputs) : nullptr;
    if (kept)
      table.cost = *kept;
    else
      table.cost = Iterate(rows);
    table.Add();
    return table;
  }
  uint64_t Fingerprint(int32_t level, int32_t mood, int32_t mask) {
    return Fingerprint(Rows(level, mood, mask));
  }
  Table Make(int32_t level, int32_t mood, int32_t mask) {
    uint64_t inputs = 0;
    return Make(level, mood, mask, settings_.stored_tables ? &StoredMoodTables::Bundled() : nullptr, inputs);
  }

  // The moods other than `mood` that are high, or near enough to be brought
  // up by the time a breakthrough test is met.
  static int32_t Mask(const PlayerData& p, int32_t mood) {
    int32_t mask = 0;
    for (int32_t j = 1; j <= 5; ++j)
      if (j != mood && p.Params[j] >= kNearlyHigh) mask |= 1 << (j - 1);
    return mask;
  }

  bool Done(int32_t level, int32_t mood, int32_t value) const {
    return mood != level && value >= settings_.reserve;
  }

  // The expected moves from a place just built, the mood at `value`.
  double After(const Table& table, const Place& place, int32_t level, int32_t mood, int32_t value) const {
    if (Done(level, mood, value)) return 0;
    double cost = 0;
    for (const Variant& variant : *place.variants) {
      double best = settings_.death;
      for (const Offer& offer : variant.offers) best = std::min(best, Cost(table, offer.odds, value));
      cost += variant.p * best;
    }
    return cost;
  }

 private:
  // A choice: one move, then wherever its draw leads.
  static double Cost(const Table& table, const Odds& odds, int32_t value) {
    double sum = 0;
    if (odds.count > 1)
      sum = table.Sum(value, odds.low, odds.low + odds.count);
    else if (odds.low != BreakthroughTarget)
      sum = table.At(odds.low, value);
    if (odds.other >= 0 && odds.other != BreakthroughTarget) sum += table.At(odds.other, value);
    return 1 + sum / odds.size();
  }

  // A place as the sweeps read it: where the mood stands after the build,
  // what the build drained, and its menus as plain rows.
  struct Row {
    int32_t next = 0;
    bool fixed = false;  // the mood ran out or its work is done: a cost no sweep changes
    double drain = 0;
    uint32_t first = 0;  // its menus in variants_[first .. first + count)
    uint32_t count = 0;
  };
  struct FlatVariant {
    double p = 0;
    uint32_t first = 0;  // its offers in offers_[first .. first + count)
    uint32_t count = 0;
  };

  // Every place at every value of the mood, built once, its menus flattened
  // into variants_ and offers_.
  std::vector<Row> Rows(int32_t level, int32_t mood, int32_t mask) {
    PlayerData base;
    base.Level = level;
    for (int32_t j = 1; j <= 5; ++j) base.Params[j] = (mask >> (j - 1)) & 1 ? 95 : 50;
    const std::size_t count = static_cast<std::size_t>(kPlaceCount * kValues);
    std::vector<Row> rows(count);
    variants_.clear();
    offers_.clear();
    for (int32_t n = 0; n < kPlaceCount; ++n) {
      for (int32_t v = 0; v < kValues; ++v) {
        PlayerData p = base;
        p.Params[mood] = v;
        const Place place = model_.Build(p, n);
        Row& row = rows[static_cast<std::size_t>(n * kValues + v)];
        row.next = place.after.Params[mood];
        row.fixed = row.next <= 0 || Done(level, mood, row.next);
        // What entering a place takes from the moods held still: points to
        // be won back later, at a price in moves.
        for (int32_t j = 1; j <= level; ++j)
          if (j != mood)
            row.drain += std::max(0, base.Params[j] - place.after.Params[j]) * settings_.point_cost;
        row.first = static_cast<uint32_t>(variants_.size());
        row.count = static_cast<uint32_t>(place.variants->size());
        for (const Variant& variant : *place.variants) {
          variants_.push_back({variant.p, static_cast<uint32_t>(offers_.size()),
                               static_cast<uint32_t>(variant.offers.size())});
          for (const Offer& offer : variant.offers) offers_.push_back(offer.odds);
        }
      }
    }
    return rows;
  }

  // Everything the sweeps read, so that equal fingerprints mean equal costs.
  uint64_t Fingerprint(const std::vector<Row>& rows) const {
    Fnv hash;
    hash.Add(settings_.death);
    hash.Add(static_cast<int32_t>(kSweeps));
    hash.Add(kSettled);
    for (const Row& row : rows) {
      hash.Add(row.next);
      hash.Add(static_cast<int32_t>(row.fixed));
      hash.Add(row.drain);
      hash.Add(row.count);
    }
    for (const FlatVariant& variant : variants_) {
      hash.Add(variant.p);
      hash.Add(variant.count);
    }
    for (const Odds& odds : offers_) {
      hash.Add(odds.low);
      hash.Add(odds.count);
      hash.Add(odds.other);
    }
    return hash.value;
  }

  // Value iteration in place (a place reads the costs already renewed in its
  // sweep, and the sums of the sweep before). Each place reads only the
  // column of the mood's value it leaves the build with, so a place whose
  // column has not changed since it was last worked out would come to the
  // same cost again and is left alone: every cost is the one a full sweep
  // would give, found with a fraction of the work.
  std::vector<double> Iterate(const std::vector<Row>& rows) {
    const std::size_t count = rows.size();
    Table table;
    table.cost.assign(count, 0.0);
    table.Add();
    // When each place was last worked out, and when a column's costs and
    // its sums last changed, on one clock of place visits.
    std::vector<int64_t> computed(count, -1);
    std::array<int64_t, kValues> cost_changed{};
    std::array<int64_t, kValues> sums_changed{};
    std::array<bool, kValues> unsummed{};  // changed since the sums were last added up
    int64_t clock = 0;
    for (int sweep = 0; sweep < kSweeps; ++sweep) {
      for (int32_t v = 0; v < kValues; ++v) {  // the sums lag a sweep behind
        if (!unsummed[static_cast<std::size_t>(v)]) continue;
        table.AddColumn(v);
        unsummed[static_cast<std::size_t>(v)] = false;
        sums_changed[static_cast<std::size_t>(v)] = clock;
      }
      double change = 0;
      for (std::size_t at = 0; at < count; ++at, ++clock) {
        const Row& row = rows[at];
        const int64_t last = computed[at];
        if (last >= 0 && (row.fixed || (cost_changed[static_cast<std::size_t>(row.next)] < last &&
                                        sums_changed[static_cast<std::size_t>(row.next)] < last)))
          continue;
        computed[at] = clock;
        const double cost = row.next <= 0 ? settings_.death
                            : row.fixed   ? std::min(settings_.death, row.drain + 0.0)
                                        : std::min(settings_.death, row.drain + After(table, row, row.next));
        if (cost == table.cost[at]) continue;
        change = std::max(change, std::abs(cost - table.cost[at]));
        table.cost[at] = cost;
        const auto column = at % static_cast<std::size_t>(kValues);
        cost_changed[column] = clock;
        unsummed[column] = true;
      }
      if (change < kSettled) break;
    }
    return std::move(table.cost);
  }

  // After() over a flattened place, in the same order of sums.
  double After(const Table& table, const Row& row, int32_t value) const {
    double cost = 0;
    for (uint32_t i = row.first; i < row.first + row.count; ++i) {
      const FlatVariant& variant = variants_[i];
      double best = settings_.death;
      for (uint32_t k = variant.first; k < variant.first + variant.count; ++k)
        best = std::min(best, Cost(table, offers_[k], value));
      cost += variant.p * best;
    }
    return cost;
  }

  std::vector<FlatVariant> variants_;
  std::vector<Odds> offers_;

  static constexpr int kSweeps = 2000;
  static constexpr double kSettled = 0.05;  // moves

  Model& model_;
  const PlannerSettings& settings_;
  std::unordered_map<int32_t, Table> tables_;
};

}  // namespace

class Planner::Search {
 public:
  explicit Search(const PlannerSettings& settings) : settings_(settings), tables_(model_, settings_) {}

  int32_t Choose(const PlayerData& player, const Move& move) {
    costs_.clear();
    int32_t best = 1;
    double best_cost = 1.0e300;
    for (int32_t k = 1; k <= move.count; ++k) {
      const double cost = ChoiceCost(player, move.choice(k).odds, settings_.depth);
      if (cost < best_cost - 1e-9) {
        best_cost = cost;
        best = k;
      }
    }
    return best;
  }

 private:
  // A choice: one move, then the mean over the targets its draw could give.
  double ChoiceCost(const PlayerData& player, const Odds& odds, int depth) {
    double sum = 0;
    const int32_t n = odds.size();
    for (int32_t i = 0; i < n; ++i) {
      const int32_t t = odds.at(i);
      sum += t == BreakthroughTarget ? NextLevel(player) : Enter(player, t, depth);
    }
    return 1 + sum / n;
  }

  // After a breakthrough the next level starts at the start place with the
  // moods as they are: what that level will cost from there.
  double NextLevel(const PlayerData& player) {
    if (player.Level >= 5) return 0;
    PlayerData next = player;
    LevelUp(next);
    const Place place = model_.Build(next, 0);
    if (FirstEmptyParam(place.after) != 0) return settings_.death;
    return LevelCost(place);
  }

  // Entering `node` with `depth` moves left to look at.
  double Enter(const PlayerData& before, int32_t node, int depth) {
    const uint64_t key = Key(before, node, depth);
    if (auto it = costs_.find(key); it != costs_.end()) return it->second;
    const Place place = model_.Build(before, node);
    double cost;
    if (FirstEmptyParam(place.after) != 0) {
      cost = settings_.death;
    } else if (depth <= 1 || node == 0) {  // back at the start every trip begins anew: judge it here
      cost = Judge(place);
    } else {
      cost = 0;
      for (const Variant& variant : *place.variants) {
        double best = 1.0e300;
        for (const Offer& offer : variant.offers)
          best = std::min(best, ChoiceCost(place.after, offer.odds, depth - 1));
        cost += variant.p * best;
      }
    }
    costs_.emplace(key, cost);
    return cost;
  }

  // The moves still ahead: the level's own work plus bringing every low
  // mood back up, each as if it were the only one; then the next level, as
  // if its breakthrough came with the other moods as they are now.
  double Judge(const Place& place) {
    double cost = LevelCost(place);
    const PlayerData& p = place.after;
    if (p.Level < 5) {
      PlayerData done = p;
      done.Params[p.Level] = std::max(p.Params[p.Level], MoodThresholds[2] + 1);
      cost += NextLevel(done);
    }
    return std::min(cost, settings_.death);
  }

  // The level's own work, then every other mood in play: its points below
  // full at their price, and if it is below the reserve, bringing it back.
  double LevelCost(const Place& place) {
    const PlayerData& p = place.after;
    double cost = 0;
    for (int32_t mood = 1; mood <= p.Level; ++mood) {
      const int32_t value = p.Params[mood];
      if (mood != p.Level) cost += settings_.point_cost * std::max(0, 100 - value);
      if (tables_.Done(p.Level, mood, value)) continue;
      const auto& table = tables_.Get(p.Level, mood, MoodTables::Mask(p, mood));
      cost += tables_.After(table, place, p.Level, mood, value);
    }
    return std::min(cost, settings_.death);
  }

  static uint64_t Key(const PlayerData& p, int32_t node, int depth) {
    uint64_t key = static_cast<uint64_t>(node) & 0x3F;
    key = key << 5 | (static_cast<uint64_t>(depth) & 0x1F);
    for (int32_t i = 1; i <= 5; ++i)
      key = key << 7 | (static_cast<uint64_t>(std::clamp(p.Params[i], -1, 126)) & 0x7F);
    return key;
  }

  PlannerSettings settings_;
  Model model_;
  MoodTables tables_;
  std::unordered_map<uint64_t, double> costs_;
};

Planner::Planner(PlannerSettings settings)
    : settings_(settings), search_(std::make_unique<Search>(settings)) {}
Planner::~Planner() = default;

int32_t Planner::Choose(const PlayerData& player, const Move& move) {
  if (move.count <= 1 || player.Level < 1 || player.Level > 5) return 1;
  return search_->Choose(player, move);
}

Move MenuWithOdds(const PlayerData& player, const ChoiceList& list) {
  PlayerData copy = player;
  EveryOffer draws;
  Move rules;
  BuildPlace(copy, draws, rules);  // one build of this place: the odds of every label it can offer
  Move menu;
  menu.count = std::min<int32_t>(list.ChoiceCount, static_cast<int32_t>(menu.choices.size()));
  for (int32_t k = 1; k <= menu.count; ++k) {
    Choice& c = menu.choices[static_cast<std::size_t>(k - 1)];
    c.label = list.ChoiceLabels[k];
    c.target = list.ChoiceTargets[k];
    c.odds = {c.target, 1, -1};
    for (int32_t r = 1; r <= rules.count; ++r)
      if (rules.choice(r).label == c.label) c.odds = rules.choice(r).odds;
  }
  return menu;
}

}  // namespace nurumo

namespace nurumo {

std::vector<StoredMoodTable> WorkOutMoodTables(const PlannerSettings& settings, bool costs) {
  Model model;
  MoodTables tables(model, settings);
  std::vector<StoredMoodTable> out;
  for (int32_t level = 1; level <= 5; ++level) {
    for (int32_t mood = 1; mood <= level; ++mood) {
      // Which other moods are high, those above the level too: the
      // breakthrough tests read them. Masks that give the same places give
      // the same table, kept once.
      for (int32_t mask = 0; mask < 32; ++mask) {
        if (mask & 1 << (mood - 1)) continue;
        const uint64_t inputs = tables.Fingerprint(level, mood, mask);
        if (std::any_of(out.begin(), out.end(), [&](const StoredMoodTable& t) { return t.inputs == inputs; }))
          continue;
        StoredMoodTable t{level, mood, mask, inputs, {}};
        if (costs) t.cost = tables.Make(level, mood, mask, nullptr, t.inputs).cost;
        out.push_back(std::move(t));
      }
    }
  }
  return out;
}

StoredMoodTable WorkOutMoodTable(int32_t level, int32_t mood, int32_t mask, const PlannerSettings& settings) {
  Model model;
  MoodTables tables(model, settings);
  StoredMoodTable t{level, mood, mask, 0, {}};
  t.cost = tables.Make(level, mood, mask, nullptr, t.inputs).cost;
  return t;
}

namespace {

// A pack: "NMT1", the count of tables, then deflated: each table's key and
// fingerprint, and every cost of every table as eight planes of bytes (all
// lowest bytes first), which deflate packs five times smaller than the
// doubles side by side.
constexpr unsigned char kPackMagic[4] = {'N', 'M', 'T', '1'};
constexpr uint32_t kMostTables = 1024;
constexpr std::size_t kHeadBytes = 20;  // level, mood, mask, fingerprint

void PutLe(std::vector<unsigned char>& out, uint64_t bits, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(bits >> (8 * i)));
}
uint64_t GetLe(const unsigned char* in, int bytes) {
  uint64_t bits = 0;
  for (int i = 0; i < bytes; ++i) bits |= static_cast<uint64_t>(in[i]) << (8 * i);
  return bits;
}

}  // namespace

std::vector<unsigned char> PackMoodTables(const std::vector<StoredMoodTable>& tables) {
  std::vector<unsigned char> plain;
  for (const StoredMoodTable& t : tables) {
    PutLe(plain, static_cast<uint32_t>(t.level), 4);
    PutLe(plain, static_cast<uint32_t>(t.mood), 4);
    PutLe(plain, static_cast<uint32_t>(t.mask), 4);
    PutLe(plain, t.inputs, 8);
  }
  for (int plane = 0; plane < 8; ++plane)
    for (const StoredMoodTable& t : tables)
      for (std::size_t i = 0; i < kTableSize; ++i)
        plain.push_back(static_cast<unsigned char>(BitsOf(t.cost.at(i)) >> (8 * plane)));
  uLongf size = compressBound(static_cast<uLong>(plain.size()));
  std::vector<unsigned char> out(kPackMagic, kPackMagic + 4);
  PutLe(out, tables.size(), 4);
  const std::size_t head = out.size();
  out.resize(head + size);
  if (compress2(out.data() + head, &size, plain.data(), static_cast<uLong>(plain.size()), 9) != Z_OK)
    return {};
  out.resize(head + size);
  return out;
}

std::optional<std::vector<StoredMoodTable>> UnpackMoodTables(std::span<const unsigned char> packed) {
  if (packed.size() < 8 || !std::equal(kPackMagic, kPackMagic + 4, packed.begin())) return std::nullopt;
  const auto count = static_cast<uint32_t>(GetLe(packed.data() + 4, 4));
  if (count > kMostTables) return std::nullopt;
  std::vector<unsigned char> plain(count * (kHeadBytes + kTableSize * 8));
  uLongf size = static_cast<uLongf>(plain.size());
  if (uncompress(plain.data(), &size, packed.data() + 8, static_cast<uLong>(packed.size() - 8)) != Z_OK ||
      size != plain.size())
    return std::nullopt;
  std::vector<StoredMoodTable> tables(count);
  const unsigned char* at = plain.data();
  for (StoredMoodTable& t : tables) {
    t.level = static_cast<int32_t>(GetLe(at, 4));
    t.mood = static_cast<int32_t>(GetLe(at + 4, 4));
    t.mask = static_cast<int32_t>(GetLe(at + 8, 4));
    t.inputs = GetLe(at + 12, 8);
    at += kHeadBytes;
  }
  std::vector<uint64_t> bits(kTableSize);
  for (std::size_t k = 0; k < count; ++k) {
    std::fill(bits.begin(), bits.end(), 0);
    for (int plane = 0; plane < 8; ++plane) {
      const unsigned char* row = at + (static_cast<std::size_t>(plane) * count + k) * kTableSize;
      for (std::size_t i = 0; i < kTableSize; ++i) bits[i] |= static_cast<uint64_t>(row[i]) << (8 * plane);
    }
    tables[k].cost.resize(kTableSize);
    for (std::size_t i = 0; i < kTableSize; ++i) tables[k].cost[i] = DoubleOf(bits[i]);
  }
  return tables;
}

}  // namespace nurumo
