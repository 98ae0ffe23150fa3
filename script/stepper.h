// The script stepper: turns the script buffer into pages, carrying out the
// commands met on the way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/checked.h"

namespace nurumo {

struct Game;
class Serializer;

struct PageState {
  CheckedArray<std::string, 0, 3> PageLines;
  int32_t PageLineIndex = -1;  // last filled page line; -1 when empty
  CheckedArray<std::string, 0, 5> ListLines;
  int32_t ListLineCount = 0;
  bool ScriptEnded = false;
  int32_t FollowUpState = 0;
};

void Sync(Serializer& s, PageState& page);

void ClearPage(Game& game);
bool AddPageLine(Game& game, const std::string& text);
void ClearList(Game& game);
void AddListLine(Game& game, const std::string& text);
void StepScript(Game& game);

// The command keyword (as the command table spells it) that the tokenised
// line starts with, or "" when the line is page text.
std::string_view ScriptKeyword(const std::vector<std::string>& slots);

// A script's decimal number argument ("12", "-3", "+4"). Anything else is a
// ConversionError whose text names the command and the word.
int32_t ParseScriptNumber(const std::string& keyword, const std::string& word);

}  // namespace nurumo
