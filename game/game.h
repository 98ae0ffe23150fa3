// The whole game's state: one plain struct per module, owned by one Game, so
// every test starts from a fresh one and two games can run side by side.
#pragma once

#include <cstdint>
#include <string>

#include "core/observer.h"
#include "core/random.h"
#include "core/trace.h"
#include "extras/saying.h"
#include "game/flow.h"
#include "game/graph.h"
#include "game/player.h"
#include "gfx/assets.h"
#include "gfx/effects.h"
#include "gfx/page.h"
#include "gfx/screens.h"
#include "platform/platform.h"
#include "script/script.h"
#include "script/stepper.h"
#include "sound/midi.h"
#include "sound/wave.h"
#include "timing/pump.h"

namespace nurumo {

struct Game {
  Game(Platform& platform_in, uint32_t seed) : platform(platform_in), random(seed) {}
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  Platform& platform;
  Trace trace;
  Random random;

  bool terminate = false;  // the application has been asked to end
  std::string caption;     // CP932, as last set
  GameObserver* observer = nullptr;  // told what the game has shown; may be none

  TimerState timers;
  ScriptBuffer script;
  PageState page;
  FlowData flow;
  PlayerData player;
  SaveRecord record;
  ChoiceList choices;
  std::string NodeTitle;
  Assets gfx;
  EffectMode effect;
  RevealState reveal;
  PanelState panel;
  MenuState menu;
  EndingState ending;
  MidiState midi;
  WaveState wave;
  SayingState sayings;
};

}  // namespace nurumo
