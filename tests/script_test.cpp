// Script files: line reading, the cipher, splitting, tokens and the loader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "game/game.h"
#include "script/script.h"
#include "support.h"

namespace nurumo {
namespace {

using Lines = std::vector<std::string>;

// A script file as the game ships it: CP932, CR LF, every line scrambled.
std::string Scrambled(const Lines& utf8_lines) {
  std::string out;
  for (const std::string& line : utf8_lines) out += CryptLine(Sjis(line)) + "\r\n";
  return out;
}

Lines Slots(std::string_view s, std::string_view separator, int highest) {
  TokenSlots slots;
  SplitString(s, separator, slots, highest);
  return slots;
}

Lines Tokens(std::string_view utf8, int highest = 15) {
  TokenSlots slots;
  TokenizeLine(Sjis(utf8), slots, highest);
  for (std::string& s : slots) s = Cp932ToUtf8(s);
  return slots;
}

TEST(TextLines, SplitsAtLineEndsAndStopsAtControlZ) {
  struct Case {
    std::string bytes;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},                      // lone LF, no end on the last line
      {"a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},  // empty lines count
      {"a\rb\r\n", {"a\rb"}},                    // a lone CR is text
      {"a\r\n\x1A" "b\r\nc\r\n", {"a"}},          // Ctrl+Z at a line start ends the file
      {"a\x1A" "b\r\n", {"a\x1A" "b"}},           // elsewhere it is a byte like any other
  };
  for (const Case& c : cases) EXPECT_EQ(SplitTextLines(c.bytes), c.lines) << c.bytes;
}

TEST(TextLines, ReadTextLinesAppendsAndReportsMissingFiles) {
  testing::TempDir dir;
  dir.Write("dat/x.txt", "one\r\ntwo\r\n");
  FileSystem files(dir.path());
  Lines lines = {"kept"};
  EXPECT_TRUE(ReadTextLines(files, "dat\\X.TXT", lines));  // letter case as on the home platform
  EXPECT_EQ(lines, (Lines{"kept", "one", "two"}));
  EXPECT_FALSE(ReadTextLines(files, "dat\\none.txt", lines));
  EXPECT_EQ(lines.size(), 3u);
}

TEST(Cipher, IsItsOwnInverseAndLeavesControlBytesAlone) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string once = CryptLine(all);
  ASSERT_EQ(once.size(), all.size());
  EXPECT_EQ(CryptLine(once), all);
  for (int b = 0; b < 256; ++b) {
    auto in = static_cast<unsigned char>(all[b]), out = static_cast<unsigned char>(once[b]);
    if (in < 0x20)
      EXPECT_EQ(out, in);
    else
      EXPECT_EQ(out, in ^ 0x0B) << b;
    EXPECT_EQ(in < 0x20, out < 0x20) << b;
  }
}

TEST(Split, PiecesBetweenSeparators) {
  struct Case {
    std::string s, separator;
    int highest;
    Lines slots;
  };
  const Case cases[] = {
      {"a,b,c", ",", 3, {"a", "b", "c", ""}},
      {"", ",", 2, {"", "", ""}},
      {"a,,b", ",", 2, {"a", "", "b"}},
      {"a///b", "//", 2, {"a", "/b", ""}},  // left to right without overlap
      {"a/", "//", 1, {"a", ""}},           // the trailing slash joins the appended separator
      {"\x95\x5C\\x", "\\", 1, {"\x95\x5C", "x"}},  // never inside a double-byte character
  };
  for (const Case& c : cases) EXPECT_EQ(Slots(c.s, c.separator, c.highest), c.slots) << c.s;
}

TEST(Split, EmptySeparatorLeavesSlotsAndTooManyPiecesIsARangeError) {
  TokenSlots slots = {"x", "y"};
  SplitString("a b", "", slots, 1);
  EXPECT_EQ(slots, (Lines{"x", "y"}));
  EXPECT_THROW(SplitString("a,b,c", ",", slots, 1), RangeError);
  EXPECT_NO_THROW(SplitString("a,b", ",", slots, 1));
}

TEST(Tokens, WhitespaceOfEveryKindSeparatesWords) {
  struct Case {
    std::string line;
    Lines first_three;
  };
  const Case cases[] = {
      {"　#Midi　bgm.mid", {"#Midi", "bgm.mid", ""}},
      {"\t a \t\t b   c  ", {"a", "b", "c"}},
      {"", {"", "", ""}},
      {"   ", {"", "", ""}},
      {"表示　する 文", {"表示", "する", "文"}},
  };
  for (const Case& c : cases) {
    Lines tokens = Tokens(c.line);
    ASSERT_EQ(tokens.size(), 16u);
    EXPECT_EQ(Lines(tokens.begin(), tokens.begin() + 3), c.first_three) << c.line;
  }
  EXPECT_THROW(Tokens("1 2 3 4 5 6 7 8 9 10 11", 9), RangeError);
  EXPECT_EQ(Tokens("1 2 3 4 5 6 7 8 9 10", 9).back(), "10");
}

TEST(Tokens, AtMarkOnlyOnASingleByteCharacter) {
  EXPECT_TRUE(IsAtMark("@abc", 1));
  EXPECT_TRUE(IsAtMark("a@", 2));
  EXPECT_FALSE(IsAtMark("abc", 1));
  EXPECT_FALSE(IsAtMark("\x81\x40", 2));  // second byte of a full-width space is 0x40
  EXPECT_FALSE(IsAtMark("@", 0));
  EXPECT_FALSE(IsAtMark("@", 2));
  EXPECT_FALSE(IsAtMark("", 1));
}

TEST(Tokens, CommandKeywordsIgnoreCaseAndLeaveTheArgumentsInTheSlots) {
  TokenSlots slots;
  EXPECT_TRUE(IsCommand("  #wAVE a.wav LOOP", "#Wave", slots, 9));
  EXPECT_EQ(slots[1], "a.wav");
  EXPECT_EQ(slots[2], "LOOP");
  EXPECT_FALSE(IsCommand("#Waves a.wav", "#Wave", slots, 9));
  EXPECT_FALSE(IsCommand("x #Wave", "#Wave", slots, 9));
}

class Loader : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::string& bytes) { h.dir.Write("dat/" + name, bytes); }
  bool Load(const std::string& name) { return LoadScript(h.game, "dat\\" + name, true); }
  Lines ReadAll() {
    Lines out;
    for (std::string line = ReadScriptLine(h.game); line != "#End"; line = ReadScriptLine(h.game))
      out.push_back(Cp932ToUtf8(line));
    return out;
  }
  testing::HeadlessGame h;
};

TEST_F(Loader, StoresLinesWithoutCommentsAndCutsAtLinesToTheirFirstWord) {
  Write("s.dat", Scrambled({"// note", "abc//def//ghi", "text  //x", "  @abc def", "abc @def",
                            "　@全角 x", "  keep  spaces  "}));
  ASSERT_TRUE(Load("S.DAT"));
  EXPECT_EQ(h.game.script.LineCount, 8);
  EXPECT_EQ(ReadAll(), (Lines{"", "abc", "text  ", "@abc", "abc @def", "@全角", "  keep  spaces  "}));
}

TEST_F(Loader, YieldsEndForeverAfterTheLastLine) {
  EXPECT_EQ(ReadScriptLine(h.game), "#End");  // nothing loaded yet
  Write("e.dat", "");
  ASSERT_TRUE(Load("e.dat"));
  EXPECT_EQ(h.game.script.LineCount, 1);
  Write("s.dat", Scrambled({"a", "#End", "b"}));
  ASSERT_TRUE(Load("s.dat"));
  EXPECT_EQ(ReadScriptLine(h.game), "a");
  EXPECT_EQ(ReadScriptLine(h.game), "#End");
  EXPECT_EQ(ReadScriptLine(h.game), "b");  // the buffer hands out lines; the stepper stops at "#End"
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadScriptLine(h.game), "#End");
  EXPECT_EQ(h.game.script.ReadPos, 4);
}

TEST_F(Loader, ReadsPlainTextWhenNotAskedToUnscramble) {
  Write("p.dat", "plain\nline");
  ASSERT_TRUE(LoadScript(h.game, "dat\\p.dat", false));
  EXPECT_EQ(ReadAll(), (Lines{"plain", "line"}));
}

TEST_F(Loader, LimitsAreRangeErrorsThatLeaveTheRunningScriptAlone) {
  Write("ok.dat", Scrambled({"first", "second"}));
  ASSERT_TRUE(Load("ok.dat"));
  ReadScriptLine(h.game);
  std::string words16, words17, slashes15, slashes16;
  for (int i = 0; i < 16; ++i) words16 += "w ";
  words17 = words16 + "w";
  for (int i = 0; i < 15; ++i) slashes15 += "a//";
  slashes16 = slashes15 + "//";
  const std::string lines9999 = Scrambled(Lines(9999, "x"));
  struct Case {
    std::string bytes;
    bool ok;
  };
  const Case cases[] = {
      {Scrambled({words16}), true},  {Scrambled({words17}), false},
      {Scrambled({slashes15}), true}, {Scrambled({slashes16}), false},
      {lines9999, true},              {lines9999 + Scrambled({"x"}), false},
  };
  for (const Case& c : cases) {
    Write("t.dat", c.bytes);
    if (c.ok) {
      EXPECT_TRUE(Load("t.dat"));
      ASSERT_TRUE(Load("ok.dat"));
      ReadScriptLine(h.game);
    } else {
      EXPECT_THROW(Load("t.dat"), RangeError);
      EXPECT_EQ(h.game.script.LineCount, 3);
      EXPECT_EQ(ReadScriptLine(h.game), "second");
      h.game.script.ReadPos = 1;
    }
  }
  Write("big.dat", lines9999);
  ASSERT_TRUE(Load("big.dat"));
  EXPECT_EQ(h.game.script.LineCount, 10000);
}

TEST_F(Loader, MissingScriptShowsItsBoxEndsTheGameAndKeepsTheBuffer) {
  Write("ok.dat", Scrambled({"first", "second"}));
  ASSERT_TRUE(Load("ok.dat"));
  ReadScriptLine(h.game);
  EXPECT_FALSE(LoadScript(h.game, "dat\\0.dat", true));
  ASSERT_EQ(h.platform.boxes().size(), 1u);
  EXPECT_EQ(h.platform.boxes()[0].caption, "MyScript");
  EXPECT_EQ(Cp932ToUtf8(h.platform.boxes()[0].text), "『dat\\0.dat』が見つかりません。終了します。");
  // The box keeps the game's words; the full path looked for goes to standard error.
  EXPECT_EQ(h.platform.notes(),
            std::vector<std::string>{"script not found: " + (h.game.platform.Files().game_dir() / "dat" / "0.dat").string()});
  EXPECT_TRUE(h.game.terminate);
  EXPECT_EQ(h.game.script.ReadPos, 1);
  EXPECT_EQ(h.game.script.LineCount, 3);
  EXPECT_EQ(ReadScriptLine(h.game), "second");
}

TEST_F(Loader, UnreadableScriptSaysWhyAndEndsTheGame) {
  if (!testing::kHasPermissionBits) GTEST_SKIP() << testing::kNoPermissionBits;
  if (testing::RunsAsSuperuser()) GTEST_SKIP() << "the superuser reads every file";
  Write("locked.dat", Scrambled({"x"}));
  std::filesystem::permissions(h.dir.path() / "dat/locked.dat", std::filesystem::perms::none);
  EXPECT_FALSE(Load("locked.dat"));
  ASSERT_EQ(h.platform.boxes().size(), 1u);
  EXPECT_NE(Cp932ToUtf8(h.platform.boxes()[0].text).find("『dat\\locked.dat』を読めません"),
            std::string::npos);
  EXPECT_TRUE(h.game.terminate);
  EXPECT_EQ(h.game.script.LineCount, 0);
}

}  // namespace
}  // namespace nurumo
