// The comforts around the game, and the loop that runs it: every input
// passes here first. Esc opens the menu over the paused game; F5 and F9 save
// and load the quick slot; Backspace goes back one step; clicks, the wheel and pad buttons become the
// game's keys; the autosave is taken on close, after each save question and
// every five minutes of play; every other key goes on to the game unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <filesystem>

#include "game/game.h"
#include "shell/history.h"
#include "shell/menu.h"
#include "shell/overlay.h"
#include "shell/rollback.h"
#include "shell/settings.h"
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
  // A fresh game, as a new start of the program would begin it.
  virtual void Restart() = 0;
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
  std::optional<std::filesystem::path> settings_file;  // where the menu keeps the settings
  Settings settings;                                    // as the program started with them
  bool first_start = false;  // no settings file yet: a notice shows the way to the menu
};

class Shell : private MenuData {
 public:
  Shell(ShellHost& host, OverlayPlatform& platform, SlotStore& slots, const ShellOptions& options);

  // The loop: until the game has been asked to end.
  void Run();
  // One input, as the loop hands it over.
  void HandleEvent(const InputEvent& event);
  void SetKeySource(KeySource source) { key_source_ = std::move(source); }
  // The history listens to the game: the program makes it the game's observer.
  History& history() { return history_; }
  bool menu_open() const { return menu_.open(); }

  // Save the running game to a slot, or load one into it; traced as
  // slot-save / slot-load. False with the reason in `why` (CP932).
  bool SaveSlot(const std::string& slot, std::string& why);
  bool LoadSlot(const std::string& slot, std::string& why);
  // The game was started from this slot: its history and play time go on.
  void Resumed(const SlotFile& file);

 private:
  Game& game() { return host_.game(); }
  uint32_t GameNow();  // the game's clock: it stands still while the game is paused
  void GameKey(int vk, bool player = false);
  void RollBack();
  void HandleKey(int vk);
  void HandleClick(int button, int x, int y);
  void OpenMenu();
  void CloseMenu();
  void RedrawMenu();
  void MenuAct(const MenuResult& result);
  void ApplySetting(std::size_t row, int value);

  // What the menu shows.
  SlotFile ReadSlot(const std::string& slot) override { return slots_.Read(slot); }
  const std::deque<std::string>& HistoryLines() override { return history_.lines(); }
  int SettingValue(std::size_t row) override;
  int SettingHigh(std::size_t row) override;
  std::string SettingNote(std::size_t row) override;
  bool WorthKeeping();
  int64_t PlayMs();
  void StartPlayClock(int64_t played);
  void KeepBeforeLeaving(const std::string& loading);
  void QuickSave();
  void QuickLoad();
  void Autosave();
  void ShowNotice(const std::string& cp932, uint32_t ms = 1200);
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
  Menu menu_{*this};
  History history_;
  Rollback rollback_;
  int64_t play_before_ = 0;   // play time of the game before this run of it
  uint32_t play_origin_ = 0;  // the game's clock when this run of it began (moved on by pauses)
  int64_t back_steps_ = 0;  // steps gone back since the game last went forward
  bool paused_ = false;
  uint32_t pause_start_ = 0;
  Surface frozen_;  // the picture the menu is drawn over
};

}  // namespace nurumo
