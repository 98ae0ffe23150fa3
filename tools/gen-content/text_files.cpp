// Scripts, sayings and voice lines: UTF-8 sources to the game's CP932 files.
#include <cstddef>

#include "core/text.h"
#include "gen.h"
#include "script/script.h"

namespace nurumo::gen {

namespace {

// The source split at LF, a CR before it dropped, a BOM at the start
// dropped; a final line end does not make an extra empty line.
std::vector<std::string> SourceLines(std::string_view utf8) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < utf8.size()) {
    std::size_t end = utf8.find('\n', start);
    if (end == std::string_view::npos) end = utf8.size();
    std::string_view line = utf8.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

// Characters (not bytes) before `offset`, counted from 1.
std::size_t ColumnOf(std::string_view utf8, std::size_t offset) {
  std::size_t column = 1;
  for (std::size_t i = 0; i < offset && i < utf8.size(); ++i)
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++column;
  return column;
}

std::string CharacterAt(std::string_view utf8, std::size_t offset) {
  std::size_t end = offset + 1;
  while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) ++end;
  return std::string(utf8.substr(offset, end - offset));
}

std::string ToCp932(std::string_view utf8_line, const std::string& source_name, std::size_t line_number) {
  std::string out;
  std::size_t bad = 0;
  if (!TryUtf8ToCp932(utf8_line, out, &bad))
    throw ContentError(source_name + ":" + std::to_string(line_number) + ":" +
                       std::to_string(ColumnOf(utf8_line, bad)) + ": the character \"" +
                       CharacterAt(utf8_line, bad) + "\" has no CP932 form");
  return out;
}

}  // namespace

Bytes EncodeTextFile(std::string_view utf8, const std::string& source_name, bool scramble) {
  Bytes out;
  std::size_t number = 0;
  for (const std::string& line : SourceLines(utf8)) {
    std::string cp932 = ToCp932(line, source_name, ++number);
    out += scramble ? CryptLine(cp932) : cp932;
    out += "\r\n";
  }
  return out;
}

std::vector<VoiceLine> ParseVoices(std::string_view utf8, const std::string& source_name) {
  std::vector<VoiceLine> voices;
  std::size_t number = 0;
  for (const std::string& line : SourceLines(utf8)) {
    ++number;
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;  // blank or a comment
    std::size_t colon = line.find(':');
    if (colon == std::string::npos)
      throw ContentError(source_name + ":" + std::to_string(number) + ": expected \"name: kana text\"");
    std::string name = line.substr(first, colon - first);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    std::string kana = line.substr(colon + 1);
    std::size_t text_start = kana.find_first_not_of(" \t");
    kana = text_start == std::string::npos ? "" : kana.substr(text_start);
    bool plain = !name.empty();
    for (char c : name)
      plain = plain && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
    if (!plain || kana.empty())
      throw ContentError(source_name + ":" + std::to_string(number) +
                         ": a voice needs a name of a-z, 0-9 and _ and a text");
    voices.push_back({name, kana});
  }
  return voices;
}

}  // namespace nurumo::gen
