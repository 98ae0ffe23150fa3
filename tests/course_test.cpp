// Whole games, played headless through the window's keys and the frame pump
// over small scripts of our own, checked through the trace.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <sstream>

#include "app/form.h"
#include "core/text.h"
#include "game/flow.h"
#include "game/player.h"
#include "platform/files.h"
#include "script/script.h"
#include "tests/picture_fixtures.h"
#include "timing/pump.h"

namespace nurumo {
namespace {

// A plain BMP of one grey.
std::string Bmp(int w, int h, uint8_t grey) {
  return testing::MakeBmp(w, h, [grey](int, int) { return Bgr{grey, grey, grey}; });
}

class Course : public ::testing::Test {
 protected:
  testing::HeadlessGame h{7};
  Game& game = h.game;
  std::ostringstream trace;

  void SetUp() override {
    game.trace.Open(&trace, [this] { return h.platform.Now(); });
    for (int n = 0; n < 19; ++n)
      h.dir.Write("dat/nuru" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".bmp",
                  Bmp(416, 256, static_cast<uint8_t>(10 * n)));
    h.dir.Write("dat/nurumofont.bmp", Bmp(256, 64, 200));
    h.dir.Write("dat/cursol.bmp", Bmp(256, 32, 90));
    Script("0.dat", {"prologue one", "", "prologue two", "#End"});
    for (int level = 1; level <= 5; ++level)
      Script(std::to_string(level) + ".dat", {"#Midi lv.mid", "opening of a level", "#End"});
    Script("6.dat", {"#SetEffect NORMAL", "epilogue page", "", "the last words", "#End"});
    for (int n = 1; n <= 5; ++n) Script("d" + std::to_string(n) + ".dat", {"it is over", "", "really", "#End"});
    Script("a.dat", {"thanks for playing"});
  }

  void Script(const std::string& name, std::initializer_list<const char*> lines) {
    std::string bytes;
    for (const char* line : lines) bytes += CryptLine(Sjis(line)) + "\r\n";
    h.dir.Write("dat/" + name, bytes);
  }

  void Start() { ASSERT_TRUE(FormCreate(game)); }
  void Pass() {
    PumpPass(game, [this](const InputEvent& e) { DispatchEvent(game, e); });
  }
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 10) {
      h.platform.SetClock(h.platform.Now() + 10);
      Pass();
    }
  }
  void Press(int key) {
    h.platform.PushKey(key);
    Run(10);
  }
  // Press the key, give the typewriter time, until the game reaches the point.
  void PressUntil(int key, const std::function<bool()>& reached, const char* what) {
    for (int tries = 0; tries < 40 && !reached(); ++tries) {
      Press(key);
      Run(400);
    }
    ASSERT_TRUE(reached()) << what << "\n" << trace.str();
  }

  std::string Trace() const { return trace.str(); }
  bool Traced(const std::string& fragment) const { return Trace().find(fragment) != std::string::npos; }
  // Every fragment, in this order.
  void ExpectInOrder(std::initializer_list<std::string> fragments) const {
    std::string t = Trace();
    std::size_t at = 0;
    for (const std::string& f : fragments) {
      std::size_t found = t.find(f, at);
      ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": " << f << "\n" << t;
      at = found + f.size();
    }
  }
  std::string Caption() const { return Cp932ToUtf8(game.caption); }
  bool AtSaveQuestion() const { return game.flow.SavePrompt == "SAVE"; }
  bool MenuOpen() const { return game.flow.FlowState == 22 && game.menu.MenuVisible; }
};

TEST_F(Course, TitlePrologueLevelOneSaveAfterAFailureThenExplore) {
  Start();
  EXPECT_EQ(game.flow.FlowState, 2);
  Run(500);
  Press(vk::kSpace);  // the fade starts
  Press(vk::kEnter);  // ignored during the fade
  Run(2000);
  EXPECT_EQ(Caption(), "Prologue");
  PressUntil(vk::kSpace, [&] { return AtSaveQuestion(); }, "the save question after level 1's script");
  EXPECT_EQ(Caption(), "Level1: in White Room");
  ExpectInOrder({R"("ev":"load","ok":false)", R"("ev":"state","n":1})", R"("ev":"wave","file":"dat\\noise00.wav","loop":true)",
                 R"("ev":"state","n":2})", R"("ev":"wave","file":"dat\\suka.wav","loop":false)",
                 R"("ev":"state","n":5})", R"("ev":"effect","name":"NONE")", R"("text":"Prologue")",
                 R"("ev":"state","n":15})", R"("ev":"midi","file":"dat\\lv.mid")",
                 R"("text":"Level1: in White Room")", R"("ev":"state","n":16})", R"("ev":"state","n":17})"});

  // The first try fails (a folder stands where save.dat goes).
  std::filesystem::path blocker = h.dir.path() / "save.dat";
  std::filesystem::create_directories(blocker / "x");
  Press(vk::kSpace);  // nothing at the question
  EXPECT_EQ(game.flow.SavePrompt, "SAVE");
  Press(vk::kY);
  EXPECT_EQ(game.flow.SavePrompt, "FAILURE");
  EXPECT_TRUE(std::filesystem::is_directory(h.dir.path() / "save.dat"));
  Press(vk::kSpace);
  EXPECT_EQ(game.flow.SavePrompt, "SAVE");
  std::filesystem::remove_all(blocker);
  Press(vk::kY);
  EXPECT_EQ(game.flow.SavePrompt, "SUCCESS");
  ExpectInOrder({R"("ev":"save","ok":false)", R"("file":"dat\\bub.wav")", R"("ev":"save","ok":true)",
                 R"("file":"dat\\hyuun.wav")"});
  EXPECT_EQ(h.dir.Read("save.dat"), testing::SaveFileBytes(1, {30, 25, 20, 15, 10}, 0, "NONE", "lv.mid"));

  Press(vk::kSpace);  // on to the first place
  EXPECT_EQ(game.flow.SavePrompt, "");
  PressUntil(vk::kSpace, [&] { return MenuOpen(); }, "the menu at the start place");
  EXPECT_TRUE(Traced(R"("ev":"node","n":0,"title":"はじまりはゼロから","level":1,"params":[30,25,20,15,10])"));
  const int32_t target = game.choices.ChoiceTargets[1];
  Press(vk::kDown);  // one choice only: the cursor wraps onto itself
  EXPECT_EQ(game.menu.ChoiceCursor, 1);
  Press(vk::kSpace);
  EXPECT_EQ(game.player.Node, target);
  EXPECT_TRUE(Traced(R"("ev":"node","n":)" + std::to_string(target) + ","));
  constexpr std::array<int32_t, 10> kFirstParamChange = {0, 0, 14, -2, 0, -1, 0, 6, -4, 5};  // places 1..9
  EXPECT_EQ(game.player.Params[1], 29 + kFirstParamChange[static_cast<std::size_t>(target)]);
}

TEST_F(Course, ResumedGameLevelsUpAndSkipsTheSave) {
  h.dir.Write("save.dat", testing::SaveFileBytes(1, {90, 25, 20, 15, 10}, 7, "INVERT", "old.mid"));
  Start();
  EXPECT_EQ(Caption(), "Level1: in White Room");
  ExpectInOrder({R"("ev":"load","ok":true)", R"("ev":"state","n":18})", R"("ev":"effect","name":"INVERT")",
                 R"("ev":"midi","file":"dat\\old.mid","loop":true)", R"("ev":"state","n":19})",
                 R"("ev":"node","n":7,"title":"風は","level":1,"params":[95,25,20,15,10],)"
                 R"("choices":[["吹いていない",9],["吹いている★",999]])",
                 R"("text":"Level1: in White Room")"});
  PressUntil(vk::kSpace, [&] { return MenuOpen(); }, "the menu at node 7");
  Press(vk::kUp);  // wraps to the last: the breakthrough
  EXPECT_EQ(game.menu.ChoiceCursor, 2);
  Press(vk::kSpace);
  EXPECT_EQ(Caption(), "Level1 >>>>> 2");
  PressUntil(vk::kSpace, [&] { return game.flow.WaitForX; }, "the level-up page");
  for (int key : {vk::kSpace, vk::kEnter, vk::kY, vk::kN, vk::kDown}) Press(key);
  EXPECT_EQ(game.player.Level, 1);  // only X goes on
  Press(vk::kX);
  EXPECT_EQ(game.player.Level, 2);
  EXPECT_EQ(Caption(), "Level2: Dead-side");
  PressUntil(vk::kSpace, [&] { return AtSaveQuestion(); }, "the save question after level 2's script");
  Press(vk::kN);
  EXPECT_EQ(game.flow.SavePrompt, "");
  ExpectInOrder({R"("ev":"state","n":30})", R"("file":"dat\\open.wav")", R"("ev":"midi-stop")",
                 R"("ev":"effect","name":"DARKNESS")", R"("text":"Level1 >>>>> 2")", R"("ev":"state","n":31})",
                 R"("ev":"state","n":32})", R"("ev":"state","n":15})", R"("ev":"state","n":17})",
                 R"("ev":"state","n":19})", R"("ev":"node","n":0,"title":"はじまりはゼロから","level":2,)"});
  EXPECT_EQ(h.dir.Read("save.dat"), testing::SaveFileBytes(1, {90, 25, 20, 15, 10}, 7, "INVERT", "old.mid"));  // N saves nothing
}

TEST_F(Course, ExhaustedParameterEndsTheGameAndKeepsTheSave) {
  const std::string save = testing::SaveFileBytes(1, {40, 25, 20, 15, 0}, 9, "NORMAL", "");  // 5 counts though not in play
  h.dir.Write("save.dat", save);
  Start();
  EXPECT_FALSE(Traced(R"("ev":"midi")"));  // no music stored, none started
  PressUntil(vk::kSpace, [&] { return Caption() == "Game Over"; }, "the game over");
  EXPECT_FALSE(game.menu.MenuVisible);
  PressUntil(vk::kSpace, [&] { return game.page.ScriptEnded && game.flow.FlowState == 0; }, "the end of d5.dat");
  const std::string before = Trace();
  for (int key : {vk::kSpace, vk::kEnter, vk::kX, vk::kY}) Press(key);
  Run(1000);
  EXPECT_EQ(Trace().find(R"("ev":"state")", before.size()), std::string::npos);  // nothing moves any more
  EXPECT_EQ(h.dir.Read("save.dat"), save);
  ExpectInOrder({R"("ev":"state","n":21})", R"("ev":"state","n":50})", R"("text":"Game Over")"});
  EXPECT_FALSE(Traced(R"("ev":"state","n":22})"));
}

TEST_F(Course, BreakthroughEpilogueAfterwordAndEnding) {
  h.dir.Write("save.dat", testing::SaveFileBytes(5, {90, 90, 90, 90, 90}, 0, "NONE", "lv.mid"));
  h.dir.Write("音声モード.txt", "");
  Start();
  PressUntil(vk::kSpace, [&] { return MenuOpen(); }, "the menu at the start place");
  ASSERT_EQ(game.choices.ChoiceCount, 6);
  Press(vk::kUp);
  Press(vk::kSpace);
  EXPECT_EQ(Caption(), "Level5 >>>>> Breaking Through");
  PressUntil(vk::kSpace, [&] { return game.flow.WaitForX; }, "the breakthrough page");
  Press(vk::kX);
  EXPECT_EQ(Caption(), "Epilogue");
  PressUntil(vk::kSpace, [&] { return game.flow.WaitForX; }, "the last epilogue page");
  EXPECT_EQ(game.flow.SavePrompt, "");  // no save question after the epilogue
  EXPECT_EQ(game.flow.FlowState, 90);
  Press(vk::kSpace);
  EXPECT_EQ(game.flow.FlowState, 90);
  Press(vk::kX);
  EXPECT_EQ(Caption(), "おまけ");
  EXPECT_TRUE(std::filesystem::exists(h.dir.path() / PathOfUtf8("あとがき.txt")));
  for (int i = 0; i < 4; ++i) Press(vk::kSpace);
  Run(500);
  ExpectInOrder({R"("file":"dat\\breakthrough.wav")", R"("text":"Level5 >>>>> Breaking Through")",
                 R"("ev":"state","n":32})", R"("ev":"effect","name":"NORMAL")", R"("text":"Epilogue")",
                 R"("ev":"state","n":16})", R"("lines":["the last words","（Push X Key）"])", R"("ev":"state","n":90})", R"("ev":"msgbox")", R"("text":"おまけ")",
                 R"("ev":"state","n":99})", R"("file":"dat\\nuru0)", R"("ev":"state","n":99})", R"("file":"dat\\nuru0)"});
  EXPECT_EQ(game.flow.FlowState, 99);
  EXPECT_FALSE(Traced(R"("ev":"state","n":17})"));
}

}  // namespace
}  // namespace nurumo
