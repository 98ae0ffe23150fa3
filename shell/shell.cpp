#include "shell/shell.h"

#include <ctime>

#include "core/serializer.h"
#include "core/text.h"
#include "gfx/raster.h"
#include "shell/moments.h"
#include "shell/snapshot.h"

namespace nurumo {

namespace {

constexpr uint32_t kNoticeMs = 1200;  // about a second
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
  next_autosave_ = platform_.Now() + options_.autosave_every_ms;
}

void Shell::Run() {
  while (!game().terminate) {
    InputEvent event;
    while (platform_.PollEvent(event)) HandleEvent(event);  // the game may be replaced on the way
    Game& current = game();
    const uint32_t now = platform_.Now();
    if (key_source_.poll) {
      if (std::optional<int> key = key_source_.poll(current, now)) GameKey(*key);
    }
    FireDueSlots(current);
    Tick(platform_.Now());
    if (current.terminate) break;  // the pass is complete, as the pump's always is
    const uint32_t later = platform_.Now();
    platform_.WaitForEvents(Earlier(later, NextDueTime(current, later), NextWake(later)));
  }
}

void Shell::HandleEvent(const InputEvent& event) {
  if (event.kind == InputEvent::Kind::Key) {
    switch (event.vk) {
      case vk::kF5: return QuickSave();
      case vk::kF9: return QuickLoad();
      default: return GameKey(event.vk);
    }
  }
  if (event.kind == InputEvent::Kind::Quit && options_.autosave && !game().terminate &&
      !NothingToLose(game(), host_.started()))
    Autosave();  // closing the window, or SIGINT or SIGTERM, loses nothing
  host_.ToGame(event);
}

uint32_t Shell::GameNow() { return platform_.Now(); }

// Answering the save question starts a level's exploration: worth keeping.
void Shell::GameKey(int vk) {
  const bool asked = !game().flow.SavePrompt.empty();
  host_.ToGame({InputEvent::Kind::Key, vk});
  if (asked && game().flow.SavePrompt.empty() && options_.autosave && !game().terminate) Autosave();
}

bool Shell::SaveSlot(const std::string& slot, std::string& why) {
  bool ok = false;
  if (!host_.started()) {
    why = Sjis("ゲームが始まっていません");
  } else {
    try {
      const std::string state = EncodeSnapshot(game(), GameNow());
      std::string error;
      ok = slots_.Write(slot, SummarizeGame(game(), static_cast<int64_t>(std::time(nullptr))), state, error);
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

void Shell::QuickSave() {
  std::string why;
  ShowNotice(SaveSlot("quick", why) ? Sjis("クイックセーブしました") : Sjis("クイックセーブできません：") + why);
}

void Shell::QuickLoad() {
  std::string why;
  ShowNotice(LoadSlot("quick", why) ? Sjis("クイックロードしました") : Sjis("クイックロードできません：") + why);
}

void Shell::Autosave() {
  std::string why;
  SaveSlot("auto", why);
  next_autosave_ = platform_.Now() + options_.autosave_every_ms;
}

// Shown at once over the picture as it stands, then over every frame the
// game presents until it expires.
void Shell::ShowNotice(const std::string& cp932) {
  notice_ = cp932;
  notice_until_ = platform_.Now() + kNoticeMs;
  TextRasterizer* text = nullptr;
  try {
    text = &platform_.Text();
  } catch (const std::exception&) {
    return;  // no font: the trace and the slot file still tell
  }
  platform_.SetDecoration([this, text](Surface& picture) { DrawNotice(*text, picture, notice_); });
  const Surface& frame = game().gfx.FrameSurface;
  if (!frame.empty()) platform_.Present(frame);
}

void Shell::Tick(uint32_t now) {
  if (!notice_.empty() && Reached(now, notice_until_)) {
    notice_.clear();
    platform_.SetDecoration(nullptr);
    const Surface& frame = game().gfx.FrameSurface;
    if (!frame.empty()) platform_.Present(frame);  // the picture without the notice
  }
  if (options_.autosave && Reached(now, next_autosave_)) {
    if (!NothingToLose(game(), host_.started()) && !game().terminate)
      Autosave();
    else
      next_autosave_ = now + options_.autosave_every_ms;
  }
}

uint32_t Shell::NextWake(uint32_t now) {
  uint32_t wake = now + kIdleWake;
  if (!notice_.empty()) wake = Earlier(now, wake, notice_until_);
  if (options_.autosave) wake = Earlier(now, wake, next_autosave_);
  if (key_source_.next_wake) wake = Earlier(now, wake, key_source_.next_wake(now));
  return wake;
}

}  // namespace nurumo
