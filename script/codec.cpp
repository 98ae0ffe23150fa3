#include "script/codec.h"

#include <cstdint>
#include <cstdio>

#include "core/text.h"
#include "script/script.h"

namespace nurumo {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // what the CP932 reader makes of a bad byte

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

// "LINE:COLUMN: reason" for the character at a byte offset of UTF-8 text.
std::string Where(std::string_view utf8, std::size_t offset) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset && i < utf8.size(); ++i) {
    if (utf8[i] == '\n') {
      ++line;
      column = 1;
    } else if (!IsUtf8Continuation(utf8[i])) {
      ++column;
    }
  }
  return std::to_string(line) + ":" + std::to_string(column) + ": ";
}

// Why the character at a byte offset of the text cannot be written.
std::string Describe(std::string_view utf8, std::size_t offset) {
  auto lead = static_cast<unsigned char>(utf8[offset]);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
  bool valid = length > 0 && offset + length <= utf8.size();
  for (std::size_t i = 1; valid && i < length; ++i) {
    valid = IsUtf8Continuation(utf8[offset + i]);
    code = (code << 6) | (static_cast<unsigned char>(utf8[offset + i]) & 0x3Fu);
  }
  if (!valid) return "bytes that are not UTF-8";
  char hex[16];
  std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
  return std::string(hex) + " \"" + std::string(utf8.substr(offset, length)) +
         "\" has no Shift-JIS (CP932) form";
}

}  // namespace

bool EncodeScriptText(std::string_view utf8, std::string& out_dat, std::string& error,
                      LineEnds ends) {
  if (utf8.substr(0, kByteOrderMark.size()) == kByteOrderMark) utf8.remove_prefix(kByteOrderMark.size());
  std::string text = ends == LineEnds::CrLf ? WithCrLf(utf8) : std::string(utf8);
  std::string cp932;
  std::size_t bad = 0;
  if (!TryUtf8ToCp932(text, cp932, &bad)) {
    error = Where(text, bad) + Describe(text, bad);
    return false;
  }
  out_dat = CryptLine(cp932);  // the cipher leaves line ends alone, so the whole file goes at once
  return true;
}

bool DecodeScriptText(std::string_view dat, std::string& out_utf8, std::string& error) {
  std::string utf8 = Cp932ToUtf8(CryptLine(dat));
  std::size_t bad = utf8.find(kReplacement);
  if (bad != std::string::npos) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < bad; ++i) line += utf8[i] == '\n' ? 1 : 0;
    error = std::to_string(line) + ": bytes that are not CP932 text (is this a script file?)";
    return false;
  }
  out_utf8 = std::move(utf8);
  return true;
}

}  // namespace nurumo
