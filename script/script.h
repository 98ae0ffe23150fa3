// Script files and the script buffer: reading, the line cipher, splitting,
// tokens and the loader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/checked.h"

namespace nurumo {

struct Game;
class FileSystem;
class Serializer;

struct ScriptBuffer {
  CheckedArray<std::string, 0, 9999> Lines;
  int32_t ReadPos = 0;
  int32_t LineCount = 0;
};

// The lines that can still be handed out (0..LineCount-1) and the position;
// slots past LineCount are never read again and come back empty.
void Sync(Serializer& s, ScriptBuffer& script);

// Token slots; the caller chooses the highest index (15 for the loader, 9
// for the stepper). SplitString and TokenizeLine resize them to fit.
using TokenSlots = std::vector<std::string>;

// Append the lines of a text file (CR LF or LF; 0x1A at a line start ends
// the file) to `lines`. False on any input/output failure.
bool ReadTextLines(const FileSystem& files, std::string_view cp932_path, std::vector<std::string>& lines);

// Split raw file bytes into lines by the same rules.
std::vector<std::string> SplitTextLines(std::string_view bytes);

std::string CryptLine(std::string_view s);
void SplitString(std::string_view s, std::string_view separator, TokenSlots& slots, int highest);
void TokenizeLine(std::string_view line, TokenSlots& slots, int highest);
bool IsAtMark(std::string_view s, int position);
bool IsCommand(std::string_view line, std::string_view keyword, TokenSlots& slots, int highest);

// One text line of a script file as the loader stores it: unscrambled if
// asked, the comment cut off, an "@" line cut to its first word. Past 16
// pieces or 16 words it is a RangeError.
std::string StoreScriptLine(std::string line, bool unscramble);

bool LoadScript(Game& game, const std::string& cp932_path, bool unscramble);
std::string ReadScriptLine(Game& game);

}  // namespace nurumo
