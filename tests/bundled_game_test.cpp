// The bundled game folder played end to end by the built program, headless,
// checked through its trace: a new game up to its first moves, every level's
// breakthrough from a save, the ending, and every game over.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "game/player.h"
#include "platform/files.h"
#include "script/script.h"
#include "program_runs.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;

using testing::GameFolder;
using testing::kGameDat;
using testing::kProgram;
using testing::Replay;

// --- A small JSON reader, enough for the trace's lines -----------------------

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool flag = false;
  int64_t number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> fields;

  const Json& operator[](std::string_view key) const {
    static const Json missing;
    for (const auto& [name, value] : fields)
      if (name == key) return value;
    return missing;
  }
  const Json& at(std::size_t i) const {
    static const Json missing;
    return i < items.size() ? items[i] : missing;
  }
  std::vector<std::string> Strings() const {
    std::vector<std::string> out;
    for (const Json& item : items) out.push_back(item.text);
    return out;
  }
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  Json Document() {
    Json value = Value();
    Skip();
    if (pos_ != text_.size()) Fail("text after the value");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw std::runtime_error("bad JSON at " + std::to_string(pos_) + ": " + why + " in " + std::string(text_));
  }
  void Skip() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Eat(char c) {
    Skip();
    if (pos_ < text_.size() && text_[pos_] == c) { ++pos_; return true; }
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Fail(std::string("expected '") + c + "'");
  }
  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  Json Value() {
    Skip();
    Json v;
    if (pos_ >= text_.size()) Fail("end of text");
    char c = text_[pos_];
    if (c == '{') {
      v.kind = Json::Kind::Object;
      ++pos_;
      if (Eat('}')) return v;
      do {
        Skip();
        std::string key = String();
        Expect(':');
        v.fields.emplace_back(std::move(key), Value());
      } while (Eat(','));
      Expect('}');
    } else if (c == '[') {
      v.kind = Json::Kind::Array;
      ++pos_;
      if (Eat(']')) return v;
      do v.items.push_back(Value());
      while (Eat(','));
      Expect(']');
    } else if (c == '"') {
      v.kind = Json::Kind::String;
      v.text = String();
    } else if (Word("true")) {
      v.kind = Json::Kind::Bool;
      v.flag = true;
    } else if (Word("false")) {
      v.kind = Json::Kind::Bool;
    } else if (Word("null")) {
    } else {
      v.kind = Json::Kind::Number;
      std::size_t start = pos_;
      if (text_[pos_] == '-') ++pos_;
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      if (pos_ == start) Fail("unexpected character");
      v.number = std::stoll(std::string(text_.substr(start, pos_ - start)));
    }
    return v;
  }

  std::string String() {
    if (pos_ >= text_.size() || text_[pos_] != '"') Fail("expected a string");
    ++pos_;
    std::string out;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (c != '\\') { out += c; continue; }
      if (pos_ >= text_.size()) Fail("cut escape");
      char e = text_[pos_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {  // the trace escapes control characters only
          if (pos_ + 4 > text_.size()) Fail("cut \\u escape");
          long code = std::stol(std::string(text_.substr(pos_, 4)), nullptr, 16);
          pos_ += 4;
          if (code >= 0x80) Fail("\\u escape above ASCII");
          out += static_cast<char>(code);
          break;
        }
        default: out += e;
      }
    }
    if (pos_ >= text_.size()) Fail("unterminated string");
    ++pos_;
    return out;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// --- Running the program -----------------------------------------------------

struct Played {
  int status = -1;
  std::string errors;
  std::vector<Json> events;

  // Index of the first event from `from` on with this "ev" and, if given,
  // this value of one field (a string, or a number given as its text).
  std::size_t Find(std::string_view ev, std::size_t from = 0, std::string_view field = {},
                   std::string_view value = {}) const {
    for (std::size_t i = from; i < events.size(); ++i) {
      if (events[i]["ev"].text != ev) continue;
      if (field.empty()) return i;
      const Json& f = events[i][field];
      if (f.kind == Json::Kind::String ? f.text == value : std::to_string(f.number) == value) return i;
    }
    return npos;
  }
  std::size_t FindState(int n, std::size_t from = 0) const { return Find("state", from, "n", std::to_string(n)); }
  std::size_t FindCaption(std::string_view text, std::size_t from = 0) const {
    return Find("caption", from, "text", text);
  }

  // The flow's course in short, to show beside a failed check.
  std::string Course() const {
    std::string out;
    for (const Json& e : events) {
      const std::string& ev = e["ev"].text;
      if (ev == "state") out += " state " + std::to_string(e["n"].number) + ";";
      else if (ev == "caption") out += " caption '" + e["text"].text + "';";
      else if (ev == "node") out += " node " + std::to_string(e["n"].number) + ";";
      else if (ev == "save" || ev == "load") out += " " + ev + (e["ok"].flag ? " ok;" : " failed;");
      else if (ev == "msgbox") out += " msgbox '" + e["caption"].text + "';";
      else if (ev == "exit") out += " exit in state " + std::to_string(e["state"].number) + ";";
    }
    return "course:" + out + (errors.empty() ? "" : "\nstderr: " + errors);
  }

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
};

// A headless run of the program in the folder, its trace read back.
Played Run(const GameFolder& folder, const Replay& replay, uint32_t until, const std::string& extra) {
  Played run;
  std::string out;
  run.status = folder.Run(replay, until, extra, out);
  run.errors = folder.Read("stderr.txt");
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) run.events.push_back(JsonReader(line).Document());
  return run;
}

Played Play(const GameFolder& folder, const Replay& replay, uint32_t until, const fs::path& snaps = {}) {
  return Run(folder, replay, until, snaps.empty() ? "" : "--snap-dir " + testing::Quoted(snaps));
}

// The game plays itself, as fast as the virtual clock allows.
Played Autoplay(const GameFolder& folder, uint32_t seed, uint32_t until) {
  return Run(folder, Replay(), until, "--autoplay --seed " + std::to_string(seed));
}

const std::array<std::string, 7> kLevelTitles = {
    "Prologue",
    "Level1: in White Room",
    "Level2: Dead-side",
    "Level3: Project \"Stand Alone\"",
    "Level4: be in the depth of despair",
    "Level5: She is free from this world.",
    "Epilogue"};

bool HasText(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (!line.empty()) return true;
  return false;
}

class BundledGame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kProgram)) << kProgram << " is missing: build the nurumo target";
    ASSERT_TRUE(fs::exists(kGameDat / "0.dat")) << kGameDat << " is missing: build the game_content target";
  }
};

// The SPACE presses that page through the title, the prologue and the level 1
// opening; presses that come after the save question is asked do nothing.
Replay ThroughTheOpening(uint32_t last) {
  Replay replay;
  replay.At(500, "SPACE");
  for (uint32_t t = 2500; t <= last; t += 200) replay.At(t, "SPACE");
  return replay;
}

TEST_F(BundledGame, NewGameReadsTheOpeningsAndAsksToSave) {
  GameFolder folder;
  const Played run = Play(folder, ThroughTheOpening(60000), 61000);
  ASSERT_EQ(run.status, 0) << run.Course();
  const std::string course = run.Course();

  const std::size_t load = run.Find("load");
  EXPECT_TRUE(load == Played::npos || !run.events[load]["ok"].flag) << "no save to load, yet one loaded";
  const std::size_t title = run.FindState(1);
  ASSERT_NE(title, Played::npos) << "no title; " << course;
  ASSERT_NE(run.FindState(2, title), Played::npos) << "SPACE on the title did nothing; " << course;
  const std::size_t prologue = run.FindCaption(kLevelTitles[0], title);
  ASSERT_NE(prologue, Played::npos) << "no prologue; " << course;
  const std::size_t first_page = run.Find("page", prologue);
  ASSERT_NE(first_page, Played::npos) << "the prologue shows no page; " << course;
  EXPECT_TRUE(HasText(run.events[first_page]["lines"].Strings())) << "the prologue's first page is empty";

  const std::size_t level1 = run.FindCaption(kLevelTitles[1], prologue);
  ASSERT_NE(level1, Played::npos) << "the prologue never ended in the level 1 opening; " << course;
  const std::size_t level1_page = run.Find("page", level1);
  ASSERT_NE(level1_page, Played::npos) << "the level 1 opening shows no page; " << course;
  EXPECT_TRUE(HasText(run.events[level1_page]["lines"].Strings())) << "the level 1 opening's first page is empty";

  const std::size_t question = run.FindState(17, level1);
  ASSERT_NE(question, Played::npos) << "no save question after the level 1 opening; " << course;
  EXPECT_NE(run.Find("key", question, "key", "SPACE"), Played::npos) << "the replay ended before the question";
  EXPECT_EQ(run.Find("state", question + 1), Played::npos) << "SPACE answered the save question; " << course;
  EXPECT_EQ(run.events.back()["prompt"].text, "SAVE") << course;
}

TEST_F(BundledGame, SavingAtTheQuestionThenExploring) {
  GameFolder folder;
  // Find when the question is asked, then answer it in a second, equal run.
  const Played probe = Play(folder, ThroughTheOpening(60000), 61000);
  const std::size_t question = probe.FindState(17);
  ASSERT_NE(question, Played::npos) << probe.Course();
  const auto asked = static_cast<uint32_t>(probe.events[question]["t"].number);

  Replay replay = ThroughTheOpening(asked);
  replay.At(asked + 300, "Y").Then(300, "SPACE");
  for (int move = 0; move < 6; ++move) replay.Then(250, "SPACE").Then(250, "SPACE");  // line, then choice 1
  const Played run = Play(folder, replay, replay.time() + 1000);
  ASSERT_EQ(run.status, 0) << run.Course();
  const std::string course = run.Course();

  const std::size_t saved = run.Find("save", run.FindState(17));
  ASSERT_NE(saved, Played::npos) << "Y at the question did not save; " << course;
  EXPECT_TRUE(run.events[saved]["ok"].flag) << course;
  const std::string bytes = folder.Read("save.dat");
  ASSERT_EQ(bytes.size(), 84u) << "save.dat";
  std::array<uint8_t, 84> raw{};
  std::copy(bytes.begin(), bytes.end(), raw.begin());
  const SaveRecord record = DecodeSaveRecord(raw);
  EXPECT_EQ(record.Level, 1);
  EXPECT_EQ(record.Params, (std::array<int32_t, 5>{30, 25, 20, 15, 10}));
  EXPECT_EQ(record.Node, 0);
  EXPECT_EQ(record.CheckCode.str(), "NURUMODATArjdzxx");

  ASSERT_NE(run.FindState(19, saved), Played::npos) << "SPACE after the save did not start exploring; " << course;
  std::vector<const Json*> nodes;
  for (std::size_t i = run.Find("node", saved); i != Played::npos; i = run.Find("node", i + 1))
    nodes.push_back(&run.events[i]);
  ASSERT_GE(nodes.size(), 4u) << "too few moves; " << course;
  const Json& start = *nodes[0];
  EXPECT_EQ(start["n"].number, 0) << "the first place of a level";
  EXPECT_EQ(start["title"].text, "はじまりはゼロから");
  EXPECT_EQ(start["level"].number, 1) << "the first place of a level";
  EXPECT_EQ(start["params"].items.size(), 5u);
  EXPECT_EQ(start["params"].at(0).number, 30) << "node 0 gives back the wear of mood 1";
  ASSERT_EQ(start["choices"].items.size(), 1u) << "level 1 offers only the dice at node 0";
  EXPECT_EQ(start["choices"].at(0).at(0).text, "サイコロを振る");
  EXPECT_GE(start["choices"].at(0).at(1).number, 1);
  EXPECT_LE(start["choices"].at(0).at(1).number, 9);
  for (std::size_t i = 1; i < nodes.size(); ++i)  // SPACE alone always takes the first choice
    EXPECT_EQ((*nodes[i])["n"].number, (*nodes[i - 1])["choices"].at(0).at(1).number) << "move " << i;
  EXPECT_EQ(run.events.back()["caption"].text, kLevelTitles[1]);
  EXPECT_EQ(folder.Read("save.dat"), bytes) << "moving must not save";
}

struct Breakthrough {
  int32_t level;
  int32_t node;
  std::size_t star;  // 1-based place of the starred choice in the menu
  std::string label;
  std::string caption;
  std::string first_line;
};

const std::vector<Breakthrough> kBreakthroughs = {
    {1, 7, 2, "吹いている★", "Level1 >>>>> 2", "レベルアップ！"},
    {2, 19, 2, "じぶん★", "Level2 >>>>> 3", "レベルアップ！"},
    {3, 28, 2, "出会う★", "Level3 >>>>> 4", "レベルアップ！"},
    {4, 39, 2, "焼き付ける★", "Level4 >>>>> 5", "レベルアップ！"},
    {5, 0, 6, "突破★", "Level5 >>>>> Breaking Through", "突破！"},
};

// A save just before the level's breakthrough: its mood high enough to stay
// at 85 or more after the wear of the move, the others comfortable.
std::string SaveBeforeBreakthrough(const Breakthrough& b) {
  std::array<int32_t, 5> params = {60, 60, 60, 60, 60};
  params[static_cast<std::size_t>(b.level - 1)] = 90;
  return testing::SaveFileBytes(b.level, params, b.node, "NORMAL", "level" + std::to_string(b.level) + ".mid");
}

// Resume, open the menu, move to the star and take it, read the level-up page
// and leave it with X.
Replay TakeTheStar(const Breakthrough& b) {
  Replay replay;
  replay.At(500, "SPACE");
  for (std::size_t i = 1; i < b.star; ++i) replay.Then(150, "DOWN");
  replay.Then(150, "SPACE").Then(300, "SPACE").Then(300, "X");
  return replay;
}

// Checks the resume, the breakthrough and the level-up page; returns the index
// of the X that left the page, or npos.
std::size_t CheckBreakthrough(const Played& run, const Breakthrough& b) {
  const std::string course = run.Course();
  EXPECT_EQ(run.FindState(1), Played::npos) << "a resumed game showed the title; " << course;
  const std::size_t resumed = run.Find("state");
  if (resumed == Played::npos || run.events[resumed]["n"].number != 18) {
    ADD_FAILURE() << "the save did not resume the game; " << course;
    return Played::npos;
  }
  const std::size_t node = run.Find("node", resumed);
  if (node == Played::npos) { ADD_FAILURE() << "no place built; " << course; return Played::npos; }
  const Json& place = run.events[node];
  EXPECT_EQ(place["n"].number, b.node) << "resumed at another place";
  EXPECT_EQ(place["level"].number, b.level) << "resumed at another level";
  const Json& choices = place["choices"];
  for (std::size_t i = 0; i < choices.items.size(); ++i)
    if (i + 1 != b.star) {
      EXPECT_NE(choices.at(i).at(1).number, 999) << "a second breakthrough choice " << i + 1;
    }
  EXPECT_EQ(choices.at(b.star - 1).at(0).text, b.label) << "the starred choice is not where it belongs";
  EXPECT_EQ(choices.at(b.star - 1).at(1).number, 999);
  EXPECT_NE(run.FindCaption(kLevelTitles[static_cast<std::size_t>(b.level)], resumed), Played::npos) << course;

  const std::size_t levelup = run.FindState(30, node);
  if (levelup == Played::npos) { ADD_FAILURE() << "taking the star did not level up; " << course; return Played::npos; }
  const std::size_t caption = run.Find("caption", levelup);
  EXPECT_TRUE(caption != Played::npos && run.events[caption]["text"].text == b.caption) << course;
  const std::size_t page = run.Find("page", levelup);
  if (page == Played::npos) { ADD_FAILURE() << "no level-up page; " << course; return Played::npos; }
  EXPECT_EQ(run.events[page]["lines"].Strings(), (std::vector<std::string>{b.first_line, "", "（Push X Key）"}));
  const std::size_t x = run.Find("key", page, "key", "X");
  EXPECT_NE(run.FindState(32, x), Played::npos) << "X did not leave the level-up page; " << course;
  return x;
}

TEST_F(BundledGame, EachBreakthroughLeadsIntoTheNextLevel) {
  for (const Breakthrough& b : kBreakthroughs) {
    if (b.level == 5) continue;  // the last one leads into the epilogue, below
    SCOPED_TRACE("level " + std::to_string(b.level));
    GameFolder folder;
    folder.Write("save.dat", SaveBeforeBreakthrough(b));
    Replay replay = TakeTheStar(b);
    replay.Then(1000, "SPACE").Then(300, "SPACE").Then(300, "SPACE");
    const Played run = Play(folder, replay, replay.time() + 1000);
    ASSERT_EQ(run.status, 0) << run.Course();
    const std::size_t x = CheckBreakthrough(run, b);
    if (x == Played::npos) continue;
    const std::string& next_title = kLevelTitles[static_cast<std::size_t>(b.level + 1)];
    const std::size_t next = run.FindCaption(next_title, x);
    ASSERT_NE(next, Played::npos) << "no opening of level " << b.level + 1 << "; " << run.Course();
    EXPECT_NE(run.FindState(15, x), Played::npos);
    const std::size_t page = run.Find("page", next);
    ASSERT_NE(page, Played::npos) << "the next opening shows no page; " << run.Course();
    EXPECT_TRUE(HasText(run.events[page]["lines"].Strings())) << "the next opening's first page is empty";
    EXPECT_EQ(run.events.back()["level"].number, b.level + 1);
    EXPECT_EQ(run.events.back()["node"].number, 0) << "a new level starts at node 0";
  }
}

// The afterword as the game must write it: the unscrambled lines of a.dat.
std::string ExpectedAfterword() {
  std::vector<std::string> lines;
  EXPECT_TRUE(ReadTextLines(FileSystem(kGameDat.parent_path()), "dat\\a.dat", lines));
  std::string text;
  for (const std::string& line : lines) text += CryptLine(line) + "\r\n";
  return text;
}

TEST_F(BundledGame, TheLastBreakthroughEndsTheGame) {
  const Breakthrough& b = kBreakthroughs.back();
  GameFolder folder;
  folder.Write("save.dat", SaveBeforeBreakthrough(b));
  Replay replay = TakeTheStar(b);
  for (int i = 0; i < 100; ++i) replay.Then(200, "SPACE").Then(100, "X");  // X acts only after the last page
  const Played run = Play(folder, replay, replay.time() + 1000);
  ASSERT_EQ(run.status, 0) << run.Course();
  const std::size_t x = CheckBreakthrough(run, b);
  ASSERT_NE(x, Played::npos);
  const std::string course = run.Course();

  const std::size_t epilogue = run.FindCaption(kLevelTitles[6], x);
  ASSERT_NE(epilogue, Played::npos) << "no epilogue; " << course;
  const std::size_t end = run.FindState(90, epilogue);
  ASSERT_NE(end, Played::npos) << "the epilogue never ended; " << course;
  EXPECT_NE(run.Find("effect", epilogue, "name", "ENDING"), Played::npos) << "the epilogue never shows the ending picture";
  std::size_t last_page = Played::npos;
  for (std::size_t i = run.Find("page", epilogue); i < end; i = run.Find("page", i + 1)) last_page = i;
  ASSERT_NE(last_page, Played::npos) << "the epilogue shows no page; " << course;
  const std::vector<std::string> lines = run.events[last_page]["lines"].Strings();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "（Push X Key）") << "the epilogue's last page";
  EXPECT_EQ(run.events[end - 1]["ev"].text, "key");
  EXPECT_EQ(run.events[end - 1]["key"].text, "X") << "only X leaves the epilogue";

  const std::size_t box = run.Find("msgbox", end);
  ASSERT_NE(box, Played::npos) << "no afterword notice; " << course;
  EXPECT_EQ(run.events[box]["caption"].text, "クリア");
  EXPECT_NE(run.events[box]["text"].text.find("あとがき.txt"), std::string::npos);
  EXPECT_NE(run.FindCaption("おまけ", end), Played::npos) << course;
  EXPECT_EQ(run.events.back()["caption"].text, "おまけ");
  EXPECT_EQ(run.events.back()["state"].number, 99) << "the ending screen waits for SPACE";

  const std::string afterword = folder.Read("あとがき.txt");
  EXPECT_GT(afterword.size(), 100u) << "the afterword is missing or nearly empty";
  EXPECT_EQ(Cp932ToUtf8(afterword).find("\xEF\xBF\xBD"), std::string::npos) << "the afterword is not CP932";
  EXPECT_EQ(afterword, ExpectedAfterword());
}

TEST_F(BundledGame, EachExhaustedMoodHasItsGameOver) {
  std::map<std::string, int> first_pages;
  for (int32_t k = 1; k <= 5; ++k) {
    SCOPED_TRACE("mood " + std::to_string(k));
    GameFolder folder;
    std::array<int32_t, 5> params = {60, 60, 60, 60, 60};
    params[static_cast<std::size_t>(k - 1)] = 1;  // the wear of the next move empties it
    const std::string save = testing::SaveFileBytes(5, params, 18, "NORMAL", "level5.mid");  // node 18 only wears
    folder.Write("save.dat", save);
    Replay replay;
    replay.At(500, "SPACE").Then(300, "SPACE");
    for (int i = 0; i < 40; ++i) replay.Then(200, "SPACE");
    const Played run = Play(folder, replay, replay.time() + 1000);
    ASSERT_EQ(run.status, 0) << run.Course();
    const std::string course = run.Course();

    const std::size_t node = run.Find("node");
    ASSERT_NE(node, Played::npos) << course;
    EXPECT_EQ(run.events[node]["n"].number, 18) << "resumed at another place";
    for (std::size_t i = 0; i < 5; ++i)
      EXPECT_EQ(run.events[node]["params"].at(i).number, i + 1 == static_cast<std::size_t>(k) ? 0 : 59)
          << "mood " << i + 1 << " after the move";
    EXPECT_EQ(run.FindState(22), Played::npos) << "the menu opened with a mood at zero; " << course;
    const std::size_t over = run.FindState(50, node);
    ASSERT_NE(over, Played::npos) << "SPACE did not start the game over; " << course;
    const std::size_t caption = run.FindCaption("Game Over", over);
    ASSERT_NE(caption, Played::npos) << course;
    const std::size_t page = run.Find("page", caption);
    ASSERT_NE(page, Played::npos) << "the game over shows no page; " << course;
    const std::vector<std::string> lines = run.events[page]["lines"].Strings();
    EXPECT_TRUE(HasText(lines)) << "the game over's first page is empty";
    std::string joined;
    for (const std::string& line : lines) joined += line + "\n";
    first_pages[joined] = k;

    // At rest: the presses after the script's end change nothing.
    std::size_t last_step = over;
    for (std::size_t i = over; i < run.events.size(); ++i) {
      const std::string& ev = run.events[i]["ev"].text;
      if (ev == "state" || ev == "page" || ev == "caption" || ev == "node" || ev == "save") last_step = i;
    }
    int presses_after = 0;
    for (std::size_t i = run.Find("key", last_step + 1, "key", "SPACE"); i != Played::npos;
         i = run.Find("key", i + 1, "key", "SPACE"))
      ++presses_after;
    EXPECT_GE(presses_after, 4) << "the game over script never ended; " << course;
    EXPECT_EQ(run.events.back()["state"].number, 0);
    EXPECT_EQ(run.events.back()["caption"].text, "Game Over");
    EXPECT_EQ(run.Find("msgbox"), Played::npos) << "a box during the game over; " << course;
    EXPECT_EQ(folder.Read("save.dat"), save) << "the game over touched save.dat";
  }
  EXPECT_EQ(first_pages.size(), 5u) << "two moods share a game-over page";
}

// The node line of the place built last before event `before`, or npos.
std::size_t LastNodeBefore(const Played& run, std::size_t before) {
  for (std::size_t i = before; i-- > 0;)
    if (run.events[i]["ev"].text == "node") return i;
  return Played::npos;
}

constexpr uint32_t kAutoplaySeed = 1;  // a game the careful player finishes with this content

// With no save and no key pressed by anyone, the game plays itself from the
// title through every level, the epilogue and the afterword to the ending.
TEST_F(BundledGame, AutoplayPlaysAWholeGameFromTheTitleToTheEnding) {
  GameFolder folder;
  const Played run = Autoplay(folder, kAutoplaySeed, 20000);
  ASSERT_EQ(run.status, 0) << run.Course();
  const std::string course = run.Course();
  ASSERT_NE(run.FindState(1), Played::npos) << "no title; " << course;
  std::size_t at = run.FindState(2);
  ASSERT_NE(at, Played::npos) << "nobody pressed SPACE on the title; " << course;
  at = run.FindCaption(kLevelTitles[0], at);
  ASSERT_NE(at, Played::npos) << "no prologue; " << course;

  for (const Breakthrough& b : kBreakthroughs) {
    SCOPED_TRACE("level " + std::to_string(b.level));
    at = run.FindCaption(kLevelTitles[static_cast<std::size_t>(b.level)], at);
    ASSERT_NE(at, Played::npos) << "the level never began; " << course;
    const std::size_t saved = run.Find("save", at);
    ASSERT_NE(saved, Played::npos) << "the save question was not answered Y; " << course;
    EXPECT_TRUE(run.events[saved]["ok"].flag);
    const std::size_t levelup = run.FindState(30, saved);
    ASSERT_NE(levelup, Played::npos) << "no breakthrough; a mood ran out? " << course;
    const std::size_t place = LastNodeBefore(run, levelup);
    ASSERT_NE(place, Played::npos);
    EXPECT_EQ(run.events[place]["n"].number, b.node) << "the breakthrough at another place";
    EXPECT_EQ(run.events[place]["choices"].at(b.star - 1).at(0).text, b.label);
    EXPECT_EQ(run.events[run.Find("caption", levelup)]["text"].text, b.caption);
    const std::size_t page = run.Find("page", levelup);
    ASSERT_NE(page, Played::npos);
    EXPECT_EQ(run.events[page]["lines"].Strings(),
              (std::vector<std::string>{b.first_line, "", "（Push X Key）"}));
    EXPECT_NE(run.FindState(32, page), Played::npos) << "X did not leave the level-up page";
    at = levelup;
  }

  const std::size_t epilogue = run.FindCaption(kLevelTitles[6], at);
  ASSERT_NE(epilogue, Played::npos) << "no epilogue; " << course;
  const std::size_t end = run.FindState(90, epilogue);
  ASSERT_NE(end, Played::npos) << "the epilogue never ended; " << course;
  EXPECT_EQ(run.events[end - 1]["key"].text, "X") << "only X leaves the epilogue";
  const std::size_t box = run.Find("msgbox", end);
  ASSERT_NE(box, Played::npos) << "no afterword notice; " << course;
  EXPECT_EQ(run.events[box]["caption"].text, "クリア");
  EXPECT_NE(run.FindCaption("おまけ", end), Played::npos) << course;
  EXPECT_EQ(run.events.back()["state"].number, 99) << "the game rests on the ending screen";
  EXPECT_EQ(run.events.back()["level"].number, 6);
  for (std::size_t i = run.Find("msgbox"); i < box; i = run.Find("msgbox", i + 1))
    EXPECT_EQ(run.events[i]["caption"].text, "例外 #19937")
        << "a box other than the script's own: " << course;
  EXPECT_EQ(folder.Read("あとがき.txt"), ExpectedAfterword());

  const std::string bytes = folder.Read("save.dat");
  ASSERT_EQ(bytes.size(), 84u);
  std::array<uint8_t, 84> raw{};
  std::copy(bytes.begin(), bytes.end(), raw.begin());
  EXPECT_EQ(DecodeSaveRecord(raw).Level, 5) << "the last save is the one after level 5's opening";
}

}  // namespace
}  // namespace nurumo
