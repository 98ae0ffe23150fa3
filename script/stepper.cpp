// The script stepper: fills one page per step and carries out the commands
// met on the way.
#include "script/stepper.h"

#include "core/serializer.h"

#include <array>
#include <cstdint>
#include <filesystem>
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

// The files one step has entered by "#FileGoto" since it last put a line on
// the page. Entering one of them again means that the lines from there on
// lead back to it without a page line, an empty line or "#End" on the way:
// the step would run round that loop for ever.
struct Jumps {
  std::vector<std::filesystem::path> files;  // as found on the disk
  std::vector<std::string> names;            // as the script wrote them (CP932)
};

using Handler = Then (*)(Game&, const TokenSlots&, Jumps&);

// The error box for a loop of jumps: the files of the loop in their order,
// the repeated one at both ends.
void RefuseLoop(Game& game, const Jumps& jumps, std::size_t first, const std::string& again) {
  std::string loop;
  for (std::size_t i = first; i < jumps.names.size(); ++i) loop += jumps.names[i] + Sjis(" → ");
  loop += again;
  ShowError(game, GameError(Sjis("#FileGoto が一行も表示しないまま同じファイルに戻ります:\r\n") + loop +
                            Sjis("\r\nこのジャンプは行いません。")));
}

Then End(Game& game, const TokenSlots&, Jumps&) {
  game.page.ScriptEnded = true;
  if (game.page.PageLineIndex == -1) StepScript(game);  // nothing to show: straight on to the follow-up
  return Then::EndStep;
}

Then FileGoto(Game& game, const TokenSlots& slots, Jumps& jumps) {
  const std::string path = "dat\\" + Token(slots, 1);
  const std::filesystem::path file = game.platform.Files().Resolve(path);
  for (std::size_t i = 0; i < jumps.files.size(); ++i) {
    if (jumps.files[i] != file) continue;
    RefuseLoop(game, jumps, i, path);  // then read on here, as after a jump to a missing file
    return Then::Continue;
  }
  if (LoadScript(game, path, true)) {  // a missing file ends the game; read on meanwhile
    jumps.files.push_back(file);
    jumps.names.push_back(path);
  }
  return Then::Continue;
}

Then Midi(Game& game, const TokenSlots& slots, Jumps&) {
  const std::string& name = Token(slots, 1);
  game.record.MusicName.assign(name);  // the save record keeps only 16 bytes; the music plays in full
  if (name.empty())
    StopMidi(game);
  else
    PlayMidi(game, "dat\\" + name, Token(slots, 2).empty());
  return Then::Continue;
}

Then Wave(Game& game, const TokenSlots& slots, Jumps&) {
  const std::string& name = Token(slots, 1);
  if (name.empty())
    StopWave(game);
  else
    PlayWave(game, "dat\\" + name, Token(slots, 2) == "LOOP");  // "loop" plays once: case matters here
  return Then::Continue;
}

Then SetNuru(Game& game, const TokenSlots& slots, Jumps&) {
  SetBackground(game, ParseScriptNumber(Token(slots, 0), Token(slots, 1)));
  return Then::Continue;
}

Then Effect(Game& game, const TokenSlots& slots, Jumps&) {
  SetEffect(game, Token(slots, 1));
  return Then::Continue;
}

Then ListClear(Game& game, const TokenSlots&, Jumps&) {
  ClearList(game);
  return Then::Continue;
}

Then ListAdd(Game& game, const TokenSlots& slots, Jumps&) {
  AddListLine(game, Token(slots, 1));
  return Then::Continue;
}

Then ZeroDivide(Game& game, const TokenSlots&, Jumps&) {
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
  Jumps jumps;
  for (;;) {
    std::string line = ReadScriptLine(game);
    if (line.empty()) {
      if (read_something) return;  // an empty line closes the page
      continue;                    // a run of empty lines is one page break
    }
    read_something = true;
    TokenizeLine(line, slots, kStepperHighest);
    if (const Command* command = FindCommand(slots)) {
      if (command->run(game, slots, jumps) == Then::EndStep) return;
      continue;
    }
    if (AddPageLine(game, line)) return;
    jumps = {};  // a line on the page: a jump back to a file read before is no loop
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
