// nurumo-script: the text codec, the checker and the program itself.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "lint.h"
#include "platform/devices.h"
#include "script/codec.h"
#include "script/script.h"
#include "support.h"
#include "tests/sound_fixtures.h"

namespace nurumo {
namespace {

using Lines = std::vector<std::string>;

std::string Encoded(std::string_view utf8, LineEnds ends = LineEnds::Keep) {
  std::string out, error;
  EXPECT_TRUE(EncodeScriptText(utf8, out, error, ends)) << error;
  return out;
}

TEST(Codec, EncodeThenDecodeGivesTheTextBackByteForByte) {
  const std::string texts[] = {
      "",
      "ぬるも。\r\n#Midi bgm.mid\r\n\r\n　全角の空白\tタブ\r\n",
      "lf only\nno end on the last line",
      "～①髙 \\ // comment\r\n@mark x\r\n",
  };
  for (const std::string& text : texts) {
    std::string dat = Encoded(text), back, error;
    EXPECT_EQ(dat, CryptLine(Sjis(text)));
    ASSERT_TRUE(DecodeScriptText(dat, back, error)) << error;
    EXPECT_EQ(back, text);
  }
}

TEST(Codec, EncodedScriptsLoadAsTheGameReadsThem) {
  testing::HeadlessGame h;
  h.dir.Write("dat/s.dat", Encoded("\xEF\xBB\xBF一行目\nb // note\n", LineEnds::CrLf));  // byte-order mark dropped
  EXPECT_EQ(h.dir.Read("dat/s.dat"), CryptLine(Sjis("一行目\r\nb // note\r\n")));
  ASSERT_TRUE(LoadScript(h.game, "dat\\s.dat", true));
  EXPECT_EQ(Cp932ToUtf8(ReadScriptLine(h.game)), "一行目");
  EXPECT_EQ(ReadScriptLine(h.game), "b ");
  EXPECT_EQ(ReadScriptLine(h.game), "#End");
}

TEST(Codec, ErrorsNameTheirLineAndColumn) {
  struct Case {
    std::string utf8;
    std::string error;
  };
  const Case cases[] = {
      {"ok\nあい😀", "2:3: U+1F600 \"😀\" has no Shift-JIS (CP932) form"},
      {"ab\xFF", "1:3: bytes that are not UTF-8"},
  };
  for (const Case& c : cases) {
    std::string out = "untouched", error;
    EXPECT_FALSE(EncodeScriptText(c.utf8, out, error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(out, "untouched");
  }
  std::string out, error;
  EXPECT_FALSE(DecodeScriptText(CryptLine("a\r\nb\xFF\r\n"), out, error));
  EXPECT_EQ(error.substr(0, 3), "2: ");
}

// Measures every byte as 10 pixels, so widths are easy to aim at.
class TenPixelText : public TextRasterizer {
 public:
  void Draw(Surface&, int, int, std::string_view, const FontSpec&, Colour, const Colour*) override {}
  int MeasureWidth(std::string_view cp932, const FontSpec& font) override {
    EXPECT_EQ(font.size_pt, 12);
    EXPECT_TRUE(font.bold);
    return static_cast<int>(cp932.size()) * 10;
  }
};

class Lint : public ::testing::Test {
 protected:
  Lint() {
    for (const char* name : {"0.dat", "1.dat", "2.dat", "3.dat", "4.dat", "5.dat", "6.dat", "d1.dat",
                             "d2.dat", "d3.dat", "d4.dat", "d5.dat"})
      Script(name, {"text", "#End"});
  }
  void Script(const std::string& name, const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    dir.Write("dat/" + name, Encoded(text));
  }
  Lines Problems(TextRasterizer* text) {
    Lines out;
    for (const LintProblem& p : LintGame(dir.path(), text)) out.push_back(FormatProblem(p));
    return out;
  }
  Lines Places(TextRasterizer* text) {  // "FILE:LINE" of each problem
    Lines out;
    for (const LintProblem& p : LintGame(dir.path(), text)) out.push_back(p.file + ":" + std::to_string(p.line));
    return out;
  }
  testing::TempDir dir;
  TenPixelText ten;
};

TEST_F(Lint, ACleanGameHasNoProblems) {
  dir.Write("dat/HERE.mid", testing::OrganNote());
  Script("0.dat", {"#Midi here.mid", "#Wave here.mid LOOP", "#SetNuru 18", "#SetNuru 0", "#SetEffect ENDING",
                   "#ListAdd 1", "#ListAdd 2", "#ListAdd 3", "#ListAdd 4", "#ListAdd 5", "#ListAdd 6",
                   "#ListClear", "#ListAdd 7", std::string(40, 'x'), "#FileGoto d1.dat"});
  Script("4.dat", {"text", "#End", "#SetNuru 99", "#FileGoto gone.dat"});  // never read
  EXPECT_EQ(Problems(&ten), Lines{});
}

TEST_F(Lint, FindsEveryKindOfProblemWhereItStands) {
  Script("0.dat", {
                      "text",
                      "#FileGoto gone.dat",          // 2
                      "#SetNuru 19",                 // 3
                      "#SetNuru x",                  // 4
                      "#SetEffect darkness",         // 5: effect names are case-sensitive
                      "#Midi none.mid",              // 6
                      "#Wave none.wav",              // 7
                      "1 2 3 4 5 6 7 8 9 10 11",     // 8
                      std::string(41, 'x'),          // 9
                      "#ListAdd 1", "#ListAdd 2", "#ListAdd 3", "#ListAdd 4", "#ListAdd 5", "#ListAdd 6",
                      "#ListAdd 7",                  // 16
                      "#FileGoto next.dat",
                  });
  Script("next.dat", {"more", "#FileGoto 0.DAT"});  // 2: back to the start, for ever
  std::string words17, slashes16;
  for (int i = 0; i < 17; ++i) words17 += "w ";
  for (int i = 0; i < 16; ++i) slashes16 += "a//";
  Script("1.dat", {"ok", words17});
  Script("2.dat", {slashes16});
  Script("3.dat", Lines(10000, "x"));
  std::filesystem::remove(dir.path() / "dat/6.dat");
  EXPECT_EQ(Places(&ten), (Lines{"dat/0.dat:2", "dat/0.dat:3", "dat/0.dat:4", "dat/0.dat:5", "dat/0.dat:6",
                                 "dat/0.dat:7", "dat/0.dat:8", "dat/0.dat:9", "dat/0.dat:16",
                                 "dat/next.dat:2", "dat/1.dat:2", "dat/2.dat:1", "dat/3.dat:10000",
                                 "dat/6.dat:0"}));
  const std::string expected[] = {
      "dat/0.dat:2: #FileGoto: dat/gone.dat does not exist; the game ends here",
      "dat/0.dat:3: #SetNuru 19: the pictures are numbered 0 to 18",
      "dat/0.dat:4: #SetNuru needs a number 0 to 18, not \"x\"",
      "dat/0.dat:6: #Midi: dat/none.mid does not exist",
      "dat/0.dat:9: page line is 410 pixels wide; the text area shows 406",
      "dat/1.dat:2: more than 16 words in one line; the game cannot load this script",
      "dat/2.dat:1: more than 15 \"//\" in one line; the game cannot load this script",
  };
  Lines problems = Problems(&ten);
  for (const std::string& line : expected)
    EXPECT_NE(std::find(problems.begin(), problems.end(), line), problems.end()) << line;
}

TEST_F(Lint, SaysWhichMusicTheGameMendsOrCannotPlay) {
  using testing::kEndOfTrack;
  using testing::kOrganTrack;
  dir.Write("dat/sound.mid", testing::OrganNote());
  dir.Write("dat/wrapped.rmi", testing::Rmid(testing::OrganNote()));
  dir.Write("dat/noend.mid", testing::Smf({kOrganTrack}));  // no End of Track: mended
  dir.Write("dat/header.mid", "MThd");                       // nothing to play
  dir.Write("dat/tune.ogg", "OggS and whatever");            // not MIDI: the mixer's to judge
  Script("0.dat", {"#Midi sound.mid", "#Midi wrapped.rmi", "#Midi noend.mid", "#Midi header.mid",
                   "#Midi tune.ogg", "#Midi NOEND.MID"});  // 6: the same file again, said once
  const Lines problems = Problems(&ten);
  ASSERT_EQ(problems.size(), 2u) << ::testing::PrintToString(problems);
  EXPECT_EQ(problems[0].rfind("dat/0.dat:3: #Midi: dat/noend.mid is not well-formed; the game mends it", 0), 0u)
      << problems[0];
  EXPECT_EQ(problems[1], "dat/0.dat:4: #Midi: dat/header.mid cannot be played (not a well-formed MIDI file); "
                         "the music stays silent");
}

TEST_F(Lint, AnUpperCaseDatFolderIsTheGamesFolderToo) {
  std::filesystem::rename(dir.path() / "dat", dir.path() / "DAT");
  EXPECT_EQ(Problems(&ten), Lines{});
  const std::string command =
      std::string(NURUMO_BINARY_DIR) + "/nurumo-script lint " + dir.path().string() + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(Lint, ListLinesCountAcrossFileGotoAndPagesUntilCleared) {
  Script("0.dat", {"#ListAdd 1", "#ListAdd 2", "#ListAdd 3", "", "page", "#FileGoto more.dat"});
  Script("more.dat", {"#ListAdd 4", "#ListAdd 5", "#ListAdd 6", "#ListAdd 7"});
  Script("1.dat", {"#ListAdd 1", "#ListAdd 2", "#ListAdd 3", "#ListAdd 4", "#ListAdd 5", "#ListAdd 6"});
  EXPECT_EQ(Places(&ten), (Lines{"dat/more.dat:4"}));  // each script run starts with an empty list
}

TEST_F(Lint, MeasuresPageLinesWithTheGamesOwnFont) {
  std::unique_ptr<TextRasterizer> text;
  try {
    text = MakeTtfTextRasterizer(kDefaultTextRendering);
  } catch (const std::exception& e) {
    GTEST_SKIP() << e.what();
  }
  std::string wide, narrow;
  for (int i = 0; i < 40; ++i) wide += "あ";
  for (int i = 0; i < 10; ++i) narrow += "あ";
  Script("0.dat", {narrow, wide});
  EXPECT_EQ(Places(text.get()), (Lines{"dat/0.dat:2"}));
}

int RunTool(const std::string& arguments) {
  std::string command = std::string(NURUMO_BINARY_DIR) + "/nurumo-script " + arguments + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Program, RoundTripsFilesAndAnswersWithItsExitStatus) {
  testing::TempDir dir;
  const std::string base = dir.path().string() + "/";
  const std::string text = "ぬるも。\r\n#Wave a.wav\nend";
  dir.Write("in.txt", text);
  dir.Write("bad.txt", "😀");
  EXPECT_EQ(RunTool("encode " + base + "in.txt " + base + "dat/0.dat"), 0);
  EXPECT_EQ(RunTool("decode " + base + "dat/0.dat " + base + "out.txt"), 0);
  EXPECT_EQ(dir.Read("out.txt"), text);
  EXPECT_EQ(RunTool("encode " + base + "bad.txt " + base + "bad.dat"), 1);
  EXPECT_EQ(RunTool("lint " + base), 1);  // 1.dat and the rest are missing
  for (const char* name : {"1", "2", "3", "4", "5", "6", "d1", "d2", "d3", "d4", "d5"})
    dir.Write("dat/" + std::string(name) + ".dat", Encoded("text\r\n"));
  dir.Write("dat/a.wav", "");
  EXPECT_EQ(RunTool("lint " + base), 0);
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("encode only-one-file"), 2);
  EXPECT_EQ(RunTool("lint " + base + "dat"), 2);  // no dat folder inside
}

}  // namespace
}  // namespace nurumo
