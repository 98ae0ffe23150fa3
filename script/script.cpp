// Script files and the script buffer (MyTextIO, MyCrypt, MyString, MyScript).
#include "script/script.h"

#include "core/serializer.h"

#include "core/errors.h"
#include "core/text.h"
#include "game/game.h"
#include "game/messages.h"
#include "platform/files.h"

namespace nurumo {

namespace {

using LineArray = decltype(ScriptBuffer::Lines);
constexpr char kCipherKey = 0x0B;
constexpr int kLoaderHighest = 15;  // 16 slots for comments and tokens at load time

bool IsBlank(unsigned char c) { return c <= 0x20; }

void RefuseScript(Game& game, const std::string& text) {
  ShowMessage(game, "MyScript", text, BoxIcon::Information);
  RequestTerminate(game);
}

}  // namespace

std::string StoreScriptLine(std::string line, bool unscramble) {
  if (unscramble) line = CryptLine(line);
  TokenSlots slots;
  SplitString(line, "//", slots, kLoaderHighest);
  line = slots[0];
  TokenizeLine(line, slots, kLoaderHighest);
  if (IsAtMark(slots[0], 1)) return slots[0];
  return line;
}

std::vector<std::string> SplitTextLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    if (bytes[start] == '\x1A') break;  // Ctrl+Z at a line start: the old end-of-file mark
    std::size_t end = bytes.find('\n', start);
    std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t cut = (end > start && end < bytes.size() && bytes[end - 1] == '\r') ? end - 1 : end;
    lines.emplace_back(bytes.substr(start, cut - start));
    start = next;
  }
  return lines;
}

bool ReadTextLines(const FileSystem& files, std::string_view cp932_path,
                   std::vector<std::string>& lines) {
  std::string bytes, error;
  if (!files.Exists(cp932_path) || !files.ReadAll(cp932_path, bytes, error)) return false;
  for (std::string& line : SplitTextLines(bytes)) lines.push_back(std::move(line));
  return true;
}

std::string CryptLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (static_cast<unsigned char>(c) >= 0x20) c = static_cast<char>(c ^ kCipherKey);
  return out;
}

void SplitString(std::string_view s, std::string_view separator, TokenSlots& slots, int highest) {
  if (separator.empty()) return;
  slots.assign(static_cast<std::size_t>(highest < 0 ? 0 : highest + 1), std::string());
  std::string text(s);
  text += separator;  // so the text after the last separator is a piece too
  std::size_t pos = 0;
  int n = 0;
  for (;;) {
    std::size_t found = FindCp932(text, separator, pos);
    if (found == std::string::npos) break;
    if (n > highest) throw RangeError();
    slots[static_cast<std::size_t>(n)] = text.substr(pos, found - pos);
    ++n;
    pos = found + separator.size();
  }
}

void TokenizeLine(std::string_view line, TokenSlots& slots, int highest) {
  std::string text = ReplaceAllCp932(line, "\x81\x40", " ");  // full-width space
  text = ReplaceAllCp932(text, "\t", " ");
  while (ContainsCp932(text, "  ")) text = ReplaceAllCp932(text, "  ", " ");
  std::size_t first = 0, last = text.size();
  while (first < last && IsBlank(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && IsBlank(static_cast<unsigned char>(text[last - 1]))) --last;
  SplitString(std::string_view(text).substr(first, last - first), " ", slots, highest);
}

bool IsAtMark(std::string_view s, int position) {
  if (position < 1) return false;
  std::size_t target = static_cast<std::size_t>(position - 1);
  std::size_t i = 0;
  while (i < s.size() && i < target) i += CharLength(s, i);
  return i == target && i < s.size() && CharLength(s, i) == 1 && s[i] == '@';
}

bool IsCommand(std::string_view line, std::string_view keyword, TokenSlots& slots, int highest) {
  TokenizeLine(line, slots, highest);
  return !slots.empty() && UpperAscii(slots[0]) == UpperAscii(keyword);
}

bool LoadScript(Game& game, const std::string& cp932_path, bool unscramble) {
  FileSystem& files = game.platform.Files();
  if (!files.Exists(cp932_path)) {
    game.platform.Note("script not found: " + Utf8Of(files.Resolve(cp932_path)));
    RefuseScript(game, Sjis("『") + cp932_path + Sjis("』が見つかりません。終了します。"));
    return false;
  }
  std::string bytes, error;
  if (!files.ReadAll(cp932_path, bytes, error)) {
    std::string reason;
    if (!TryUtf8ToCp932(error, reason)) reason = error;
    RefuseScript(game, Sjis("『") + cp932_path + Sjis("』を読めません（") + reason +
                           Sjis("）。終了します。"));
    return false;
  }
  // Build the whole script aside first, so a script over the limits leaves
  // the running one intact instead of half overwritten.
  std::vector<std::string> stored;
  for (std::string& line : SplitTextLines(bytes)) {
    if (!LineArray::InRange(static_cast<int>(stored.size()) + 1)) throw RangeError();  // sentinel slot
    stored.push_back(StoreScriptLine(std::move(line), unscramble));
  }
  ScriptBuffer& buffer = game.script;
  int32_t i = 0;
  for (std::string& line : stored) buffer.Lines[i++] = std::move(line);
  buffer.Lines[i] = "#End";  // the sentinel: every script ends
  buffer.ReadPos = 0;
  buffer.LineCount = i + 1;
  return true;
}

std::string ReadScriptLine(Game& game) {
  ScriptBuffer& buffer = game.script;
  if (buffer.ReadPos >= buffer.LineCount) return "#End";
  std::string line = buffer.Lines[buffer.ReadPos];
  buffer.ReadPos = CheckedAdd(buffer.ReadPos, 1);
  return line;
}

void Sync(Serializer& s, ScriptBuffer& script) {
  SyncInRange(s, script.LineCount, 0, 10000, "the script's line count");
  SyncInRange(s, script.ReadPos, 0, 10000, "the script's read position");
  for (int32_t i = 0; i < script.LineCount; ++i) s.Sync(script.Lines[i], 1 << 20);
}

}  // namespace nurumo
