#include "game/rules.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "core/checked.h"
#include "core/random.h"
#include "core/text.h"

namespace nurumo {

namespace {

// How a choice of the table is decided when its place is built. Every draw
// is taken right then, in table order, so a random target stays fixed while
// the menu is open.
enum class Pick : uint8_t {
  Fixed,         // label -> target
  Range,         // label -> target + Random(n)
  Coin,          // label -> target if Random(2) = 0, else alt
  Chance,        // added only if Random(n) = 0
  MostlyChance,  // added only if Random(n) <> 0
  Breakthrough,  // the level-up entry of level n (table below)
  Forge,         // one entry drawn from the seals of the furnace
};

struct ChoiceRow {
  Pick pick = Pick::Fixed;
  std::string_view label;  // UTF-8 here, CP932 in the game
  int32_t target = 0;
  int32_t n = 0;          // Range: count; Chance: odds; Breakthrough: level
  int32_t alt = 0;        // Coin: the other target
  int32_t min_level = 0;  // added only when Level is at least this
};

constexpr ChoiceRow To(std::string_view label, int32_t target, int32_t min_level = 0) {
  return {Pick::Fixed, label, target, 0, 0, min_level};
}
constexpr ChoiceRow Range(std::string_view label, int32_t base, int32_t count, int32_t min_level = 0) {
  return {Pick::Range, label, base, count, 0, min_level};
}
constexpr ChoiceRow Coin(std::string_view label, int32_t heads, int32_t tails) {
  return {Pick::Coin, label, heads, 0, tails, 0};
}
constexpr ChoiceRow Chance(int32_t odds, std::string_view label, int32_t target) {
  return {Pick::Chance, label, target, odds, 0, 0};
}
constexpr ChoiceRow MostlyChance(int32_t odds, std::string_view label, int32_t target) {
  return {Pick::MostlyChance, label, target, odds, 0, 0};
}
constexpr ChoiceRow Breakthrough(int32_t level) { return {Pick::Breakthrough, {}, 0, level, 0, 0}; }
constexpr ChoiceRow Forge() { return {Pick::Forge, {}, 0, 0, 0, 0}; }

using Changes = std::array<int8_t, 5>;  // parameters 1..5, applied in that order

struct NodeRow {
  std::string_view title;
  int32_t picture = 0;
  std::array<ChoiceRow, 6> choices{};  // the table never offers more than six
  int32_t choice_count = 0;
  Changes changes{};
};

template <typename... Rows>
constexpr NodeRow Place(std::string_view title, int32_t picture, Changes changes, Rows... rows) {
  static_assert(sizeof...(Rows) <= 6);
  return {title, picture, {rows...}, static_cast<int32_t>(sizeof...(Rows)), changes};
}

constexpr Changes kNone{};
constexpr Changes P1(int8_t d) { return {d, 0, 0, 0, 0}; }
constexpr Changes All(int8_t d) { return {d, d, d, d, d}; }

constexpr std::array<NodeRow, 50> kNodes = {{
    /* 0 */ Place("はじまりはゼロから", 9, All(1), Range("サイコロを振る", 1, 9),
                  Range("カードを引く", 9, 7, 2), Range("ルーレットを回す", 20, 9, 3),
                  Range("疑似乱数を生成する", 30, 10, 4), Range("ミルクを垂らす", 0, 50, 5), Breakthrough(5)),
    /* 1 */ Place("そこを指でなぞる", 4, kNone, To("自分を", 2), To("空気を", 7), To("壁を", 3)),
    /* 2 */ Place("きもちいい", 5, P1(14), To("もっと", 4), To("がまん", 6)),
    /* 3 */ Place("つかれました", 6, P1(-2), To("やすむ", 5), To("もうやだ", 4)),
    /* 4 */ Place("悪魔のいざない", 7, kNone, Coin("のる", 2, 8), To("やめとく", 9)),
    /* 5 */ Place("おなかすいた……", 8, P1(-1), To("がまん", 6), To("さがす", 3), To("しらべる", 7)),
    /* 6 */
    Place("うずうずする", 3, {0, 1, 1, 1, 1}, To("がまん", 6), Chance(4, "爆発！", 2), To("≪黒≫", 46, 5)),
    /* 7 */ Place("風は", 10, {6, 2, 0, 0, 0}, To("吹いていない", 9), Breakthrough(1), To("≪風≫", 41, 4)),
    /* 8 */ Place("痛っ", 11, {-4, 2, 0, 0, 0}, To("がまん", 6), Chance(10, "でも意外と", 2)),
    /* 9 */ Place("普通", 0, {5, 2, 0, 0, 0}, To("さて", 0)),
    /* 10 */ Place("ウソのよろこび", 5, {2, -1, 0, 0, 0}, To("気にしない", 17), To("なぜならば", 12)),
    /* 11 */ Place("しずかに待つ", 8, {-2, 5, 0, 0, 0}, To("じっと", 11), Coin("あ", 15, 18)),
    /* 12 */
    Place("不吉なうわさ", 7, {0, -1, 0, 0, 0}, To("信じる", 13), To("信じない", 14), To("でも知ってる", 19)),
    /* 13 */ Place("ようこそダークサイドへ", 2, {-2, -5, 0, 0, 0}, To("ちょうだい", 4), To("おしえて", 12)),
    /* 14 */ Place("これがげんじつなのだと", 11, {-8, 15, 0, 0, 0}, To("そして", 0)),
    /* 15 */ Place("あ　落ちた", 10, kNone, To("近寄って、", 16), To("知らない", 17)),
    /* 16 */ Place("おそるおそる……", 4, {0, -2, 0, 0, 0}, Coin("なぞる", 1, 8), To("認める", 14)),
    /* 17 */ Place("思考停止", 0, kNone, Range("サイコロ", 1, 9)),
    /* 18 */ Place("だれ？", 11, kNone, To("悪魔", 13)),
    /* 19 */ Place("泣くほど怖いのは", 6, kNone, To("あくま", 13), Breakthrough(2), To("≪水≫", 42, 4)),
    // 20..27: one forest, a maze of compass moves whose only way out is 29.
    /* 20 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("東へ", 21), To("南へ", 23)),
    /* 21 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("東へ", 22), To("南へ", 24), To("西へ", 20)),
    /* 22 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("南へ", 25), To("西へ", 21)),
    /* 23 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("北へ", 20), To("南へ", 26), To("西へ", 29)),
    /* 24 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("北へ", 21), To("南へ", 27)),
    /* 25 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("北へ", 22), To("東へ", 29)),
    /* 26 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("北へ", 23), To("東へ", 27)),
    /* 27 */ Place("もりのなか", 13, {0, 0, 1, 0, 0}, To("北へ", 24), To("西へ", 26)),
    /* 28 */ Place("いしのなか", 13, {-10, -10, 0, 0, 0}, To("ゼロ", 0), Breakthrough(3), To("≪石≫", 43, 5)),
    /* 29 */ Place("果て", 10, {0, 0, 20, 0, 0}, To("さあ", 0)),
    /* 30 */
    Place("逃げられない", 2, {-2, 1, 1, 1, 1}, To("のは", 31), Chance(4, "脱出", 33), To("≪黒≫", 46, 5)),
    /* 31 */
    Place("恐ろしい", 2, {1, -2, 1, 1, 1}, To("ほどの", 32), Chance(4, "脱出", 33), To("≪黒≫", 46, 5)),
    /* 32 */ Place("悪夢", 2, {1, 1, -2, 1, 1}, To("から", 30), Chance(4, "脱出", 33), To("≪黒≫", 46, 5)),
    /* 33 */ Place("ごめんね", 7, {3, 3, 3, 3, 1}, To("うん", 0)),
    // 34..39: a one-way path along the shore.
    /* 34 */ Place("足跡をつけて", 0, {1, 1, -3, 3, 0}, To("つけて", 35)),
    /* 35 */ Place("海岸を歩いてゆく", 0, {1, 1, -3, 3, 0}, To("歩いてゆく", 36)),
    /* 36 */ Place("小さな石を拾って", 8, {1, 1, -3, 3, 0}, To("拾って", 37)),
    /* 37 */ Place("ふと見上げると", 9, {1, 1, -3, 3, 0}, To("見上げると", 38)),
    /* 38 */ Place("水平線の先にあるのは", 9, {1, 1, -3, 3, 0}, To("あるのは", 39)),
    /* 39 */ Place("沈みゆく太陽", 3, {1, 1, -3, 3, 0}, To("太陽", 0), Breakthrough(4), To("≪炎≫", 44, 5)),
    // 40: two independent draws, so the same seal may be offered twice.
    /* 40 */ Place("結界炉", 6, {-1, -1, -1, -1, 1}, To("練成する", 40), Forge(), Forge()),
    /* 41 */ Place("風の刻印の結界", 18, {25, 1, 1, 1, 1}, To("戻る", 0)),
    /* 42 */ Place("水の刻印の結界", 18, {1, 25, 1, 1, 1}, To("戻る", 0)),
    /* 43 */ Place("石の刻印の結界", 18, {1, 1, 25, 1, 1}, To("戻る", 0)),
    /* 44 */ Place("炎の刻印の結界", 18, {1, 1, 1, 25, 1}, To("戻る", 0)),
    /* 45 */ Place("星の刻印の結界", 18, {1, 1, 1, 1, 15}, To("戻る", 0)),
    /* 46 */ Place("黒の刻印の結界", 2, All(-5), To("戻る", 0)),
    /* 47 */ Place("白の刻印の結界", 16, All(15), To("戻る", 0)),
    /* 48 */
    Place("結界門", 15, All(1), To("≪風≫", 41), To("≪水≫", 42), To("≪石≫", 43), To("≪炎≫", 44),
          To("≪星≫", 45)),
    /* 49 */
    Place("万象すべからく数理上に在り", 14, All(2), MostlyChance(5, "全ては算式の導くまま", 49),
          To("≪白≫", 47)),
}};

// The level-up entry of each level, offered at one place and tested on the
// parameter of the same number. Level 5 offers nothing unless it is due.
struct BreakthroughRow {
  std::string_view low_label;  // parameter below 85
  int32_t low_target;
  std::string_view due_label;    // parameter high at its own level -> 999
  std::string_view other_label;  // parameter high at another level
  int32_t other_target;
};

constexpr std::array<BreakthroughRow, 5> kBreakthroughs = {{
    {"×", 9, "吹いている★", "吹いている", 14},
    {"×", 13, "じぶん★", "じぶん", 28},
    {"×", 0, "出会う★", "出会う", 33},
    {"×", 0, "焼き付ける★", "焼き付ける", 40},
    {{}, 0, "突破★", {}, 0},
}};

// The furnace's seals by Random(5).
constexpr std::array<std::pair<std::string_view, int32_t>, 5> kSeals = {
    {{"≪風≫", 41}, {"≪水≫", 42}, {"≪石≫", 43}, {"≪炎≫", 44}, {"≪星≫", 45}}};

constexpr std::pair<std::string_view, int32_t> kBlackSeal = {"≪黒≫", 46};
constexpr std::pair<std::string_view, int32_t> kWhiteSeal = {"≪白≫", 47};

// The table's texts in CP932, converted once: the labels a build hands out
// point into these.
struct Texts {
  std::array<std::string, kNodes.size()> titles;
  std::array<std::array<std::string, 6>, kNodes.size()> labels;
  std::array<std::array<std::string, 3>, kBreakthroughs.size()> breakthroughs;  // low, due, other
  std::array<std::string, kSeals.size()> seals;
  std::string black, white;
};

const Texts& Cp932Texts() {
  static const Texts texts = [] {
    Texts t;
    for (std::size_t n = 0; n < kNodes.size(); ++n) {
      t.titles[n] = Sjis(kNodes[n].title);
      for (std::size_t c = 0; c < kNodes[n].choices.size(); ++c)
        t.labels[n][c] = Sjis(kNodes[n].choices[c].label);
    }
    for (std::size_t b = 0; b < kBreakthroughs.size(); ++b) {
      const BreakthroughRow& row = kBreakthroughs[b];
      t.breakthroughs[b] = {Sjis(row.low_label), Sjis(row.due_label), Sjis(row.other_label)};
    }
    for (std::size_t s = 0; s < kSeals.size(); ++s) t.seals[s] = Sjis(kSeals[s].first);
    t.black = Sjis(kBlackSeal.first);
    t.white = Sjis(kWhiteSeal.first);
    return t;
  }();
  return texts;
}

class Builder {
 public:
  Builder(PlayerData& player, Draws& draws, Move& move) : player_(player), draws_(draws), move_(move) {}

  void Build() {
    move_.count = 0;
    for (int32_t i = 1; i <= 5; ++i) Change(i, -1);  // every move wears the parameters in play
    const int32_t n = player_.Node;
    if (n < 0 || n >= kPlaceCount) return;  // another place (from a save) only wears
    const auto node = static_cast<std::size_t>(n);
    const NodeRow& row = kNodes[node];
    move_.title = texts_.titles[node];
    move_.picture = row.picture;
    move_.placed = true;
    for (int32_t c = 0; c < row.choice_count; ++c) {
      const auto col = static_cast<std::size_t>(c);
      Offer(row.choices[col], texts_.labels[node][col]);
    }
    for (int32_t i = 1; i <= 5; ++i) Change(i, row.changes[static_cast<std::size_t>(i - 1)]);
  }

 private:
  void Change(int32_t index, int32_t delta) {
    if (ChangeParam(player_, index, delta)) move_.panel_dirty = true;
  }

  void Add(std::string_view label, int32_t target, Odds odds) {
    if (label.empty()) return;  // the start place offers nothing below the breakthrough
    const int32_t count = CheckedAdd(move_.count, 1);
    CheckRange(count, 1, static_cast<int32_t>(move_.choices.size()));
    move_.choices[static_cast<std::size_t>(count - 1)] = {label, target, odds};
    move_.count = count;
  }
  void AddFixed(std::string_view label, int32_t target) { Add(label, target, {target, 1, -1}); }
  int32_t Target(int32_t n) { return draws_.Draw(n, Draws::Use::Target); }
  int32_t Offered(int32_t n) { return draws_.Draw(n, Draws::Use::Offer); }

  void Offer(const ChoiceRow& row, std::string_view label) {
    if (player_.Level < row.min_level) return;  // no draw for a choice not offered
    switch (row.pick) {
      case Pick::Fixed:
        return AddFixed(label, row.target);
      case Pick::Range:
        return Add(label, row.target + Target(row.n), {row.target, row.n, -1});
      case Pick::Coin:
        return Add(label, Target(2) == 0 ? row.target : row.alt, {row.target, 1, row.alt});
      case Pick::Chance:
        if (Offered(row.n) == 0) AddFixed(label, row.target);
        return;
      case Pick::MostlyChance:
        if (Offered(row.n) != 0) AddFixed(label, row.target);
        return;
      case Pick::Breakthrough:
        return OfferBreakthrough(row.n);
      case Pick::Forge:
        return OfferForged();
    }
  }

  void OfferBreakthrough(int32_t level) {
    const auto index = static_cast<std::size_t>(level - 1);
    const BreakthroughRow& row = kBreakthroughs[index];
    const auto& labels = texts_.breakthroughs[index];
    if (!IsParamHigh(player_, level))
      AddFixed(labels[0], row.low_target);
    else if (player_.Level == level)
      AddFixed(labels[1], BreakthroughTarget);
    else
      AddFixed(labels[2], row.other_target);
  }

  void OfferForged() {
    if (Offered(2) == 0) return AddFixed(texts_.black, kBlackSeal.second);
    if (Offered(10) == 0) return AddFixed(texts_.white, kWhiteSeal.second);
    const auto seal = static_cast<std::size_t>(Offered(5));
    AddFixed(texts_.seals[seal], kSeals[seal].second);
  }

  PlayerData& player_;
  Draws& draws_;
  Move& move_;
  const Texts& texts_ = Cp932Texts();
};

// The game's one generator: target and offer draws alike, in their order.
class RandomDraws final : public Draws {
 public:
  explicit RandomDraws(Random& random) : random_(random) {}
  int32_t Draw(int32_t n, Use) override { return random_(n); }

 private:
  Random& random_;
};

}  // namespace

const Choice& Move::choice(int32_t k) const {
  CheckRange(k, 1, count);
  return choices[static_cast<std::size_t>(k - 1)];
}

void BuildPlace(PlayerData& player, Draws& draws, Move& move) { Builder(player, draws, move).Build(); }

void BuildPlace(PlayerData& player, Random& random, Move& move) {
  RandomDraws draws(random);
  BuildPlace(player, draws, move);
}

bool IsPlaceTitle(std::string_view cp932) {
  const Texts& t = Cp932Texts();
  return !cp932.empty() && std::find(t.titles.begin(), t.titles.end(), cp932) != t.titles.end();
}

bool IsChoiceLabel(std::string_view cp932) {
  if (cp932.empty()) return false;
  const Texts& t = Cp932Texts();
  auto in = [cp932](const auto& list) { return std::find(list.begin(), list.end(), cp932) != list.end(); };
  for (const auto& labels : t.labels)
    if (in(labels)) return true;
  for (const auto& labels : t.breakthroughs)
    if (in(labels)) return true;
  return in(t.seals) || cp932 == t.black || cp932 == t.white;
}

bool TakeTarget(PlayerData& player, int32_t target) {
  if (target == BreakthroughTarget) return true;
  player.Node = target;
  return false;
}

void LevelUp(PlayerData& player) {
  player.Level = CheckedAdd(player.Level, 1);
  player.Node = 0;
}

}  // namespace nurumo
