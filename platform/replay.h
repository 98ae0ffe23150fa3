// Replay files: keys, snapshots and the close request at set times from the
// start of a run. Parsing is pure; the feeder hands due lines to a platform.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/surface.h"
#include "platform/platform.h"

namespace nurumo {

// The name of a virtual key as replays and the trace write it: SPACE, ENTER,
// UP, DOWN, X, Y, N, ALT, F10, else "VK" and the decimal code.
std::string KeyName(int vk);
// The code of a key name (case ignored); nullopt for anything else.
std::optional<int> KeyFromName(std::string_view name);

struct ReplayLine {
  enum class Action { Key, Snap, Quit, Input };
  uint32_t time = 0;  // milliseconds from the start of the run
  Action action = Action::Key;
  int vk = 0;         // Action::Key
  std::string name;   // Action::Snap: the file name without ".png" (UTF-8)
  InputEvent input;   // Action::Input: a click, a wheel turn or a pad button
};

// A pad button's name in replays (A, B, X, Y, UP, DOWN, START; case ignored).
std::optional<PadButton> PadButtonFromName(std::string_view name);

// A malformed line: what() is "replay: line N: REASON" ("replay: REASON"
// for the file as a whole, line 0).
class ReplayError : public std::runtime_error {
 public:
  ReplayError(int line, const std::string& reason);
};

// A real replay is kilobytes; these bound what one can make the program
// hold (a line costs far more than its bytes).
inline constexpr std::size_t kMaxReplayBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxReplayLines = 100000;

// The lines of a replay; a ReplayError for the first malformed one, for
// more than kMaxReplayLines actions and for more than kMaxReplayBytes.
std::vector<ReplayLine> ParseReplay(std::string_view utf8_text);

// Hands the lines that are due to the platform, in file order. Snapshots are
// written here; keys and the close request come back as input events.
class ReplayFeeder {
 public:
  ReplayFeeder(std::vector<ReplayLine> lines, std::filesystem::path snap_dir);

  // The next due key or close request, writing due snapshots of `window` on
  // the way; false when nothing more is due at `now`.
  bool Next(uint32_t now, const Surface& window, InputEvent& out);
  bool Due(uint32_t now) const;
  std::optional<uint32_t> NextTime() const;  // nullopt when every line was delivered

 private:
  std::vector<ReplayLine> lines_;
  std::size_t next_ = 0;
  std::filesystem::path snap_dir_;
};

// The time the headless run stops when --until is not given: 5 s after the
// last line, or 60 s without lines.
uint32_t DefaultStopTime(const std::vector<ReplayLine>& lines);

}  // namespace nurumo
