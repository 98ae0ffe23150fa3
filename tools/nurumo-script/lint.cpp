#include "lint.h"

#include <array>
#include <map>
#include <set>
#include <string_view>

#include "core/errors.h"
#include "core/text.h"
#include "platform/audio_midi_file.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "script/script.h"
#include "script/stepper.h"

namespace nurumo {

namespace {

constexpr std::array<std::string_view, 7> kEffectNames = {"NONE",     "NOISE",   "NORMAL", "INVERT",
                                                          "DARKNESS", "ASTITLE", "ENDING"};
constexpr int kMaxLines = decltype(ScriptBuffer::Lines)::kHigh;  // the sentinel needs the last slot
constexpr int kLoaderHighest = 15;
constexpr int kStepperHighest = 9;
constexpr int kListLines = decltype(PageState::ListLines)::kSize;
constexpr int kPageLines = decltype(PageState::PageLines)::kSize;
constexpr int kLastBackground = 18;

// The scripts the flow runs by name: the prologue, the six level scripts
// and the five game overs.
std::vector<std::string> StandardScripts() {
  std::vector<std::string> names = {"0.dat"};
  for (int level = 1; level <= 6; ++level) names.push_back(std::to_string(level) + ".dat");
  for (int param = 1; param <= 5; ++param) names.push_back("d" + std::to_string(param) + ".dat");
  return names;
}

const std::string& Token(const TokenSlots& slots, std::size_t i) {
  static const std::string kEmpty;
  return i < slots.size() ? slots[i] : kEmpty;
}

std::string Quoted(const std::string& cp932) { return "\"" + Cp932ToUtf8(cp932) + "\""; }

struct Script {
  bool loaded = false;
  std::string shown;  // "dat/name" for the report
  std::vector<std::string> lines;
};

class Linter {
 public:
  Linter(const std::filesystem::path& game_dir, TextRasterizer* text) : files_(game_dir), text_(text) {}

  void RunFrom(const std::string& name);
  bool Exists(const std::string& name) const { return files_.Exists("dat\\" + name); }
  void Report(const std::string& shown, int line, const std::string& message) {
    LintProblem problem{shown, line, message};
    if (seen_.insert(FormatProblem(problem)).second) problems_.push_back(std::move(problem));
  }
  static std::string Shown(const std::string& name) { return "dat/" + Cp932ToUtf8(name); }
  std::vector<LintProblem> TakeProblems() { return std::move(problems_); }

 private:
  struct Run {
    const Script* script = nullptr;
    std::size_t next = 0;  // index of the next line
    int list = 0;
    int page = 0;
    std::set<std::string> visited;
  };

  const Script& Load(const std::string& name);
  void LoadLines(Script& script, const std::string& bytes);
  bool Command(Run& run, std::string_view keyword, const TokenSlots& slots, int line);
  bool FileGoto(Run& run, const std::string& target, int line);
  void CheckMidi(const std::string& shown, int line, const std::string& name);
  void PageLine(Run& run, const std::string& text, int line);
  std::string Key(const std::string& name) const { return Utf8Of(files_.Resolve("dat\\" + name)); }

  FileSystem files_;
  TextRasterizer* text_;
  std::map<std::string, Script> scripts_;  // by the file on the disk
  std::set<std::string> pieces_;           // music already checked, by the file on the disk
  std::vector<LintProblem> problems_;
  std::set<std::string> seen_;
};

const Script& Linter::Load(const std::string& name) {
  auto [it, fresh] = scripts_.try_emplace(Key(name));
  Script& script = it->second;
  if (!fresh) return script;
  script.shown = Shown(name);
  std::string bytes, error;
  if (!files_.ReadAll("dat\\" + name, bytes, error)) {
    Report(script.shown, 0, "cannot be read: " + error);
    return script;
  }
  LoadLines(script, bytes);
  return script;
}

// The load-time limits: any of them stops the game's loader with a range
// error, so the script never runs.
void Linter::LoadLines(Script& script, const std::string& bytes) {
  std::vector<std::string> raw = SplitTextLines(bytes);
  for (std::size_t i = 0; i < raw.size(); ++i) {
    int line = static_cast<int>(i) + 1;
    if (line > kMaxLines) {
      Report(script.shown, line, "more than " + std::to_string(kMaxLines) + " lines; the game cannot load this script");
      return;
    }
    try {
      script.lines.push_back(StoreScriptLine(raw[i], true));
    } catch (const RangeError&) {
      TokenSlots pieces;
      bool comments = false;
      try {
        SplitString(CryptLine(raw[i]), "//", pieces, kLoaderHighest);
      } catch (const RangeError&) {
        comments = true;
      }
      Report(script.shown, line,
             std::string(comments ? "more than 15 \"//\" in one line" : "more than 16 words in one line") +
                 "; the game cannot load this script");
      return;
    }
  }
  script.loaded = true;
}

void Linter::RunFrom(const std::string& name) {
  Run run;
  run.script = &Load(name);
  run.visited.insert(Key(name));
  while (run.script->loaded && run.next < run.script->lines.size()) {  // past the end: the sentinel
    const std::string& text = run.script->lines[run.next];
    int line = static_cast<int>(++run.next);
    if (text.empty()) {
      run.page = 0;
      continue;
    }
    TokenSlots slots;
    try {
      TokenizeLine(text, slots, kStepperHighest);
    } catch (const RangeError&) {
      Report(run.script->shown, line, "more than 10 words; the game stops with a range error here");
      run.page = 0;
      continue;
    }
    std::string_view keyword = ScriptKeyword(slots);
    if (keyword.empty()) {
      PageLine(run, text, line);
    } else if (!Command(run, keyword, slots, line)) {
      return;
    }
  }
}

// A MIDI piece the game refuses (the level is silent) or plays only after
// mending it in memory, as the player does with the sloppy files of old.
void Linter::CheckMidi(const std::string& shown, int line, const std::string& name) {
  if (!pieces_.insert(Key(name)).second) return;
  std::string bytes, error;
  uint64_t size = 0;
  if (!files_.ReadHead("dat\\" + name, kLargestMidiFile + 1, bytes, size, error)) {
    Report(shown, line, "#Midi: " + Shown(name) + " cannot be read: " + error);
    return;
  }
  if (!UnwrapRmid(bytes).starts_with("MThd") && !IsMidiName(files_.Resolve("dat\\" + name))) return;  // other music
  const RepairedMidi checked = RepairMidi(bytes);
  if (!checked.problem.empty())
    Report(shown, line, "#Midi: " + Shown(name) + " cannot be played (" + std::string(checked.problem) +
                            "); the music stays silent");
  else if (checked.repaired)
    Report(shown, line, "#Midi: " + Shown(name) +
                            " is not well-formed; the game mends it in memory each time it plays it "
                            "(save it again with a MIDI editor)");
}

void Linter::PageLine(Run& run, const std::string& text, int line) {
  if (text_) {
    int width = text_->MeasureWidth(text, FontSpec{12, true});
    if (width > kPageTextWidth)
      Report(run.script->shown, line,
             "page line is " + std::to_string(width) + " pixels wide; the text area shows " +
                 std::to_string(kPageTextWidth));
  }
  if (++run.page == kPageLines) run.page = 0;
}

// Checks one command; false when the run ends there.
bool Linter::Command(Run& run, std::string_view keyword, const TokenSlots& slots, int line) {
  const std::string& shown = run.script->shown;
  const std::string& word = Token(slots, 1);
  if (keyword == "#End") return false;
  if (keyword == "#FileGoto") return FileGoto(run, word, line);
  if ((keyword == "#Midi" || keyword == "#Wave") && !word.empty() && !Exists(word))
    Report(shown, line, std::string(keyword) + ": " + Shown(word) + " does not exist");
  else if (keyword == "#Midi" && !word.empty())
    CheckMidi(shown, line, word);
  if (keyword == "#SetNuru") {
    try {
      int32_t n = ParseScriptNumber(Token(slots, 0), word);
      if (n < 0 || n > kLastBackground)
        Report(shown, line, "#SetNuru " + std::to_string(n) + ": the pictures are numbered 0 to 18");
    } catch (const ConversionError&) {
      Report(shown, line, "#SetNuru needs a number 0 to 18, not " + Quoted(word));
    }
  }
  if (keyword == "#SetEffect") {
    bool known = false;
    for (std::string_view name : kEffectNames) known = known || word == name;  // names are case-sensitive
    if (!known)
      Report(shown, line,
             "#SetEffect " + Quoted(word) +
                 " is not an effect (NONE NOISE NORMAL INVERT DARKNESS ASTITLE ENDING)");
  }
  if (keyword == "#ListClear") run.list = 0;
  if (keyword == "#ListAdd") {
    if (run.list == kListLines)
      Report(shown, line, "a seventh list line without a #ListClear before it; the game stops with a range error");
    else
      ++run.list;
  }
  return true;
}

bool Linter::FileGoto(Run& run, const std::string& target, int line) {
  if (!Exists(target)) {
    Report(run.script->shown, line, "#FileGoto: " + Shown(target) + " does not exist; the game ends here");
    return true;  // the game reads on in this file until it closes
  }
  if (!run.visited.insert(Key(target)).second) {
    Report(run.script->shown, line,
           "#FileGoto " + Shown(target) + " leads back to a script this run has read; it never ends");
    return false;
  }
  run.script = &Load(target);
  run.next = 0;
  return run.script->loaded;
}

}  // namespace

std::string FormatProblem(const LintProblem& problem) {
  return problem.file + ":" + std::to_string(problem.line) + ": " + problem.message;
}

std::vector<LintProblem> LintGame(const std::filesystem::path& game_dir, TextRasterizer* text) {
  Linter linter(game_dir, text);
  for (const std::string& name : StandardScripts()) {
    if (linter.Exists(name))
      linter.RunFrom(name);
    else
      linter.Report(Linter::Shown(name), 0, "the game runs this script, but there is no such file");
  }
  return linter.TakeProblems();
}

}  // namespace nurumo
