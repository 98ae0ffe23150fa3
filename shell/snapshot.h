// Snapshots of a running game: everything its future depends on, written
// and read by the modules' own Sync functions in one fixed order. Loading
// decodes into a separate Snapshot first; only a whole one is swapped in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "game/game.h"

namespace nurumo {

// The version of the state's layout and of the slot file around it. A new
// field in any part means a new version, and the field names the version it
// appeared in. 2: the slot keeps the play time, a thumbnail and the history.
inline constexpr uint32_t kSnapshotVersion = 2;

// A decoded state, checked and ready to be swapped into a game. Timer slots
// hold their age (milliseconds since they last fired) in LastTime until the
// snapshot is applied.
struct Snapshot {
  Random random;
  std::string caption;
  TimerState timers;
  ScriptBuffer script;
  PageState page;
  FlowData flow;
  PlayerData player;
  SaveRecord record;
  ChoiceList choices;
  std::string NodeTitle;
  Assets gfx;  // only the surfaces Sync(Assets) holds
  EffectMode effect;
  RevealState reveal;
  PanelState panel;
  MenuState menu;
  EndingState ending;
  MidiState midi;
  WaveState wave;
};

// The state of `game` as bytes; `now` is the game's clock (timer slots are
// stored relative to it, so they go on where they stopped).
std::string EncodeSnapshot(Game& game, uint32_t now);

// A whole, checked state, or a SerializeError that says what is wrong.
std::unique_ptr<Snapshot> DecodeSnapshot(std::string_view bytes, uint32_t version);

// Swap the state into `game` and bring the devices and the window in line:
// the music plays again from its start, the looping sound loops again, the
// caption and the picture are shown. Nothing here is traced: the game's own
// events go on as if it had never stopped.
void ApplySnapshot(Game& game, Snapshot& snapshot, uint32_t now);

}  // namespace nurumo
