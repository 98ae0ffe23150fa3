#include "game/graph.h"

#include "core/serializer.h"

#include <array>
#include <string_view>

#include "core/text.h"
#include "game/game.h"
#include "game/player.h"
#include "gfx/assets.h"

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
  int32_t n = 0;            // Range: count; Chance: odds; Breakthrough: level
  int32_t alt = 0;          // Coin: the other target
  int32_t min_level = 0;    // added only when Level is at least this
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
                  Range("疑似乱数を生成する", 30, 10, 4), Range("ミルクを垂らす", 0, 50, 5),
                  Breakthrough(5)),
    /* 1 */ Place("そこを指でなぞる", 4, kNone, To("自分を", 2), To("空気を", 7), To("壁を", 3)),
    /* 2 */ Place("きもちいい", 5, P1(14), To("もっと", 4), To("がまん", 6)),
    /* 3 */ Place("つかれました", 6, P1(-2), To("やすむ", 5), To("もうやだ", 4)),
    /* 4 */ Place("悪魔のいざない", 7, kNone, Coin("のる", 2, 8), To("やめとく", 9)),
    /* 5 */ Place("おなかすいた……", 8, P1(-1), To("がまん", 6), To("さがす", 3), To("しらべる", 7)),
    /* 6 */ Place("うずうずする", 3, {0, 1, 1, 1, 1}, To("がまん", 6), Chance(4, "爆発！", 2),
                  To("≪黒≫", 46, 5)),
    /* 7 */ Place("風は", 10, {6, 2, 0, 0, 0}, To("吹いていない", 9), Breakthrough(1), To("≪風≫", 41, 4)),
    /* 8 */ Place("痛っ", 11, {-4, 2, 0, 0, 0}, To("がまん", 6), Chance(10, "でも意外と", 2)),
    /* 9 */ Place("普通", 0, {5, 2, 0, 0, 0}, To("さて", 0)),
    /* 10 */ Place("ウソのよろこび", 5, {2, -1, 0, 0, 0}, To("気にしない", 17), To("なぜならば", 12)),
    /* 11 */ Place("しずかに待つ", 8, {-2, 5, 0, 0, 0}, To("じっと", 11), Coin("あ", 15, 18)),
    /* 12 */ Place("不吉なうわさ", 7, {0, -1, 0, 0, 0}, To("信じる", 13), To("信じない", 14),
                   To("でも知ってる", 19)),
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
    /* 30 */ Place("逃げられない", 2, {-2, 1, 1, 1, 1}, To("のは", 31), Chance(4, "脱出", 33),
                   To("≪黒≫", 46, 5)),
    /* 31 */ Place("恐ろしい", 2, {1, -2, 1, 1, 1}, To("ほどの", 32), Chance(4, "脱出", 33),
                   To("≪黒≫", 46, 5)),
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
    /* 48 */ Place("結界門", 15, All(1), To("≪風≫", 41), To("≪水≫", 42), To("≪石≫", 43), To("≪炎≫", 44),
                   To("≪星≫", 45)),
    /* 49 */ Place("万象すべからく数理上に在り", 14, All(2),
                   MostlyChance(5, "全ては算式の導くまま", 49), To("≪白≫", 47)),
}};

// The level-up entry of each level, offered at one place and tested on the
// parameter of the same number. Level 5 offers nothing unless it is due.
struct BreakthroughRow {
  std::string_view low_label;  // parameter below 85
  int32_t low_target;
  std::string_view due_label;  // parameter high at its own level -> 999
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
constexpr std::array<std::pair<std::string_view, int32_t>, 5> kSeals = {{
    {"≪風≫", 41}, {"≪水≫", 42}, {"≪石≫", 43}, {"≪炎≫", 44}, {"≪星≫", 45}}};

void Offer(Game& game, std::string_view label_utf8, int32_t target) {
  if (!label_utf8.empty()) AddChoice(game, Sjis(label_utf8), target);
}

void OfferBreakthrough(Game& game, int32_t level) {
  const BreakthroughRow& row = kBreakthroughs[static_cast<std::size_t>(level - 1)];
  if (!IsParamHigh(game, level))
    Offer(game, row.low_label, row.low_target);
  else if (game.player.Level == level)
    Offer(game, row.due_label, BreakthroughTarget);
  else
    Offer(game, row.other_label, row.other_target);
}

void OfferForged(Game& game) {
  if (game.random(2) == 0) return Offer(game, "≪黒≫", 46);
  if (game.random(10) == 0) return Offer(game, "≪白≫", 47);
  const auto& seal = kSeals[static_cast<std::size_t>(game.random(5))];
  Offer(game, seal.first, seal.second);
}

void OfferChoice(Game& game, const ChoiceRow& row) {
  if (game.player.Level < row.min_level) return;  // no draw for a choice not offered
  switch (row.pick) {
    case Pick::Fixed: return Offer(game, row.label, row.target);
    case Pick::Range: return Offer(game, row.label, row.target + game.random(row.n));
    case Pick::Coin: return Offer(game, row.label, game.random(2) == 0 ? row.target : row.alt);
    case Pick::Chance:
      if (game.random(row.n) == 0) Offer(game, row.label, row.target);
      return;
    case Pick::MostlyChance:
      if (game.random(row.n) != 0) Offer(game, row.label, row.target);
      return;
    case Pick::Breakthrough: return OfferBreakthrough(game, row.n);
    case Pick::Forge: return OfferForged(game);
  }
}

void TraceNode(Game& game) {
  const PlayerData& p = game.player;
  std::string choices = "[";
  for (int32_t i = 1; i <= game.choices.ChoiceCount; ++i) {
    if (i > 1) choices += ',';
    choices += '[' + Trace::Quote(Cp932ToUtf8(game.choices.ChoiceLabels[i])) + ',' +
               std::to_string(game.choices.ChoiceTargets[i]) + ']';
  }
  choices += ']';
  game.trace.Event("node")
      .Int("n", p.Node)
      .Str("title", game.NodeTitle)
      .Int("level", p.Level)
      .Ints("params", {p.Params[1], p.Params[2], p.Params[3], p.Params[4], p.Params[5]})
      .Raw("choices", choices);
}

}  // namespace

void AddChoice(Game& game, const std::string& label, int32_t target) {
  ChoiceList& list = game.choices;
  int32_t count = CheckedAdd(list.ChoiceCount, 1);
  CheckRange(count, 1, 10);
  list.ChoiceCount = count;
  list.ChoiceLabels[count] = label;
  list.ChoiceTargets[count] = target;
}

void BuildNode(Game& game) {
  game.choices.ChoiceCount = 0;
  for (int32_t i = 1; i <= 5; ++i) ChangeParam(game, i, -1);  // every move wears the parameters in play
  int32_t n = game.player.Node;
  if (n >= 0 && n < static_cast<int32_t>(kNodes.size())) {  // another place (from a save) only wears
    const NodeRow& row = kNodes[static_cast<std::size_t>(n)];
    game.NodeTitle = Sjis(row.title);
    SetBackground(game, row.picture);
    for (int32_t c = 0; c < row.choice_count; ++c) OfferChoice(game, row.choices[static_cast<std::size_t>(c)]);
    for (int32_t i = 1; i <= 5; ++i) ChangeParam(game, i, row.changes[static_cast<std::size_t>(i - 1)]);
  }
  TraceNode(game);
}

void Sync(Serializer& s, ChoiceList& choices) {
  SyncInRange(s, choices.ChoiceCount, 0, 10, "the number of choices");
  SyncStrings(s, choices.ChoiceLabels, 4096);
  SyncInts(s, choices.ChoiceTargets);
}

}  // namespace nurumo
