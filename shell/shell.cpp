#include "shell/shell.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>

#include "core/serializer.h"
#include "core/text.h"
#include "gfx/raster.h"
#include "shell/moments.h"
#include "shell/snapshot.h"

namespace nurumo {

namespace {

constexpr uint32_t kFirstStartNoticeMs = 6000;  // long enough to be read while the title fades in
constexpr FontSpec kNoticeFont{12, true, false, false};
constexpr uint32_t kIdleWake = 1000;

// Which of two wake-up times comes first, counted from now modulo 2^32.
uint32_t Earlier(uint32_t now, uint32_t a, uint32_t b) {
  return static_cast<int32_t>(a - now) <= static_cast<int32_t>(b - now) ? a : b;
}

bool Reached(uint32_t now, uint32_t when) { return static_cast<int32_t>(now - when) >= 0; }

// A white box framed in black at the top of the picture, the text in black:
// readable over any effect.
void DrawNotice(TextRasterizer& text, Surface& picture, const std::string& cp932) {
  const int width = text.MeasureWidth(cp932, kNoticeFont) + 24;
  const int left = (picture.width - width) / 2;
  FillRect(picture, left, 8, left + width, 36, kBlack);
  FillRect(picture, left + 2, 10, left + width - 2, 34, kWhite);
  text.Draw(picture, left + 12, 13, cp932, kNoticeFont, kBlack, nullptr);
}

}  // namespace

Shell::Shell(ShellHost& host, OverlayPlatform& platform, SlotStore& slots, const ShellOptions& options)
    : host_(host), platform_(platform), slots_(slots), options_(options) {
  game().observer = &history_;
  next_autosave_ = platform_.Now() + options_.autosave_every_ms;
  play_origin_ = platform_.Now();
}

// While the menu is open the game is paused: its slots do not fire and the
// key source is not asked.
void Shell::Run() {
  if (options_.first_start) {  // once: the menu is there to be found
    options_.first_start = false;
    ShowNotice(Sjis("Esc（または右クリック）でメニュー"), kFirstStartNoticeMs);
  }
  while (!game().terminate) {
    InputEvent event;
    while (platform_.PollEvent(event)) HandleEvent(event);  // the game may be replaced on the way
    Game& current = game();
    if (!paused_) {
      if (key_source_.poll) {
        if (std::optional<int> key = key_source_.poll(current, platform_.Now())) GameKey(*key);
      }
      FireDueSlots(current);
    }
    Tick(platform_.Now());
    if (current.terminate) break;  // the pass is complete, as the pump's always is
    const uint32_t later = platform_.Now();
    const uint32_t wake = NextWake(later);
    platform_.WaitForEvents(paused_ ? wake : Earlier(later, NextDueTime(current, later), wake));
  }
}

namespace {

// The pad's buttons as the game's keys; Start is the menu's Esc, and in the
// menu B backs out as Esc does. Left and right change settings in the menu
// and mean nothing to the game.
std::optional<int> PadKey(int button, bool in_menu) {
  switch (static_cast<PadButton>(button)) {
    case PadButton::A: return vk::kSpace;
    case PadButton::B: return in_menu ? vk::kEscape : vk::kN;
    case PadButton::Left: return in_menu ? std::optional<int>(vk::kLeft) : std::nullopt;
    case PadButton::Right: return in_menu ? std::optional<int>(vk::kRight) : std::nullopt;
    case PadButton::X: return vk::kX;
    case PadButton::Y: return vk::kY;
    case PadButton::Up: return vk::kUp;
    case PadButton::Down: return vk::kDown;
    case PadButton::Start: return vk::kEscape;
    case PadButton::Other: return std::nullopt;
  }
  return std::nullopt;
}

constexpr int kMaxWheelSteps = 10;  // one turn of a free-spinning wheel is not a hundred presses

// The choice under the pointer in the exploration menu (1-based), or 0. A
// row reaches from the cursor column to the panel, around its label.
int32_t ChoiceAt(const Game& game, int x, int y) {
  if (x < 10 || x >= 250 || y < 48) return 0;
  const int32_t row = (y - 48) / 20 + 1;
  return row <= game.choices.ChoiceCount ? row : 0;
}

}  // namespace

void Shell::HandleEvent(const InputEvent& event) {
  switch (event.kind) {
    case InputEvent::Kind::Key: return HandleKey(event.vk);
    case InputEvent::Kind::Click: return HandleClick(event.button, event.x, event.y);
    case InputEvent::Kind::Wheel: {
      const int steps = std::min(std::abs(event.button), kMaxWheelSteps);
      for (int i = 0; i < steps; ++i) HandleKey(event.button > 0 ? vk::kUp : vk::kDown);
      return;
    }
    case InputEvent::Kind::Pad:
      if (std::optional<int> key = PadKey(event.vk, menu_.open())) HandleKey(*key);
      return;
    case InputEvent::Kind::Quit:
      CloseMenu();
      if (options_.autosave && !game().terminate && WorthKeeping())
        Autosave();  // closing the window, or SIGINT or SIGTERM, loses nothing
      return host_.ToGame(event);
    case InputEvent::Kind::MusicNotify: return host_.ToGame(event);
    case InputEvent::Kind::Hidden:  // maybe the last chance: what a close would keep is kept, and play goes on
      if (options_.autosave && !game().terminate && !NothingToLose(game(), host_.started())) Autosave();
      return;
  }
}

// Where no key of the game acts any more, the keys a player tries there
// reach the game as ever and then open the menu, which shows the way on.
void Shell::HandleKey(int vk) {
  if (menu_.open()) return MenuAct(menu_.Key(vk));
  switch (vk) {
    case vk::kEscape: return OpenMenu();
    case vk::kF5: return QuickSave();
    case vk::kF9: return QuickLoad();
    case vk::kBackspace: return RollBack();
    default: break;
  }
  const bool dead_end = host_.started() && AtDeadEnd(game());
  GameKey(vk, true);
  if (dead_end && (vk == vk::kSpace || vk == vk::kEnter || vk == vk::kX) && !game().terminate) OpenMenu();
}

// A click on a choice moves the cursor there with the arrow keys and takes
// it, just as the keys would; only the keys reach the game.
void Shell::HandleClick(int button, int x, int y) {
  if (button == kRightButton) return HandleKey(vk::kEscape);
  if (button != kLeftButton) return;
  if (menu_.open()) return MenuAct(menu_.Click(x, y));
  const Game& current = game();
  if (host_.started() && current.menu.MenuVisible && current.flow.SavePrompt.empty() && !current.flow.WaitForX) {
    const int32_t row = ChoiceAt(current, x, y);
    if (row == 0) return;  // beside the choices (or a click that only focused the window): nothing is taken
    const int32_t moves = row - current.menu.ChoiceCursor;
    for (int32_t i = 0; i < std::abs(moves); ++i) GameKey(moves > 0 ? vk::kDown : vk::kUp);
  }
  HandleKey(vk::kSpace);
}

uint32_t Shell::GameNow() { return paused_ ? pause_start_ : platform_.Now(); }

// Play time: what the game had played before, and the game's clock since.
int64_t Shell::PlayMs() { return play_before_ + static_cast<uint32_t>(GameNow() - play_origin_); }

void Shell::StartPlayClock(int64_t played) {
  play_before_ = played;
  play_origin_ = GameNow();
}

void Shell::OpenMenu() {
  if (paused_) return;
  paused_ = true;
  pause_start_ = platform_.Now();
  const Surface& frame = game().gfx.FrameSurface;
  if (frame.empty()) {
    FillSurface(frozen_, 416, 256, {255, 255, 255});  // a start-up that failed left no picture
  } else {
    frozen_ = frame;
  }
  game().trace.Event("menu").Bool("open", true);
  menu_.Open();
  RedrawMenu();
}

// The slots' times move on by the pause, so the game cannot tell it stood.
void Shell::CloseMenu() {
  if (!paused_) return;
  const uint32_t pause = platform_.Now() - pause_start_;
  ShiftTimerSlots(game(), pause);
  next_autosave_ += pause;
  play_origin_ += pause;
  paused_ = false;
  menu_.Close();
  game().trace.Event("menu").Bool("open", false);
  const Surface& frame = game().gfx.FrameSurface;
  platform_.Present(frame.empty() ? frozen_ : frame);
}

void Shell::RedrawMenu() {
  if (!menu_.open()) return;
  Surface picture = frozen_;
  try {
    menu_.Draw(picture, platform_.Text());
  } catch (const std::exception& error) {
    game().trace.Event("menu-error").Utf8("text", error.what());  // no font: the menu still takes keys
  }
  platform_.real().Present(picture);
}

void Shell::MenuAct(const MenuResult& result) {
  std::string why;
  switch (result.kind) {
    case MenuResult::Kind::None: return RedrawMenu();
    case MenuResult::Kind::Close: return CloseMenu();
    case MenuResult::Kind::Rollback:
      CloseMenu();
      return RollBack();
    case MenuResult::Kind::Save:
      CloseMenu();
      return ShowNotice(SaveSlot(result.slot, why) ? Sjis("スロット" + result.slot + "にセーブしました")
                                                   : Sjis("セーブできません：") + why);
    case MenuResult::Kind::Load:
      CloseMenu();
      KeepBeforeLeaving(result.slot);
      return ShowNotice(LoadSlot(result.slot, why) ? Sjis("スロット" + result.slot + "をロードしました")
                                                   : Sjis("ロードできません：") + why);
    case MenuResult::Kind::ToTitle:
      CloseMenu();
      KeepBeforeLeaving("");
      history_.Mark(Sjis("タイトルへ"));
      host_.Restart();
      StartPlayClock(0);
      rollback_.Clear();
      back_steps_ = 0;
      next_autosave_ = platform_.Now() + options_.autosave_every_ms;
      return;
    case MenuResult::Kind::Quit:
      return HandleEvent({InputEvent::Kind::Quit});  // the autosave as on any close
    case MenuResult::Kind::Delete: {
      std::string error;
      const bool ok = slots_.Remove(result.slot, error);
      game().trace.Event("slot-delete").Utf8("slot", result.slot).Bool("ok", ok);
      menu_.Refresh();
      return RedrawMenu();
    }
    case MenuResult::Kind::Setting:
      ApplySetting(result.row, result.value);
      return RedrawMenu();
  }
}

int Shell::SettingValue(std::size_t row) {
  if (SettingRows()[row].field == &Settings::voice)
    return platform_.Files().Exists(Sjis("音声モード.txt")) ? 1 : 0;  // the marker itself, as the next start will see it
  if (SettingRows()[row].field == &Settings::scale) return platform_.Scale();
  if (SettingRows()[row].field == &Settings::fullscreen) return platform_.Fullscreen() ? 1 : 0;
  return options_.settings.*(SettingRows()[row].field);
}

// The voice mode is read at start: the note says so only while the marker
// differs from what this run of the game took.
std::string Shell::SettingNote(std::size_t row) {
  if (SettingRows()[row].field == &Settings::voice && SettingValue(row) == (game().flow.VoiceMode ? 1 : 0)) return "";
  return MenuData::SettingNote(row);
}

int Shell::SettingHigh(std::size_t row) {
  if (SettingRows()[row].field == &Settings::scale) return platform_.MaxScale();
  return SettingRows()[row].high;
}

void Shell::ApplySetting(std::size_t row, int value) {
  const SettingRow& setting = SettingRows()[row];
  Settings& settings = options_.settings;
  settings.*(setting.field) = value;
  if (setting.field == &Settings::scale) platform_.SetScale(value);
  if (setting.field == &Settings::fullscreen) platform_.SetFullscreen(value != 0);
  if (setting.field == &Settings::music_volume) platform_.Music().SetVolume(value);
  if (setting.field == &Settings::sound_volume) platform_.Sound().SetVolume(value);
  if (setting.field == &Settings::text) platform_.SetTextRendering(static_cast<TextRendering>(value));
  if (setting.field == &Settings::voice) {
    std::string error;
    const std::string marker = Sjis("音声モード.txt");
    if (value) {
      platform_.Files().WriteAtomic(marker, "", error);
    } else {
      std::error_code ec;
      std::filesystem::remove(platform_.Files().Resolve(marker), ec);
    }
  }
  game().trace.Event("setting").Utf8("name", setting.key).Int("value", value);
  if (setting.in_file && options_.settings_file) {  // this one alone: a one-off --scale or F11 is not kept
    std::string error;
    UpdateSettings(*options_.settings_file, setting.key, value, error);
  }
}

namespace {

// What a step changes: the page, the place, the moods, the question.
struct StepMark {
  int32_t state, read_pos, level, node, line_index;
  std::array<int32_t, 5> params;
  std::string first_line, prompt;
  bool wait_x, choices;
  bool operator==(const StepMark&) const = default;
};

StepMark MarkOf(const Game& game) {
  StepMark mark{game.flow.FlowState, game.script.ReadPos, game.player.Level, game.player.Node,
                game.page.PageLineIndex, {}, game.page.PageLines[0], game.flow.SavePrompt, game.flow.WaitForX,
                game.menu.MenuVisible};
  for (int i = 1; i <= 5; ++i) mark.params[static_cast<std::size_t>(i - 1)] = game.player.Params[i];
  return mark;
}

// A key on a whole screen (a page shown whole, the choices open, a question
// asked) may take a step; one that only shows the rest of a page does not.
bool MayStep(const Game& game, int vk) {
  if (vk != vk::kSpace && vk != vk::kEnter && vk != vk::kX && vk != vk::kY && vk != vk::kN) return false;
  if (AtTitle(game) || AtEnding(game) || AtDeadEnd(game)) return false;
  return game.reveal.RevealDone || game.menu.MenuVisible || !game.flow.SavePrompt.empty() || game.flow.WaitForX;
}

}  // namespace

// Answering the save question starts a level's exploration: worth keeping.
// A player's key that takes a step keeps the game as it stood before it, for
// the rollback.
void Shell::GameKey(int vk, bool player) {
  const bool asked = !game().flow.SavePrompt.empty();
  std::string before;
  StepMark mark;
  const uint32_t now = platform_.Now();
  if (player && host_.started() && MayStep(game(), vk)) {
    try {
      before = EncodeSnapshot(game(), now);
      mark = MarkOf(game());
    } catch (const SerializeError&) {
      before.clear();  // a moment that cannot be kept is no step to go back to
    }
  }
  host_.ToGame({InputEvent::Kind::Key, vk});
  if (!before.empty() && !game().terminate && !(MarkOf(game()) == mark)) {
    rollback_.Record(before, now);
    back_steps_ = 0;
  }
  if (asked && game().flow.SavePrompt.empty() && options_.autosave && !game().terminate && WorthKeeping()) Autosave();
}

bool Shell::SaveSlot(const std::string& slot, std::string& why) {
  bool ok = false;
  if (!host_.started()) {
    why = Sjis("ゲームが始まっていません");
  } else {
    try {
      const std::string state = EncodeSnapshot(game(), GameNow());
      std::string error;
      SlotSummary summary = SummarizeGame(game(), static_cast<int64_t>(std::time(nullptr)));
      summary.play_ms = PlayMs();
      ok = slots_.Write(slot, summary, state, error, history_.lines());
      if (!ok) why = Sjis("書き込めません");
    } catch (const SerializeError&) {
      why = Sjis("この場面はセーブできません");
    }
  }
  game().trace.Event("slot-save").Utf8("slot", slot).Bool("ok", ok);
  return ok;
}

bool Shell::LoadSlot(const std::string& slot, std::string& why) {
  bool ok = false;
  if (!host_.started()) {
    why = Sjis("ゲームが始まっていません");
  } else {
    SlotFile file = slots_.Read(slot);
    if (file.problem == SlotProblem::None) {
      try {
        std::unique_ptr<Snapshot> snapshot = DecodeSnapshot(file.state, file.version);
        ApplySnapshot(game(), *snapshot, platform_.Now());
        if (file.version >= 2) history_.Restore(file.history);  // an older slot kept none: ours goes on
        history_.Mark(Sjis("ロード"));
        StartPlayClock(file.summary.play_ms);
        rollback_.Clear();  // the steps of the game left behind are not this one's
        back_steps_ = 0;
        ok = true;
      } catch (const SerializeError&) {
        file.problem = SlotProblem::Damaged;  // checked whole before anything was swapped in
      }
    }
    if (!ok) why = Sjis(SlotProblemTextJa(file.problem));
  }
  game().trace.Event("slot-load").Utf8("slot", slot).Bool("ok", ok);
  return ok;
}

// One step back: the game exactly as it stood before the last step, as a
// slot saved at that moment would bring it back.
void Shell::RollBack() {
  if (!host_.started() || rollback_.empty()) return ShowNotice(Sjis("これ以上戻れません"));
  uint32_t at = 0;
  try {
    std::string state = rollback_.TakeNewest(at);
    std::unique_ptr<Snapshot> snapshot = DecodeSnapshot(state, kSnapshotVersion);
    ApplySnapshot(game(), *snapshot, platform_.Now());
  } catch (const SerializeError&) {
    rollback_.Clear();  // cannot happen with states of our own; lose the steps, not the game
    return ShowNotice(Sjis("これ以上戻れません"));
  }
  ++back_steps_;
  game().trace.Event("rollback").Int("steps", back_steps_).Int("to", at);
  history_.Mark(Sjis("戻る"));
}

// A game whose mood has run out is not kept over the one the slot holds.
bool Shell::WorthKeeping() { return !NothingToLose(game(), host_.started()) && !Doomed(game()); }

void Shell::Resumed(const SlotFile& file) {
  if (file.version >= 2) history_.Restore(file.history);
  history_.Mark(Sjis("ロード"));
  StartPlayClock(file.summary.play_ms);
}

void Shell::QuickSave() {
  std::string why;
  if (host_.started() && Doomed(game())) {
    game().trace.Event("slot-save").Utf8("slot", "quick").Bool("ok", false);
    return ShowNotice(Sjis("セーブするものがありません"));
  }
  ShowNotice(SaveSlot("quick", why) ? Sjis("クイックセーブしました") : Sjis("クイックセーブできません：") + why);
}

// Before the running game is left for another, it is kept in the autosave,
// so one key can never lose it (unless it is the autosave being loaded).
void Shell::KeepBeforeLeaving(const std::string& loading) {
  if (options_.autosave && loading != "auto" && !game().terminate && WorthKeeping()) Autosave();
}

void Shell::QuickLoad() {
  std::string why;
  KeepBeforeLeaving("quick");
  ShowNotice(LoadSlot("quick", why) ? Sjis("クイックロードしました") : Sjis("クイックロードできません：") + why);
}

void Shell::Autosave() {
  std::string why;
  SaveSlot("auto", why);
  next_autosave_ = platform_.Now() + options_.autosave_every_ms;
}

// Shown at once over the picture as it stands, then over every frame the
// game presents until it expires.
void Shell::ShowNotice(const std::string& cp932, uint32_t ms) {
  notice_ = cp932;
  notice_until_ = platform_.Now() + ms;
  // The rasteriser is asked for on every frame: the menu's text setting may
  // replace it while the notice stands.
  platform_.SetDecoration([this](Surface& picture) {
    try {
      DrawNotice(platform_.Text(), picture, notice_);
    } catch (const std::exception&) {
      // no font: the trace and the slot file still tell
    }
  });
  const Surface& frame = game().gfx.FrameSurface;
  if (!frame.empty() && !paused_) platform_.Present(frame);
}

void Shell::Tick(uint32_t now) {
  if (!notice_.empty() && Reached(now, notice_until_)) {
    notice_.clear();
    platform_.SetDecoration(nullptr);
    const Surface& frame = game().gfx.FrameSurface;
    if (!frame.empty() && !paused_) platform_.Present(frame);  // the picture without the notice
  }
  if (options_.autosave && !paused_ && Reached(now, next_autosave_)) {
    if (WorthKeeping() && !game().terminate)
      Autosave();
    else
      next_autosave_ = now + options_.autosave_every_ms;
  }
}

uint32_t Shell::NextWake(uint32_t now) {
  uint32_t wake = now + kIdleWake;
  if (!notice_.empty()) wake = Earlier(now, wake, notice_until_);
  if (paused_) return wake;  // the autosave and the key source wait for the menu to close
  if (options_.autosave) wake = Earlier(now, wake, next_autosave_);
  if (key_source_.next_wake) wake = Earlier(now, wake, key_source_.next_wake(now));
  return wake;
}

}  // namespace nurumo
