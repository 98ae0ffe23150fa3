#include "game/flow.h"

#include "core/serializer.h"

#include <array>
#include <string_view>

#include "core/text.h"
#include "extras/saying.h"
#include "game/game.h"
#include "game/messages.h"
#include "game/rules.h"
#include "gfx/effects.h"
#include "gfx/page.h"
#include "gfx/screens.h"
#include "script/script.h"
#include "script/stepper.h"
#include "sound/midi.h"
#include "sound/wave.h"
#include "timing/pump.h"

namespace nurumo {

namespace {

// Indexed by level; entry 3 keeps its own quotation marks.
constexpr std::array<std::string_view, 7> kLevelTitles = {
    "Prologue",
    "Level1: in White Room",
    "Level2: Dead-side",
    "Level3: Project \"Stand Alone\"",
    "Level4: be in the depth of despair",
    "Level5: She is free from this world.",
    "Epilogue",
};

constexpr int32_t kTitleFadeTicks = 15;  // the prologue starts on this tick of the fade
constexpr int32_t kLastPlainLevel = 5;   // from here the level-up is a breakthrough

void Wave(Game& game, std::string_view cp932_file, bool loop) { PlayWave(game, std::string(cp932_file), loop); }

void StartTitle(Game& game) {  // state 1
  SetTimerSlot(game, 1, 100, TitleStillTick);
  Wave(game, "dat\\noise00.wav", true);
  game.flow.FlowState = 2;
}

void StartTitleFade(Game& game) {  // state 2
  SetTimerSlot(game, 1, 100, TitleFadeTick);
  Wave(game, game.flow.VoiceMode ? "dat\\nuru05.wav" : "dat\\suka.wav", false);
}

void StartPrologue(Game& game) {  // state 5
  SetEffect(game, "NONE");
  RunScript(game, "0.dat", 15);
  SetCaption(game, LevelTitle(0));
}

void NextPage(Game& game) {  // state 10
  game.flow.FlowState = 11;  // set first: the end of the script enters the follow-up, whose setting wins
  StepScript(game);
}

void PageShown(Game& game) {  // state 11
  game.flow.FlowState = 10;
  RevealAll(game);
}

void StartLevelScript(Game& game) {  // state 15
  RunScript(game, std::to_string(game.player.Level) + ".dat", 16);
  SetCaption(game, LevelTitle(game.player.Level));  // after the nested steps: it stands over the first page
}

void LevelScriptEnded(Game& game) {  // state 16
  if (game.player.Level >= 6) {  // the epilogue: no save question, X leads to the ending
    AddPageLine(game, Sjis("（Push X Key）"));
    RevealAll(game);
    game.flow.WaitForX = true;
    game.flow.FlowState = 90;
    return;
  }
  GotoState(game, 17);
}

void AskSave(Game& game) {  // state 17
  game.flow.SavePrompt = "SAVE";
  SetTimerSlot(game, 1, 110, SaveScreen);
  if (game.flow.VoiceMode) Wave(game, "dat\\save_confirm.wav", false);
}

void ResumeSaved(Game& game) {  // state 18
  SetEffect(game, game.record.EffectName.str());
  std::string music = game.record.MusicName.str();
  if (!music.empty()) PlayMidi(game, "dat\\" + music, true);  // looping, even if the script played it once
  GotoState(game, 19);
  SetCaption(game, LevelTitle(game.player.Level));
}

void StartExploring(Game& game) {  // state 19
  SetTimerSlot(game, 1, 100, ExplorationScreen);
  game.panel.PanelDirty = true;
  game.menu.MenuVisible = false;
  GotoState(game, 20);
}

void EnterNode(Game& game) {  // state 20
  BuildNode(game);
  if (game.observer) {
    const PlayerData& p = game.player;
    game.observer->PlaceBuilt(p.Node, game.NodeTitle, p.Level,
                              {p.Params[1], p.Params[2], p.Params[3], p.Params[4], p.Params[5]});
  }
  ClearPage(game);
  AddPageLine(game, Sjis("＞") + game.NodeTitle + Sjis("にたゆたっている。"));
  game.flow.FlowState = 21;
}

void NodeShown(Game& game) {  // state 21
  RevealAll(game);
  if (FirstEmptyParam(game) != 0) {  // tested after the node's own changes: the move that empties still shows
    game.flow.FlowState = 50;
    return;
  }
  if (game.choices.ChoiceCount > 0) {  // a place from outside the graph offers nothing: no menu
    game.menu.MenuVisible = true;
    game.menu.ChoiceCursor = 1;
  }
  game.flow.FlowState = 22;
}

void TakeChoice(Game& game) {  // state 22
  game.menu.MenuVisible = false;
  // An empty list (a place outside the graph, from a save) leads back to the start.
  int32_t target = game.choices.ChoiceCount > 0 ? game.choices.ChoiceTargets[game.menu.ChoiceCursor] : 0;
  if (game.observer && game.choices.ChoiceCount > 0) game.observer->ChoiceTaken(game.choices.ChoiceLabels[game.menu.ChoiceCursor]);
  if (TakeTarget(game.player, target)) return GotoState(game, 30);  // the breakthrough
  GotoState(game, 20);
}

std::string LevelUpCaption(int32_t level) {
  std::string caption = "Level" + std::to_string(level) + " >>>>> ";
  if (level >= kLastPlainLevel) return caption + "Breaking Through";
  return caption + std::to_string(CheckedAdd(level, 1));
}

void ShowLevelUp(Game& game) {  // state 30
  int32_t level = game.player.Level;
  bool breaking = level >= kLastPlainLevel;
  if (!game.flow.VoiceMode)
    Wave(game, "dat\\open.wav", false);
  else
    Wave(game, breaking ? "dat\\breakthrough.wav" : "dat\\lvup.wav", false);
  StopMidi(game);  // MusicName stays: a save taken later restarts it
  SetEffect(game, "DARKNESS");
  ClearPage(game);
  SetCaption(game, LevelUpCaption(level));
  AddPageLine(game, Sjis(breaking ? "突破！" : "レベルアップ！"));
  AddPageLine(game, "");
  AddPageLine(game, Sjis("（Push X Key）"));
  game.flow.FlowState = 31;
}

void LevelUpShown(Game& game) {  // state 31
  RevealAll(game);
  game.flow.WaitForX = true;
  game.flow.FlowState = 32;
}

void RaiseLevel(Game& game) {  // state 32
  LevelUp(game.player);
  GotoState(game, 15);
}

void GameOver(Game& game) {  // state 50
  int32_t n = FirstEmptyParam(game);
  RunScript(game, "d" + std::to_string(n) + ".dat", 0);  // after it the game rests in state 0
  SetCaption(game, "Game Over");
}

void StartEnding(Game& game) {  // state 90
  ExportAfterword(game);
  SetCaption(game, Sjis("おまけ"));
  SetTimerSlot(game, 1, 100, EndingScreen);
  game.flow.LastVoice = -1;
  game.flow.FlowState = 99;
}

void EndingKey(Game& game) {  // state 99
  game.flow.FlowState = 99;
  if (!game.flow.VoiceMode) return;
  int32_t v = 0;
  do v = 1 + game.random(8);  // never the same voice twice in a row
  while (v == game.flow.LastVoice);
  game.flow.LastVoice = v;
  Wave(game, "dat\\nuru" + TwoDigits(v) + ".wav", false);
}

void RunState(Game& game, int32_t s) {
  switch (s) {
    case 1: return StartTitle(game);
    case 2: return StartTitleFade(game);
    case 5: return StartPrologue(game);
    case 10: return NextPage(game);
    case 11: return PageShown(game);
    case 15: return StartLevelScript(game);
    case 16: return LevelScriptEnded(game);
    case 17: return AskSave(game);
    case 18: return ResumeSaved(game);
    case 19: return StartExploring(game);
    case 20: return EnterNode(game);
    case 21: return NodeShown(game);
    case 22: return TakeChoice(game);
    case 30: return ShowLevelUp(game);
    case 31: return LevelUpShown(game);
    case 32: return RaiseLevel(game);
    case 50: return GameOver(game);
    case 90: return StartEnding(game);
    case 99: return EndingKey(game);
    default: return;  // 0 and every number not in the table do nothing
  }
}

}  // namespace

void AdvanceFlow(Game& game) {
  int32_t s = game.flow.FlowState;
  game.flow.FlowState = 0;  // cleared before the work, so a nested step or a typewriter call is safe
  if (s != 0) game.trace.Event("state").Int("n", s);
  RunState(game, s);
  if (s != 0) game.flow.TitleCounter = 0;
}

void GotoState(Game& game, int32_t state) {
  game.flow.FlowState = state;
  AdvanceFlow(game);
}

void RunScript(Game& game, const std::string& name, int32_t follow_up) {
  SetTimerSlot(game, 1, 100, PageScreen);
  LoadScript(game, "dat\\" + name, true);  // a missing script ends the program by itself
  ClearList(game);
  game.page.ScriptEnded = false;
  game.page.FollowUpState = follow_up;
  GotoState(game, 10);
}

void TitleStillTick(Game& game, int32_t, int32_t) { TitleScreen(game, false); }

void TitleFadeTick(Game& game, int32_t, int32_t) {
  TitleScreen(game, true);
  game.flow.TitleCounter = CheckedAdd(game.flow.TitleCounter, 1);
  if (game.flow.TitleCounter >= kTitleFadeTicks) GotoState(game, 5);  // replaces this very slot
}

std::string LevelTitle(int32_t level) {
  if (level < 0 || level >= static_cast<int32_t>(kLevelTitles.size())) return "Level" + std::to_string(level);
  return std::string(kLevelTitles[static_cast<std::size_t>(level)]);
}

void Sync(Serializer& s, FlowData& flow) {
  s.Sync(flow.FlowState);
  s.Sync(flow.WaitForX);
  s.Sync(flow.SavePrompt, 16);
  s.Sync(flow.TitleCounter);
  SyncInRange(s, flow.LastVoice, -1, 8, "the last voice");
}

}  // namespace nurumo
