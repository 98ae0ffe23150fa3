// The script stepper: pages, page breaks, the end of a script and the nine
// commands, watched through the page state and the trace.
#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "game/game.h"
#include "script/script.h"
#include "script/stepper.h"
#include "support.h"

namespace nurumo {
namespace {

using Lines = std::vector<std::string>;

constexpr int32_t kFollowUp = 77;  // a state the flow does nothing in, seen in the trace
const std::string kFollowUpEvent = R"({"ev":"state","n":77})";

class Stepper : public ::testing::Test {
 protected:
  Stepper() { h.game.trace.Open(&trace_, [] { return 0u; }); }

  void Write(const std::string& name, const Lines& utf8_lines) {
    std::string bytes;
    for (const std::string& line : utf8_lines) bytes += CryptLine(Sjis(line)) + "\r\n";
    h.dir.Write("dat/" + name, bytes);
  }
  // What the flow does to start a script, without the screen.
  void Run(const Lines& utf8_lines) {
    Write("s.dat", utf8_lines);
    ASSERT_TRUE(LoadScript(h.game, "dat\\s.dat", true));
    ClearList(h.game);
    h.game.page.ScriptEnded = false;
    h.game.page.FollowUpState = kFollowUp;
  }
  Lines Page() const {
    Lines out;
    for (int i = 0; i <= h.game.page.PageLineIndex; ++i) out.push_back(Cp932ToUtf8(h.game.page.PageLines[i]));
    return out;
  }
  Lines List() const {
    Lines out;
    for (int i = 0; i < h.game.page.ListLineCount; ++i) out.push_back(Cp932ToUtf8(h.game.page.ListLines[i]));
    return out;
  }
  // Trace lines of the given events, without their time.
  Lines Events(std::initializer_list<std::string> names) const {
    Lines out;
    std::istringstream in(trace_.str());
    for (std::string line; std::getline(in, line);) {
      line.erase(1, line.find(',') );  // drop "t":N,
      for (const std::string& name : names)
        if (line.rfind("{\"ev\":\"" + name + "\"", 0) == 0) out.push_back(line);
    }
    return out;
  }
  int FollowUps() const { return static_cast<int>(Events({"state"}).size()); }

  testing::HeadlessGame h;
  std::ostringstream trace_;
};

TEST_F(Stepper, FourLinesFillAPageAndEmptyLinesBreakIt) {
  Run({"1", "2", "3", "4", "5", "6", "", "", "", "7", "  8  ", "", "#Foo  bar"});
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"1", "2", "3", "4"}));
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"5", "6"}));
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"7", "  8  "}));  // page text keeps its spacing
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"#Foo  bar"}));  // not a command: shown as text
  EXPECT_EQ(FollowUps(), 0);
  EXPECT_TRUE(h.game.page.ScriptEnded);  // the sentinel ended it
  StepScript(h.game);
  EXPECT_EQ(FollowUps(), 1);
  EXPECT_EQ(Page(), (Lines{"#Foo  bar"}));  // the last page stays for the follow-up state
}

TEST_F(Stepper, EndOnAnEmptyPageGoesStraightOnAndOnAFullOneWaits) {
  struct Case {
    Lines script;
    Lines first_page;
    int follow_ups_after_first_step;
  };
  const Case cases[] = {
      {{"a", "b", "#End", "never"}, {"a", "b"}, 0},
      {{"a", "b", "c", "#End"}, {"a", "b", "c"}, 0},
      {{"#Midi m.mid", "#end"}, {}, 1},  // commands only, then the end: nothing to show
      {{}, {}, 1},
  };
  for (const Case& c : cases) {
    trace_.str("");
    Run(c.script);
    StepScript(h.game);
    EXPECT_EQ(Page(), c.first_page);
    EXPECT_EQ(FollowUps(), c.follow_ups_after_first_step);
    if (c.follow_ups_after_first_step == 1) continue;
    StepScript(h.game);
    EXPECT_EQ(FollowUps(), 1) << c.first_page[0];
    EXPECT_EQ(Page(), c.first_page);
  }
  // Text, empty line, "#End": the second step finds the end on an empty page.
  trace_.str("");
  Run({"a", "", "#END"});
  StepScript(h.game);
  StepScript(h.game);
  EXPECT_EQ(FollowUps(), 1);
  EXPECT_EQ(h.game.page.PageLineIndex, -1);
}

TEST_F(Stepper, OnlyCommandsThenAnEmptyLineGiveAnEmptyPage) {
  Run({"#ListAdd x", "", "text"});
  StepScript(h.game);
  EXPECT_EQ(h.game.page.PageLineIndex, -1);
  EXPECT_EQ(FollowUps(), 0);
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"text"}));
}

TEST_F(Stepper, FileGotoCarriesOnWithTheNewFileInTheSamePage) {
  Write("next.dat", {"c", "d", "e"});
  Run({"#ListAdd x", "a", "b", "#FileGoto next.dat", "never"});
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(List(), (Lines{"x"}));
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"e"}));
}

TEST_F(Stepper, FileGotoToAMissingFileEndsTheGameButFinishesTheStep) {
  Run({"a", "#FileGoto gone.dat", "b", "", "c"});
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"a", "b"}));
  ASSERT_EQ(h.platform.boxes().size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(h.platform.boxes()[0].text), "『dat\\gone.dat』が見つかりません。終了します。");
  EXPECT_TRUE(h.game.terminate);
}

TEST_F(Stepper, FileGotoLoopsWithoutAPageLineAreRefusedAndTheStepGoesOn) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, Lines>> files;  // s.dat first, the one the step starts in
    Lines page;
    const char* loop;  // the files the box names
  };
  const Case cases[] = {
      {"a file that jumps to itself", {{"s.dat", {"#FileGoto s.dat"}}}, {}, "dat\\s.dat → dat\\s.dat"},
      {"files that jump round a ring, one by another name",
       {{"s.dat", {"a", "#FileGoto b.dat"}}, {"b.dat", {"#Midi m.mid", "#FileGoto c.dat"}}, {"c.dat", {"#FileGoto B.DAT"}}},
       {"a"},
       "dat\\b.dat → dat\\c.dat → dat\\B.DAT"},
      {"a loop that only shows boxes", {{"s.dat", {"#ZeroDivide", "#FileGoto s.dat", "after"}}}, {"after"},
       "dat\\s.dat → dat\\s.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& [name, lines] : c.files) Write(name, lines);
    Run(c.files[0].second);
    const std::size_t earlier_boxes = h.platform.boxes().size();
    StepScript(h.game);  // ends: the jump back is refused, the current file is read on
    EXPECT_EQ(Page(), c.page);
    const auto& boxes = h.platform.boxes();
    ASSERT_GT(boxes.size(), earlier_boxes);
    EXPECT_EQ(Cp932ToUtf8(boxes.back().text),
              std::string("#FileGoto が一行も表示しないまま同じファイルに戻ります:\r\n") + c.loop +
                  "\r\nこのジャンプは行いません。");
    EXPECT_EQ(boxes.back().icon, BoxIcon::Error);
    EXPECT_FALSE(h.game.terminate);
  }
}

TEST_F(Stepper, FileGotoChainsThatShowLinesAreNoLoop) {
  Write("b.dat", {"b1", "#FileGoto s.dat"});
  Run({"s1", "#FileGoto b.dat"});
  StepScript(h.game);  // s1 b1 s1 b1: a full page, however often the files repeat
  EXPECT_EQ(Page(), (Lines{"s1", "b1", "s1", "b1"}));
  StepScript(h.game);
  EXPECT_EQ(Page(), (Lines{"s1", "b1", "s1", "b1"}));
  Write("c.dat", {"#FileGoto d.dat"});
  Write("d.dat", {"d1", "", "#FileGoto c.dat"});
  Run({"#FileGoto c.dat"});
  for (int step = 0; step < 4; ++step) StepScript(h.game);  // each file once per step, with an empty line between
  EXPECT_EQ(Page(), (Lines{"d1"}));
  EXPECT_TRUE(h.platform.boxes().empty());
}

TEST_F(Stepper, CommandsReachTheirModulesInScriptOrder) {
  Run({
      "#Midi bgm.mid",
      "#MIDI once.mid x",
      "#midi",
      "#Wave a.wav LOOP",
      "#Wave b.wav loop",
      "#Wave",
      "#SetNuru 7",
      "#SetNuru +3",
      "#SetEffect DARKNESS",
      "#seteffect noise",
      "#ZeroDivide",
      "text",
  });
  StepScript(h.game);
  EXPECT_EQ(Events({"midi", "wave", "wave-stop", "background", "effect", "msgbox"}),
            (Lines{
                R"({"ev":"midi","file":"dat\\bgm.mid","loop":true})",
                R"({"ev":"midi","file":"dat\\once.mid","loop":false})",
                R"({"ev":"wave","file":"dat\\a.wav","loop":true})",
                R"({"ev":"wave","file":"dat\\b.wav","loop":false})",
                R"({"ev":"wave-stop"})",
                R"({"ev":"background","n":7})",
                R"({"ev":"background","n":3})",
                R"({"ev":"effect","name":"DARKNESS"})",
                R"({"ev":"effect","name":"noise"})",
                R"({"ev":"msgbox","caption":"例外 #19937","text":"ゼロによる除算です．\r\nADR = 0000FECD"})",
            }));
  EXPECT_EQ(Page(), (Lines{"text"}));
  EXPECT_EQ(h.game.record.MusicName.str(), "");  // "#Midi" alone stops and forgets the music
  EXPECT_FALSE(h.game.terminate);
}

TEST_F(Stepper, MusicNameIsRememberedCutTo16Bytes) {
  Run({"#Midi abcdefghijklmnopqrst.mid x", "t"});
  StepScript(h.game);
  EXPECT_EQ(h.game.record.MusicName.str(), "abcdefghijklmnop");
  EXPECT_EQ(Events({"midi"}), (Lines{R"({"ev":"midi","file":"dat\\abcdefghijklmnopqrst.mid","loop":false})"}));
}

TEST_F(Stepper, ListLinesTakeOneWordAndSurvivePages) {
  Run({"#ListAdd 一つ目 無視", "#ListAdd", "a", "", "#ListAdd c", "b", "", "#ListClear", "#ListAdd d", "e"});
  StepScript(h.game);
  EXPECT_EQ(List(), (Lines{"一つ目", ""}));
  StepScript(h.game);
  EXPECT_EQ(List(), (Lines{"一つ目", "", "c"}));
  StepScript(h.game);
  EXPECT_EQ(List(), (Lines{"d"}));
}

TEST_F(Stepper, OverfullLinesAndListsAreRangeErrors) {
  Run({"#ListAdd 1", "#ListAdd 2", "#ListAdd 3", "#ListAdd 4", "#ListAdd 5", "#ListAdd 6", "#ListAdd 7"});
  EXPECT_THROW(StepScript(h.game), RangeError);
  EXPECT_EQ(h.game.page.ListLineCount, 6);

  Run({"1 2 3 4 5 6 7 8 9 10", "1 2 3 4 5 6 7 8 9 10 11"});  // the stepper reads 10 words at most
  EXPECT_THROW(StepScript(h.game), RangeError);
  EXPECT_EQ(Page(), (Lines{"1 2 3 4 5 6 7 8 9 10"}));

  ClearPage(h.game);
  for (const char* line : {"a", "b", "c"}) EXPECT_FALSE(AddPageLine(h.game, line));
  EXPECT_TRUE(AddPageLine(h.game, "d"));
  EXPECT_THROW(AddPageLine(h.game, "e"), RangeError);
  EXPECT_EQ(h.game.page.PageLineIndex, 3);  // a failed fifth line leaves the page whole
}

TEST_F(Stepper, SetNuruWithAWordThatIsNoNumberIsAConversionErrorNamingIt) {
  struct Case {
    const char* line;
    const char* text;
  };
  const Case cases[] = {
      {"#SetNuru abc", "『#SetNuru abc』の abc は数ではありません。"},
      {"#setnuru 1x", "『#setnuru 1x』の 1x は数ではありません。"},
      {"#SetNuru 0x10", "『#SetNuru 0x10』の 0x10 は数ではありません。"},
      {"#SetNuru 99999999999", "『#SetNuru 99999999999』の 99999999999 は数ではありません。"},
      {"#SetNuru", "『#SetNuru』に数がありません。"},
  };
  for (const Case& c : cases) {
    Run({c.line, "after"});
    try {
      StepScript(h.game);
      ADD_FAILURE() << c.line;
    } catch (const ConversionError& e) {
      EXPECT_EQ(Cp932ToUtf8(e.text()), c.text);
    }
  }
  EXPECT_TRUE(Events({"background"}).empty());
  StepScript(h.game);  // the game goes on from the next line
  EXPECT_EQ(Page(), (Lines{"after"}));
  for (const char* line : {"#SetNuru 19", "#SetNuru -1"}) {  // numbers, but no such picture
    Run({line});
    EXPECT_THROW(StepScript(h.game), RangeError) << line;
  }
}

}  // namespace
}  // namespace nurumo
