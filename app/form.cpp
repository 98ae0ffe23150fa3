#include "app/form.h"

#include <exception>

#include "core/text.h"
#include "game/game.h"
#include "game/messages.h"
#include "platform/replay.h"
#include "sound/wave.h"

namespace nurumo {

namespace {

bool IsAdvanceKey(int code) { return code == vk::kSpace || code == vk::kEnter; }

// The save question and its two answers; only the word on the overlay counts.
void SavePromptKey(Game& game, int code) {
  FlowData& flow = game.flow;
  if (flow.SavePrompt == "SUCCESS") {
    if (!IsAdvanceKey(code)) return;
    flow.SavePrompt.clear();
    GotoState(game, 19);
  } else if (flow.SavePrompt == "FAILURE") {
    if (IsAdvanceKey(code)) flow.SavePrompt = "SAVE";  // the question is asked again
  } else if (flow.SavePrompt == "SAVE") {
    if (code == vk::kY) {
      if (SaveGame(game)) {
        PlayWave(game, flow.VoiceMode ? "dat\\save_ok.wav" : "dat\\hyuun.wav", false);
        flow.SavePrompt = "SUCCESS";
      } else {
        PlayWave(game, flow.VoiceMode ? "dat\\save_false.wav" : "dat\\bub.wav", false);
        flow.SavePrompt = "FAILURE";
      }
    } else if (code == vk::kN) {
      flow.SavePrompt.clear();  // nothing is saved
      GotoState(game, 19);
    }
  }
}

void MoveCursor(Game& game, int code) {
  MenuState& menu = game.menu;
  const int32_t count = game.choices.ChoiceCount;
  if (code == vk::kUp)
    menu.ChoiceCursor = menu.ChoiceCursor > 1 ? menu.ChoiceCursor - 1 : count;  // wraps to the last
  else
    menu.ChoiceCursor = menu.ChoiceCursor < count ? menu.ChoiceCursor + 1 : 1;  // wraps to the first
  DrawCursor(game, CursorTarget::Window);  // at once, not at the next frame
}

}  // namespace

bool FormCreate(Game& game, const std::function<void(Game&)>& resume) {
  try {
    // The seed, the client area, centring and the input method are done by
    // the time the game and its window exist.
    CreateSurfaces(game);
    LoadSayings(game);
    StartPump(game);
    InitMidi(game);
    InitWave(game);
    game.flow.VoiceMode = game.platform.Files().Exists(Sjis("音声モード.txt"));
    if (resume) {
      resume(game);
    } else if (LoadGame(game)) {
      GotoState(game, 18);  // resume exploring without the title
    } else {
      ResetPlayerData(game);
      GotoState(game, 1);
    }
    return true;
  } catch (const std::exception& error) {
    ShowError(game, error);
    ClearTimerSlots(game);  // blank and idle until closed
    return false;
  }
}

void FormDestroy(Game& game) {
  try {
    DoneWave(game);
    DoneMidi(game);
    FreeSayings(game);
    FreeSurfaces(game);
  } catch (const std::exception& error) {
    ShowError(game, error);
  }
}

bool FormShortCut(Game&, int code) {
  return code == vk::kAlt || code == vk::kF10;  // would open the window menu
}

void FormKeyDown(Game& game, int code) {
  if (game.flow.WaitForX) {
    if (code != vk::kX) return;  // SPACE and ENTER included
    game.flow.WaitForX = false;
    AdvanceFlow(game);
    return;
  }
  if (!game.flow.SavePrompt.empty()) {
    SavePromptKey(game, code);
    return;
  }
  if (IsAdvanceKey(code)) {
    AdvanceFlow(game);
    return;
  }
  if ((code == vk::kUp || code == vk::kDown) && game.menu.MenuVisible) MoveCursor(game, code);
}

void DispatchEvent(Game& game, const InputEvent& event, bool keys_active) {
  try {
    switch (event.kind) {
      case InputEvent::Kind::Key:
        game.trace.Event("key").Utf8("key", KeyName(event.vk));
        if (!keys_active || FormShortCut(game, event.vk)) return;
        FormKeyDown(game, event.vk);
        break;
      case InputEvent::Kind::Quit:
        RequestTerminate(game);
        break;
      case InputEvent::Kind::MusicNotify:
        OnMciNotify(game);
        break;
      case InputEvent::Kind::Click:
      case InputEvent::Kind::Wheel:
      case InputEvent::Kind::Pad:
        break;  // the shell turns these into keys; the game hears keys only
      case InputEvent::Kind::Hidden:
        break;  // the shell's: the game plays on
    }
  } catch (const std::exception& error) {
    ShowError(game, error);  // the box, then the game goes on
  }
}

void TraceExit(Game& game) {
  std::vector<int32_t> params;
  for (int32_t value : game.player.Params) params.push_back(value);
  game.trace.Event("exit")
      .Int("state", game.flow.FlowState)
      .Int("level", game.player.Level)
      .Ints("params", params)
      .Int("node", game.player.Node)
      .Str("caption", game.caption)
      .Str("prompt", game.flow.SavePrompt);
}

}  // namespace nurumo
