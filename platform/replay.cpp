#include "platform/replay.h"

#include <array>
#include <charconv>
#include <iostream>

#include "platform/bmp_sdl.h"

namespace nurumo {

namespace {

struct NamedKey {
  std::string_view name;
  int vk;
};
constexpr std::array<NamedKey, 13> kNamedKeys{{
    {"SPACE", vk::kSpace},
    {"ENTER", vk::kEnter},
    {"UP", vk::kUp},
    {"DOWN", vk::kDown},
    {"X", vk::kX},
    {"Y", vk::kY},
    {"N", vk::kN},
    {"ALT", vk::kAlt},
    {"F10", vk::kF10},
    {"ESC", vk::kEscape},
    {"F5", vk::kF5},
    {"F9", vk::kF9},
    {"BACKSPACE", vk::kBackspace},
}};

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits off the next blank-separated word.
std::string_view NextWord(std::string_view& rest) {
  std::size_t start = 0;
  while (start < rest.size() && IsBlank(rest[start])) ++start;
  std::size_t end = start;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  std::string_view word = rest.substr(start, end - start);
  rest.remove_prefix(end);
  return word;
}

std::optional<uint32_t> ParseNumber(std::string_view digits) {
  uint32_t value = 0;
  if (digits.empty()) return std::nullopt;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// A piece of a bad line as an error quotes it: at most 40 bytes, cut at a
// character's start, so that a line of megabytes is not echoed whole.
std::string Quoted(std::string_view word) {
  constexpr std::size_t kMost = 40;
  if (word.size() <= kMost) return "'" + std::string(word) + "'";
  std::size_t cut = kMost;
  while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80) --cut;  // a UTF-8 continuation byte
  return "'" + std::string(word.substr(0, cut)) + "...' (" + std::to_string(word.size()) + " bytes)";
}

// A snapshot name must stay inside the snapshot folder.
bool IsSafeName(std::string_view name) {
  return name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\\') == std::string_view::npos;
}

std::optional<int> ParseSigned(std::string_view word) {
  int value = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// CLICK X Y (the picture's pixels), WHEEL N (notches, positive away from
// the player), PAD BUTTON.
InputEvent ParseInput(int number, const std::string& action, std::string_view& rest) {
  InputEvent event;
  if (action == "CLICK") {
    auto x = ParseSigned(NextWord(rest));
    auto y = ParseSigned(NextWord(rest));
    if (!x || !y || *x < 0 || *x >= 416 || *y < 0 || *y >= 256)
      throw ReplayError(number, "CLICK needs X 0..415 and Y 0..255");
    event = {InputEvent::Kind::Click, 0, kLeftButton, *x, *y};
  } else if (action == "WHEEL") {
    auto notches = ParseSigned(NextWord(rest));
    if (!notches || *notches == 0 || *notches < -100 || *notches > 100)
      throw ReplayError(number, "WHEEL needs a number of notches, -100..100 and not 0");
    event = {InputEvent::Kind::Wheel, 0, *notches, 0, 0};
  } else {
    std::string_view word = NextWord(rest);
    auto button = PadButtonFromName(word);
    if (!button) throw ReplayError(number, "PAD needs A, B, X, Y, UP, DOWN, LEFT, RIGHT or START, not " + Quoted(word));
    event = {InputEvent::Kind::Pad, static_cast<int>(*button), 0, 0, 0};
  }
  return event;
}

ReplayLine ParseAction(int number, std::string_view rest) {
  ReplayLine line;
  std::string_view word = NextWord(rest);
  if (word.empty()) throw ReplayError(number, "missing action");
  const std::string action = Upper(word);
  if (action == "SNAP") {
    std::string_view name = NextWord(rest);
    if (name.empty()) throw ReplayError(number, "SNAP needs a name");
    if (!IsSafeName(name)) throw ReplayError(number, "bad snapshot name " + Quoted(name));
    line.action = ReplayLine::Action::Snap;
    line.name = name;
  } else if (action == "QUIT") {
    line.action = ReplayLine::Action::Quit;
  } else if (action == "CLICK" || action == "WHEEL" || action == "PAD") {
    line.action = ReplayLine::Action::Input;
    line.input = ParseInput(number, action, rest);
  } else if (auto key = KeyFromName(action)) {
    line.vk = *key;
  } else if (action.starts_with("VK")) {
    auto code = ParseNumber(std::string_view(action).substr(2));
    if (!code || *code < 1 || *code > 254) throw ReplayError(number, "bad key code " + Quoted(word));
    line.vk = static_cast<int>(*code);
  } else {
    throw ReplayError(number, "unknown action " + Quoted(word));
  }
  if (!NextWord(rest).empty()) throw ReplayError(number, "unexpected text after the action");
  return line;
}

}  // namespace

std::optional<PadButton> PadButtonFromName(std::string_view name) {
  constexpr std::array<std::pair<std::string_view, PadButton>, 9> kButtons{{
      {"A", PadButton::A}, {"B", PadButton::B}, {"X", PadButton::X}, {"Y", PadButton::Y},
      {"UP", PadButton::Up}, {"DOWN", PadButton::Down}, {"LEFT", PadButton::Left}, {"RIGHT", PadButton::Right},
      {"START", PadButton::Start},
  }};
  const std::string upper = Upper(name);
  for (const auto& [button_name, button] : kButtons)
    if (button_name == upper) return button;
  return std::nullopt;
}

std::string KeyName(int code) {
  for (const NamedKey& key : kNamedKeys)
    if (key.vk == code) return std::string(key.name);
  return "VK" + std::to_string(code);
}

std::optional<int> KeyFromName(std::string_view name) {
  const std::string upper = Upper(name);
  for (const NamedKey& key : kNamedKeys)
    if (key.name == upper) return key.vk;
  return std::nullopt;
}

ReplayError::ReplayError(int line, const std::string& reason)
    : std::runtime_error("replay: " + (line > 0 ? "line " + std::to_string(line) + ": " : std::string()) + reason) {}

std::vector<ReplayLine> ParseReplay(std::string_view text) {
  if (text.size() > kMaxReplayBytes) throw ReplayError(0, "the file is larger than 1 MB");
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte order mark from an editor
  std::vector<ReplayLine> lines;
  uint32_t previous = 0;
  int number = 0;
  while (!text.empty()) {
    ++number;
    std::size_t end = text.find('\n');
    std::string_view rest = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (std::size_t hash = rest.find('#'); hash != std::string_view::npos) rest = rest.substr(0, hash);

    std::string_view time_word = NextWord(rest);
    if (time_word.empty()) continue;  // blank or comment only
    const bool relative = time_word.front() == '+';
    auto time = ParseNumber(relative ? time_word.substr(1) : time_word);
    if (!time) throw ReplayError(number, "bad time " + Quoted(time_word));
    uint64_t at = relative ? uint64_t{previous} + *time : *time;
    if (at > INT32_MAX) throw ReplayError(number, "time out of range");  // clock differences are signed 32-bit
    if (at < previous) throw ReplayError(number, "time goes back before the previous line");

    if (lines.size() >= kMaxReplayLines)
      throw ReplayError(number, "more than " + std::to_string(kMaxReplayLines) + " actions");
    ReplayLine line = ParseAction(number, rest);
    line.time = static_cast<uint32_t>(at);
    previous = line.time;
    lines.push_back(std::move(line));
  }
  return lines;
}

ReplayFeeder::ReplayFeeder(std::vector<ReplayLine> lines, std::filesystem::path snap_dir)
    : lines_(std::move(lines)), snap_dir_(std::move(snap_dir)) {}

bool ReplayFeeder::Due(uint32_t now) const {
  return next_ < lines_.size() && static_cast<int32_t>(now - lines_[next_].time) >= 0;
}

std::optional<uint32_t> ReplayFeeder::NextTime() const {
  if (next_ >= lines_.size()) return std::nullopt;
  return lines_[next_].time;
}

bool ReplayFeeder::Next(uint32_t now, const Surface& window, InputEvent& out) {
  while (Due(now)) {
    const ReplayLine& line = lines_[next_++];
    switch (line.action) {
      case ReplayLine::Action::Key:
        out = {InputEvent::Kind::Key, line.vk};
        return true;
      case ReplayLine::Action::Quit:
        out = {InputEvent::Kind::Quit, 0};
        return true;
      case ReplayLine::Action::Input:
        out = line.input;
        return true;
      case ReplayLine::Action::Snap: {
        std::string error;
        std::error_code ignored;
        std::filesystem::create_directories(snap_dir_, ignored);
        if (!SavePngWithSdl(window, snap_dir_ / (line.name + ".png"), error))
          std::cerr << "replay: snapshot " << line.name << ": " << error << '\n';  // the run goes on
        break;
      }
    }
  }
  return false;
}

uint32_t DefaultStopTime(const std::vector<ReplayLine>& lines) {
  if (lines.empty()) return 60000;
  return lines.back().time + 5000;
}

}  // namespace nurumo
