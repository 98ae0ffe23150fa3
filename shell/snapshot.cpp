#include "shell/snapshot.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <string_view>

#include "core/serializer.h"
#include "core/text.h"
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

// A file name as the game's own scripts give it: "dat\\" and a name inside
// the game folder's dat/ (no way up, no absolute path, no control bytes). A
// backslash byte inside a double-byte character is no separator.
bool IsGameFileName(std::string_view cp932) {
  if (!cp932.starts_with("dat\\")) return false;
  std::string part;
  for (std::size_t i = 4; i <= cp932.size();) {
    const std::size_t n = i < cp932.size() ? CharLength(cp932, i) : 1;
    const bool separator = i == cp932.size() || (n == 1 && (cp932[i] == '\\' || cp932[i] == '/'));
    if (!separator) {
      if (n == 1 && static_cast<unsigned char>(cp932[i]) < 0x20) return false;
      part.append(cp932.substr(i, n));
    } else if (part.empty() || part == "..") {
      return false;  // "dat\\..\\x", "dat\\\\x", "dat\\x\\", "dat\\"
    } else {
      part.clear();
    }
    i += n;
  }
  return true;
}

void Require(bool holds, const char* what) {
  if (!holds) throw SerializeError(std::string(what) + " holds a value the game never takes");
}

bool InRange(int64_t value, int64_t lo, int64_t hi) { return value >= lo && value <= hi; }

// What the modules' own Sync functions cannot see alone: every value against
// what the game itself can hold at a pause between two passes, and the
// fields against each other. A slot that passes loads into a game that goes
// on as it would have; anything else is refused as damaged.
void CheckState(const Snapshot& state) {
  static constexpr std::array<int32_t, 20> kStates = {0,  1,  2,  5,  10, 11, 15, 16, 17, 18,
                                                      19, 20, 21, 22, 30, 31, 32, 50, 90, 99};
  Require(std::find(kStates.begin(), kStates.end(), state.flow.FlowState) != kStates.end(), "the flow state");
  Require(state.page.FollowUpState == 0 || state.page.FollowUpState == 15 || state.page.FollowUpState == 16,
          "the state after the script");
  const std::string& prompt = state.flow.SavePrompt;
  Require(prompt.empty() || prompt == "SAVE" || prompt == "SUCCESS" || prompt == "FAILURE", "the save question");
  Require(InRange(state.flow.TitleCounter, 0, 15), "the title's counter");
  Require(InRange(state.player.Level, 1, 6), "the level");
  Require(InRange(state.player.Node, 0, 49), "the place");
  for (int32_t i = 1; i <= 5; ++i) {
    Require(InRange(state.player.Params[i], 0, 100), "a mood");
    Require(InRange(state.panel.ShownValues[i], 0, 100), "a shown mood");
  }
  for (int32_t i = 1; i <= state.choices.ChoiceCount; ++i) {
    const int32_t target = state.choices.ChoiceTargets[i];
    Require(InRange(target, 0, 49) || target == 999, "a choice's target");  // 999: the breakthrough
  }
  if (state.menu.MenuVisible) Require(InRange(state.menu.ChoiceCursor, 1, state.choices.ChoiceCount), "the cursor");
  Require(state.script.ReadPos <= state.script.LineCount, "the script's read position");
  Require(InRange(state.effect.FadeStep, 0, 128), "the ending's fade");
  Require(state.midi.MidiFile.empty() || IsGameFileName(state.midi.MidiFile), "the music's file name");
  Require(state.wave.LoopingWave.empty() || IsGameFileName(state.wave.LoopingWave), "the sound's file name");
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
  // The rollback takes one before every step: grown once, not copied.
  static std::atomic<std::size_t> last_size{0};
  s.Reserve(last_size.load(std::memory_order_relaxed) + 4096);
  SyncState(s, game, timers);
  last_size.store(s.bytes().size(), std::memory_order_relaxed);
  return s.TakeBytes();
}

std::unique_ptr<Snapshot> DecodeSnapshot(std::string_view bytes, uint32_t version) {
  if (version == 0 || version > kSnapshotVersion) throw SerializeError("a state of an unknown version");
  auto snapshot = std::make_unique<Snapshot>();
  Serializer s = Serializer::Reader(bytes, version);
  SyncState(s, *snapshot, snapshot->timers);
  if (!s.at_end()) throw SerializeError("bytes after the end of the state");
  CheckState(*snapshot);
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
