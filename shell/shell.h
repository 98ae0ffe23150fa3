// The comforts around the game, and the loop that runs it: every input
// passes here first. F5 and F9 save and load the quick slot; the autosave
// is taken on close, after each save question and every five minutes of
// play; everything else goes on to the game unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "game/game.h"
#include "shell/overlay.h"
#include "shell/slots.h"

namespace nurumo {

// What the program gives the shell.
class ShellHost {
 public:
  virtual ~ShellHost() = default;
  virtual Game& game() = 0;
  // False when the start-up failed: the window stays blank and nothing can
  // be saved or loaded.
  virtual bool started() const = 0;
  // An input on the game's own way: a key is traced and goes to the key
  // table; the close request and the music notification as ever.
  virtual void ToGame(const InputEvent& event) = 0;
};

// A source of game keys besides the player (an autoplayer): asked once a
// pass while the game runs, never while it is paused.
struct KeySource {
  std::function<std::optional<int>(const Game&, uint32_t now)> poll;
  std::function<uint32_t(uint32_t now)> next_wake;  // when to be asked again at the latest
};

struct ShellOptions {
  bool autosave = true;                    // off in headless runs unless asked for
  uint32_t autosave_every_ms = 5 * 60 * 1000;
};

class Shell {
 public:
  Shell(ShellHost& host, OverlayPlatform& platform, SlotStore& slots, const ShellOptions& options);

  // The loop: until the game has been asked to end.
  void Run();
  // One input, as the loop hands it over.
  void HandleEvent(const InputEvent& event);
  void SetKeySource(KeySource source) { key_source_ = std::move(source); }

  // Save the running game to a slot, or load one into it; traced as
  // slot-save / slot-load. False with the reason in `why` (CP932).
  bool SaveSlot(const std::string& slot, std::string& why);
  bool LoadSlot(const std::string& slot, std::string& why);

 private:
  Game& game() { return host_.game(); }
  uint32_t GameNow();  // the game's clock: it stands still while the game is paused
  void GameKey(int vk);
  void QuickSave();
  void QuickLoad();
  void Autosave();
  void ShowNotice(const std::string& cp932);
  void Tick(uint32_t now);
  uint32_t NextWake(uint32_t now);

  ShellHost& host_;
  OverlayPlatform& platform_;
  SlotStore& slots_;
  ShellOptions options_;
  KeySource key_source_;
  std::string notice_;  // CP932; empty when none is shown
  uint32_t notice_until_ = 0;
  uint32_t next_autosave_ = 0;
};

}  // namespace nurumo
