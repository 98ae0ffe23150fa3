// The script stepper: fills one page per step and carries out the commands
// met on the way.
#include "script/stepper.h"

#include "core/serializer.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "core/errors.h"
#include "core/text.h"
#include "game/flow.h"
#include "game/game.h"
#include "game/messages.h"
#include "gfx/assets.h"
#include "gfx/effects.h"
#include "gfx/page.h"
#include "script/script.h"
#include "sound/midi.h"
#include "sound/wave.h"

namespace nurumo {

namespace {

constexpr int kStepperHighest = 9;  // the stepper reads at most 10 words a line

const std::string& Token(const TokenSlots& slots, std::size_t i) {
  static const std::string kEmpty;
  return i < slots.size() ? slots[i] : kEmpty;
}

// What the step does after a command.
enum class Then { Continue, EndStep };

using Handler = Then (*)(Game&, const TokenSlots&);

Then End(Game& game, const TokenSlots&) {
  game.page.ScriptEnded = true;
  if (game.page.PageLineIndex == -1) StepScript(game);  // nothing to show: straight on to the follow-up
  return Then::EndStep;
}

Then FileGoto(Game& game, const TokenSlots& slots) {
  LoadScript(game, "dat\\" + Token(slots, 1), true);  // a missing file ends the game; read on meanwhile
  return Then::Continue;
}

Then Midi(Game& game, const TokenSlots& slots) {
  const std::string& name = Token(slots, 1);
  game.record.MusicName.assign(name);  // the save record keeps only 16 bytes; the music plays in full
  if (name.empty())
    StopMidi(game);
  else
    PlayMidi(game, "dat\\" + name, Token(slots, 2).empty());
  return Then::Continue;
}

Then Wave(Game& game, const TokenSlots& slots) {
  const std::string& name = Token(slots, 1);
  if (name.empty())
    StopWave(game);
  else
    PlayWave(game, "dat\\" + name, Token(slots, 2) == "LOOP");  // "loop" plays once: case matters here
  return Then::Continue;
}

Then SetNuru(Game& game, const TokenSlots& slots) {
  SetBackground(game, ParseScriptNumber(Token(slots, 0), Token(slots, 1)));
  return Then::Continue;
}

Then Effect(Game& game, const TokenSlots& slots) {
  SetEffect(game, Token(slots, 1));
  return Then::Continue;
}

Then ListClear(Game& game, const TokenSlots&) {
  ClearList(game);
  return Then::Continue;
}

Then ListAdd(Game& game, const TokenSlots& slots) {
  AddListLine(game, Token(slots, 1));
  return Then::Continue;
}

Then ZeroDivide(Game& game, const TokenSlots&) {
  ShowMessage(game, Sjis("例外 #19937"), Sjis("ゼロによる除算です．\r\nADR = 0000FECD"),
              BoxIcon::Information);  // only the box: nothing is divided
  return Then::Continue;
}

struct Command {
  std::string_view keyword;
  Handler run;
};

// Tested in this order; the first keyword that matches applies.
constexpr std::array<Command, 9> kCommands = {{
    {"#End", End},
    {"#FileGoto", FileGoto},
    {"#Midi", Midi},
    {"#Wave", Wave},
    {"#SetNuru", SetNuru},
    {"#SetEffect", Effect},
    {"#ListClear", ListClear},
    {"#ListAdd", ListAdd},
    {"#ZeroDivide", ZeroDivide},
}};

const Command* FindCommand(const TokenSlots& slots) {
  std::string first = UpperAscii(Token(slots, 0));
  for (const Command& command : kCommands)
    if (first == UpperAscii(command.keyword)) return &command;
  return nullptr;
}

}  // namespace

std::string_view ScriptKeyword(const TokenSlots& slots) {
  const Command* command = FindCommand(slots);
  return command ? command->keyword : std::string_view();
}

int32_t ParseScriptNumber(const std::string& keyword, const std::string& word) {
  std::string_view digits = word;
  bool negative = !digits.empty() && digits[0] == '-';
  if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
  int64_t value = 0;
  bool ok = !digits.empty() && digits.size() <= 10;  // more digits cannot fit 32 bits
  for (char c : digits) {
    if (c < '0' || c > '9') ok = false;
    if (!ok) break;
    value = value * 10 + (c - '0');
  }
  if (ok && negative) value = -value;
  if (ok && (value < INT32_MIN || value > INT32_MAX)) ok = false;
  if (!ok) {
    if (word.empty()) throw ConversionError(Sjis("『") + keyword + Sjis("』に数がありません。"));
    throw ConversionError(Sjis("『") + keyword + " " + word + Sjis("』の ") + word +
                          Sjis(" は数ではありません。"));
  }
  return static_cast<int32_t>(value);
}

void ClearPage(Game& game) {
  game.page.PageLineIndex = -1;
  ResetReveal(game);
}

bool AddPageLine(Game& game, const std::string& text) {
  PageState& page = game.page;
  int32_t next = CheckedAdd(page.PageLineIndex, 1);
  page.PageLines[next] = text;  // a fifth line fails here and leaves the page as it was
  page.PageLineIndex = next;
  return page.PageLineIndex >= 3;
}

void ClearList(Game& game) { game.page.ListLineCount = 0; }

void AddListLine(Game& game, const std::string& text) {
  PageState& page = game.page;
  page.ListLines[page.ListLineCount] = text;  // a seventh line fails here
  page.ListLineCount = CheckedAdd(page.ListLineCount, 1);
}

void StepScript(Game& game) {
  if (game.page.ScriptEnded) {
    GotoState(game, game.page.FollowUpState);  // the last page stays for the follow-up state
    return;
  }
  ClearPage(game);
  bool read_something = false;
  TokenSlots slots;
  for (;;) {
    std::string line = ReadScriptLine(game);
    if (line.empty()) {
      if (read_something) return;  // an empty line closes the page
      continue;                    // a run of empty lines is one page break
    }
    read_something = true;
    TokenizeLine(line, slots, kStepperHighest);
    if (const Command* command = FindCommand(slots)) {
      if (command->run(game, slots) == Then::EndStep) return;
      continue;
    }
    if (AddPageLine(game, line)) return;
  }
}

void Sync(Serializer& s, PageState& page) {
  SyncStrings(s, page.PageLines, 1 << 20);
  SyncInRange(s, page.PageLineIndex, -1, 3, "the page line index");
  SyncStrings(s, page.ListLines, 1 << 20);
  SyncInRange(s, page.ListLineCount, 0, 6, "the list line count");
  s.Sync(page.ScriptEnded);
  s.Sync(page.FollowUpState);
}

}  // namespace nurumo
