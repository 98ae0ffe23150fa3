#include "shell/snapshot.h"

#include <array>

#include "core/serializer.h"
#include "game/flow.h"
#include "gfx/page.h"
#include "gfx/screens.h"

namespace nurumo {

namespace {

// Every procedure a timer slot can hold; a slot stores its place here, so
// this order is part of the layout (add at the end, never reorder).
constexpr std::array<SlotCallback, 6> kSlotCallbacks = {
    TitleStillTick, TitleFadeTick, PageScreen, ExplorationScreen, SaveScreen, EndingScreen,
};

constexpr uint32_t kMaxCaption = 4096;
constexpr uint32_t kMaxTitle = 4096;

// What a snapshot holds, module by module, in this order:
//   Random          the generator's whole state (seed and position)
//   caption         the window caption the flow set last
//   TimerState      every slot: interval, age, procedure; PumpStarted
//   ScriptBuffer    the lines still to be read and the read position
//   PageState       page lines and index, list lines and count, ScriptEnded, FollowUpState
//   FlowData        FlowState, WaitForX, SavePrompt, TitleCounter, LastVoice
//   PlayerData      Level, Params, Node
//   SaveRecord      its 84 bytes (EffectName and MusicName change during play)
//   ChoiceList      count, labels, targets; and NodeTitle
//   Assets          stage, frame, spare (cursor column or ending picture), both panels
//   EffectMode      routine, LightScreen, FadeStep
//   RevealState     revealed lines, RevealLine, RevealDone
//   PanelState      ShownValues, PanelDirty
//   MenuState       MenuVisible, ChoiceCursor, CursorFrame
//   EndingState     EndingTick
//   MidiState       MidiLoop, MidiPlaying and the file playing
//   WaveState       the looping sound
// Not held: VoiceMode (the process's setting, from the marker at start), the
// sayings, the pictures loaded at start-up and the tables computed from them
// (all rebuilt from the same game folder, which the slot file checks), the
// trace and the terminate flag.
template <typename State>
void SyncState(Serializer& s, State& state, TimerState& timers) {
  state.random.Sync(s);
  s.Sync(state.caption, kMaxCaption);
  Sync(s, timers, kSlotCallbacks);
  Sync(s, state.script);
  Sync(s, state.page);
  Sync(s, state.flow);
  Sync(s, state.player);
  Sync(s, state.record);
  Sync(s, state.choices);
  s.Sync(state.NodeTitle, kMaxTitle);
  Sync(s, state.gfx);
  Sync(s, state.effect);
  Sync(s, state.reveal);
  Sync(s, state.panel);
  Sync(s, state.menu);
  Sync(s, state.ending);
  Sync(s, state.midi);
  Sync(s, state.wave);
}

void RestoreDevices(Game& game) {
  MusicDevice& music = game.platform.Music();
  music.Close();
  if (game.midi.MidiPlaying) {  // from its start, in the mode it was playing in
    music.SetLoopHint(game.midi.MidiLoop);
    music.Open(game.platform.Files().Resolve(game.midi.MidiFile));
    music.Play();
  }
  SoundDevice& sound = game.platform.Sound();
  sound.Stop();
  if (!game.wave.LoopingWave.empty()) sound.Play(game.platform.Files().Resolve(game.wave.LoopingWave), true);
}

}  // namespace

std::string EncodeSnapshot(Game& game, uint32_t now) {
  TimerState timers = game.timers;
  for (TimerSlot& slot : timers.TimerSlots) slot.LastTime = now - slot.LastTime;  // the age, modulo 2^32
  Serializer s = Serializer::Writer(kSnapshotVersion);
  SyncState(s, game, timers);
  return s.bytes();
}

std::unique_ptr<Snapshot> DecodeSnapshot(std::string_view bytes, uint32_t version) {
  if (version == 0 || version > kSnapshotVersion) throw SerializeError("a state of an unknown version");
  auto snapshot = std::make_unique<Snapshot>();
  Serializer s = Serializer::Reader(bytes, version);
  SyncState(s, *snapshot, snapshot->timers);
  if (!s.at_end()) throw SerializeError("bytes after the end of the state");
  return snapshot;
}

void ApplySnapshot(Game& game, Snapshot& snapshot, uint32_t now) {
  game.random = snapshot.random;
  game.caption = std::move(snapshot.caption);
  game.timers = std::move(snapshot.timers);
  for (TimerSlot& slot : game.timers.TimerSlots) slot.LastTime = now - slot.LastTime;  // back from its age
  game.script = std::move(snapshot.script);
  game.page = std::move(snapshot.page);
  game.flow.FlowState = snapshot.flow.FlowState;  // VoiceMode stays the process's own
  game.flow.WaitForX = snapshot.flow.WaitForX;
  game.flow.SavePrompt = std::move(snapshot.flow.SavePrompt);
  game.flow.TitleCounter = snapshot.flow.TitleCounter;
  game.flow.LastVoice = snapshot.flow.LastVoice;
  game.player = snapshot.player;
  game.record = snapshot.record;
  game.choices = std::move(snapshot.choices);
  game.NodeTitle = std::move(snapshot.NodeTitle);
  game.gfx.StageSurface = std::move(snapshot.gfx.StageSurface);
  game.gfx.FrameSurface = std::move(snapshot.gfx.FrameSurface);
  game.gfx.SpareSurface = std::move(snapshot.gfx.SpareSurface);
  game.gfx.PanelSurface = std::move(snapshot.gfx.PanelSurface);
  game.gfx.PanelInvertedSurface = std::move(snapshot.gfx.PanelInvertedSurface);
  game.effect = snapshot.effect;
  game.reveal = std::move(snapshot.reveal);
  game.panel = snapshot.panel;
  game.menu = snapshot.menu;
  game.ending = snapshot.ending;
  game.midi = std::move(snapshot.midi);
  game.wave = std::move(snapshot.wave);

  RestoreDevices(game);
  game.platform.SetCaption(game.caption);
  game.platform.Present(game.gfx.FrameSurface);
}

}  // namespace nurumo
