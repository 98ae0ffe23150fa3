// The flow state machine's own decisions: next states, captions, level and
// place, the save question and the X wait.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "core/text.h"
#include "game/flow.h"
#include "game/graph.h"
#include "gfx/page.h"
#include "gfx/screens.h"
#include "script/script.h"
#include "support.h"

namespace nurumo {
namespace {

using testing::HeadlessGame;

struct FlowFixture : ::testing::Test {
  HeadlessGame h;
  Game& game = h.game;
  FlowData& flow = game.flow;
  std::ostringstream trace;

  void SetUp() override {
    game.trace.Open(&trace, [] { return 0u; });
    ResetPlayerData(game);
  }
  SlotCallback Slot1() const {
    return game.timers.TimerSlots.size() > 1 ? game.timers.TimerSlots[1].Callback : nullptr;
  }
  int32_t Slot1Interval() const { return game.timers.TimerSlots.at(1).Interval; }
  std::string Caption() const { return Cp932ToUtf8(game.caption); }
  // A script file as the game stores it: every line scrambled.
  void WriteScript(const std::string& name, std::initializer_list<const char*> lines) {
    std::string bytes;
    for (const char* line : lines) bytes += CryptLine(Sjis(line)) + "\r\n";
    h.dir.Write("dat/" + name, bytes);
  }
  bool Traced(const std::string& fragment) const { return trace.str().find(fragment) != std::string::npos; }
};

TEST(LevelTitle, SevenTitlesAndTheLevelNumberOutsideThem) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "Prologue"},
      {1, "Level1: in White Room"},
      {2, "Level2: Dead-side"},
      {3, "Level3: Project \"Stand Alone\""},
      {4, "Level4: be in the depth of despair"},
      {5, "Level5: She is free from this world."},
      {6, "Epilogue"},
      {7, "Level7"},
      {-1, "Level-1"},
      {2147483647, "Level2147483647"},
  };
  for (auto [level, title] : cases) EXPECT_EQ(LevelTitle(level), title) << level;
}

TEST_F(FlowFixture, StatesOutsideTheTableDoNothing) {
  for (int32_t s : {0, 3, 12, 23, 33, 51, 98, 100, 1000, -1}) {
    flow.TitleCounter = 7;
    GotoState(game, s);
    EXPECT_EQ(flow.FlowState, 0) << s;
    EXPECT_EQ(flow.TitleCounter, s == 0 ? 7 : 0) << s;  // only a real step resets the fade
    EXPECT_EQ(Traced("\"ev\":\"state\",\"n\":" + std::to_string(s) + "}"), s != 0) << s;
  }
}

TEST_F(FlowFixture, TitleThenFade) {
  GotoState(game, 1);
  EXPECT_EQ(flow.FlowState, 2);
  EXPECT_EQ(Slot1(), &TitleStillTick);
  EXPECT_EQ(Slot1Interval(), 100);
  flow.TitleCounter = 4;
  AdvanceFlow(game);  // SPACE on the title
  EXPECT_EQ(flow.FlowState, 0);
  EXPECT_EQ(Slot1(), &TitleFadeTick);
  EXPECT_EQ(flow.TitleCounter, 0);
  AdvanceFlow(game);  // SPACE during the fade: state 0 leaves the counter alone
  EXPECT_EQ(flow.FlowState, 0);
}

TEST_F(FlowFixture, LevelScriptEndAsksToSaveExceptAfterTheEpilogue) {
  game.player.Level = 3;
  GotoState(game, 16);
  EXPECT_EQ(flow.SavePrompt, "SAVE");
  EXPECT_EQ(flow.FlowState, 0);
  EXPECT_EQ(Slot1(), &SaveScreen);
  EXPECT_EQ(Slot1Interval(), 110);
  EXPECT_FALSE(flow.WaitForX);

  HeadlessGame other;
  other.game.player.Level = 6;
  GotoState(other.game, 16);
  EXPECT_TRUE(other.game.flow.SavePrompt.empty());
  EXPECT_TRUE(other.game.flow.WaitForX);
  EXPECT_EQ(other.game.flow.FlowState, 90);
}

TEST_F(FlowFixture, ResumeSetsEffectBuildsThePlaceAndCaptionsTheLevel) {
  game.player.Level = 2;
  game.player.Node = 9;
  game.record.EffectName.assign("INVERT");
  GotoState(game, 18);
  EXPECT_EQ(Caption(), "Level2: Dead-side");
  EXPECT_EQ(flow.FlowState, 21);
  EXPECT_EQ(Slot1(), &ExplorationScreen);
  EXPECT_TRUE(game.panel.PanelDirty);
  EXPECT_FALSE(game.menu.MenuVisible);
  EXPECT_EQ(Cp932ToUtf8(game.NodeTitle), "普通");
  EXPECT_TRUE(Traced(R"("ev":"effect","name":"INVERT")"));
  // The state steps come in order, the caption after the nested ones.
  std::string t = trace.str();
  EXPECT_LT(t.find(R"("n":18})"), t.find(R"("n":19})"));
  EXPECT_LT(t.find(R"("n":20})"), t.find(R"("ev":"node")"));
  EXPECT_LT(t.find(R"("ev":"node")"), t.find(R"("ev":"caption")"));
}

TEST_F(FlowFixture, ResumedLevelOutsideTheTitlesNamesTheNumber) {
  game.player.Level = 9;
  GotoState(game, 18);
  EXPECT_EQ(Caption(), "Level9");
}

TEST_F(FlowFixture, PlaceShownOpensTheMenuOrArmsTheGameOver) {
  game.player.Node = 1;
  GotoState(game, 19);
  ASSERT_EQ(flow.FlowState, 21);
  game.menu.ChoiceCursor = 3;
  AdvanceFlow(game);
  EXPECT_EQ(flow.FlowState, 22);
  EXPECT_TRUE(game.menu.MenuVisible);
  EXPECT_EQ(game.menu.ChoiceCursor, 1);

  game.menu.ChoiceCursor = 2;  // "空気を" -> 7
  AdvanceFlow(game);
  EXPECT_EQ(game.player.Node, 7);
  EXPECT_FALSE(game.menu.MenuVisible);
  EXPECT_EQ(flow.FlowState, 21);

  game.player.Params[1] = 1;  // the next move empties parameter 1
  game.player.Node = 3;       // p1 -1 wear, -2 change
  flow.FlowState = 20;
  AdvanceFlow(game);
  AdvanceFlow(game);
  EXPECT_EQ(flow.FlowState, 50);
  EXPECT_FALSE(game.menu.MenuVisible);
  AdvanceFlow(game);
  EXPECT_EQ(Caption(), "Game Over");
  EXPECT_EQ(game.page.FollowUpState, 0);
}

TEST_F(FlowFixture, GameOverScriptIsThatOfTheFirstEmptyParameter) {
  for (int i = 1; i <= 5; ++i) game.player.Params[i] = 5;
  game.player.Params[4] = 0;
  game.player.Params[2] = 0;
  GotoState(game, 50);  // no dat\d2.dat here: the loader names it and ends the program
  ASSERT_FALSE(h.platform.boxes().empty());
  EXPECT_NE(Cp932ToUtf8(h.platform.boxes().back().text).find("dat\\d2.dat"), std::string::npos);
  EXPECT_TRUE(game.terminate);
  EXPECT_EQ(Slot1(), &PageScreen);
  EXPECT_EQ(Caption(), "Game Over");
  EXPECT_FALSE(SaveGame(game));  // nothing reaches save.dat before the end
  EXPECT_FALSE(std::filesystem::exists(h.dir.path() / "save.dat"));
}

TEST_F(FlowFixture, PlaceOutsideTheGraphLeadsBackToTheStart) {
  game.player.Node = 77;
  GotoState(game, 19);
  AdvanceFlow(game);  // the line is shown
  EXPECT_EQ(flow.FlowState, 22);
  EXPECT_FALSE(game.menu.MenuVisible);
  AdvanceFlow(game);  // SPACE: as if a choice led to 0
  EXPECT_EQ(game.player.Node, 0);
  EXPECT_EQ(Cp932ToUtf8(game.NodeTitle), "はじまりはゼロから");
  EXPECT_EQ(flow.FlowState, 21);
}

TEST_F(FlowFixture, LevelUpCaptionsAndLines) {
  struct Case {
    int32_t level;
    const char* caption;
    const char* wave;
    const char* voice_wave;
  };
  const Case cases[] = {
      {1, "Level1 >>>>> 2", "dat\\\\open.wav", "dat\\\\lvup.wav"},
      {4, "Level4 >>>>> 5", "dat\\\\open.wav", "dat\\\\lvup.wav"},
      {5, "Level5 >>>>> Breaking Through", "dat\\\\open.wav", "dat\\\\breakthrough.wav"},
  };
  for (const Case& c : cases) {
    for (bool voice : {false, true}) {
      HeadlessGame g;
      std::ostringstream out;
      g.game.trace.Open(&out, [] { return 0u; });
      ResetPlayerData(g.game);
      g.game.flow.VoiceMode = voice;
      g.game.player.Level = c.level;
      g.game.record.MusicName.assign("m.mid");
      GotoState(g.game, 30);
      EXPECT_EQ(Cp932ToUtf8(g.game.caption), c.caption);
      EXPECT_EQ(g.game.flow.FlowState, 31);
      EXPECT_EQ(g.game.record.EffectName.str(), "DARKNESS");
      EXPECT_EQ(g.game.record.MusicName.str(), "m.mid");  // stopping keeps the name
      std::string want = std::string(R"("ev":"wave","file":")") + (voice ? c.voice_wave : c.wave) + "\"";
      EXPECT_NE(out.str().find(want), std::string::npos) << c.level << voice << out.str();
      EXPECT_NE(out.str().find(R"("ev":"midi-stop")"), std::string::npos);

      AdvanceFlow(g.game);  // the page is shown: only X goes on
      EXPECT_TRUE(g.game.flow.WaitForX);
      EXPECT_EQ(g.game.flow.FlowState, 32);
    }
  }
}

TEST_F(FlowFixture, RaisingTheLevelRunsTheNextScriptFromTheStartPlace) {
  WriteScript("3.dat", {"first page", "", "second page", "#End"});
  game.player.Level = 2;
  game.player.Node = 28;
  flow.FlowState = 32;
  AdvanceFlow(game);
  EXPECT_EQ(game.player.Level, 3);
  EXPECT_EQ(game.player.Node, 0);
  EXPECT_EQ(Caption(), "Level3: Project \"Stand Alone\"");
  EXPECT_EQ(game.page.FollowUpState, 16);
  EXPECT_EQ(Slot1(), &PageScreen);
  EXPECT_TRUE(Traced(R"("ev":"state","n":15})"));
  EXPECT_EQ(flow.FlowState, 11);  // the first page is being typed
  EXPECT_TRUE(h.platform.boxes().empty());
}

TEST_F(FlowFixture, EndingVoicesNeverRepeatBackToBack) {
  GotoState(game, 90);
  EXPECT_EQ(Caption(), "おまけ");
  EXPECT_EQ(flow.FlowState, 99);
  EXPECT_EQ(flow.LastVoice, -1);
  EXPECT_EQ(Slot1(), &EndingScreen);
  AdvanceFlow(game);  // no voice mode: silent
  EXPECT_EQ(flow.LastVoice, -1);
  EXPECT_EQ(flow.FlowState, 99);

  flow.VoiceMode = true;
  int32_t last = -1;
  std::set<int32_t> heard;
  for (int press = 0; press < 200; ++press) {
    AdvanceFlow(game);
    ASSERT_EQ(flow.FlowState, 99);
    ASSERT_NE(flow.LastVoice, last);
    ASSERT_GE(flow.LastVoice, 1);
    ASSERT_LE(flow.LastVoice, 8);
    last = flow.LastVoice;
    heard.insert(last);
  }
  EXPECT_EQ(heard.size(), 8u);
  EXPECT_TRUE(Traced(R"("ev":"wave","file":"dat\\nuru0)" + std::to_string(last) + ".wav\""));
}

}  // namespace
}  // namespace nurumo
