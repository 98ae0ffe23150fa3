#include "game/graph.h"

#include <exception>

#include "core/serializer.h"
#include "core/text.h"
#include "game/game.h"
#include "game/rules.h"
#include "gfx/assets.h"

namespace nurumo {

namespace {

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

// The rules have run; now what the game shows of them, in the order the
// build used to do it: the panel, the title, the picture, the menu.
void ShowMove(Game& game, const Move& move) {
  if (move.panel_dirty) game.panel.PanelDirty = true;
  game.choices.ChoiceCount = 0;
  if (move.placed) {
    game.NodeTitle = std::string(move.title);
    SetBackground(game, move.picture);
  }
  for (int32_t k = 1; k <= move.count; ++k) {
    const Choice& choice = move.choice(k);
    AddChoice(game, std::string(choice.label), choice.target);
  }
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
  Move move;
  try {
    BuildPlace(game.player, game.random, move);
  } catch (const std::exception&) {
    ShowMove(game, move);  // what was done before the error stays done
    throw;
  }
  ShowMove(game, move);
  TraceNode(game);
}

void Sync(Serializer& s, ChoiceList& choices) {
  SyncInRange(s, choices.ChoiceCount, 0, 10, "the number of choices");
  SyncStrings(s, choices.ChoiceLabels, 4096);
  SyncInts(s, choices.ChoiceTargets);
}

}  // namespace nurumo
