// Replay files, the command line, and whole headless runs of the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"
#include "platform/replay.h"
#include "shell/settings.h"
#include "program_runs.h"

namespace nurumo {
namespace {

TEST(Replay, ReadsTimesActionsCommentsAndBlankLines) {
  const std::string text =
      "\xEF\xBB\xBF# a replay\r\n"
      "1500 SPACE\r\n"
      "\n"
      "   +200\tenter   # relative to the line before\n"
      "+0 VK65\n"
      "2000 SNAP title-1\n"
      "2000 x\n"
      "3000 QUIT";
  const std::vector<ReplayLine> lines = ParseReplay(text);
  ASSERT_EQ(lines.size(), 6u);
  const std::vector<std::pair<uint32_t, int>> keys = {{1500, 32}, {1700, 13}, {1700, 65}};
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(lines[i].action, ReplayLine::Action::Key);
    EXPECT_EQ(lines[i].time, keys[i].first);
    EXPECT_EQ(lines[i].vk, keys[i].second);
  }
  EXPECT_EQ(lines[3].action, ReplayLine::Action::Snap);
  EXPECT_EQ(lines[3].name, "title-1");
  EXPECT_EQ(lines[4].vk, vk::kX);
  EXPECT_EQ(lines[5].action, ReplayLine::Action::Quit);
  EXPECT_EQ(lines[5].time, 3000u);
  EXPECT_EQ(DefaultStopTime(lines), 8000u);
  EXPECT_EQ(DefaultStopTime({}), 60000u);
}

TEST(Replay, MalformedLinesNameTheLineAndTheReason) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"100 SPACE\nSPACE\n", "replay: line 2: bad time 'SPACE'"},
      {"100\n", "replay: line 1: missing action"},
      {"# c\n\n100 JUMP\n", "replay: line 3: unknown action 'JUMP'"},
      {"100 SNAP\n", "replay: line 1: SNAP needs a name"},
      {"100 SNAP ../outside\n", "replay: line 1: bad snapshot name '../outside'"},
      {"100 VK\n", "replay: line 1: bad key code 'VK'"},
      {"100 VK300\n", "replay: line 1: bad key code 'VK300'"},
      {"100 VKx1\n", "replay: line 1: bad key code 'VKx1'"},
      {"100 SPACE SPACE\n", "replay: line 1: unexpected text after the action"},
      {"-5 SPACE\n", "replay: line 1: bad time '-5'"},
      {"+ SPACE\n", "replay: line 1: bad time '+'"},
      {"500 SPACE\n400 SPACE\n", "replay: line 2: time goes back before the previous line"},
      {"99999999999 SPACE\n", "replay: line 1: bad time '99999999999'"},
      {"2147483648 SPACE\n", "replay: line 1: time out of range"},
      {"2147483000 SPACE\n+1000 SPACE\n", "replay: line 2: time out of range"},
      {"100 CLICK 416 10\n", "replay: line 1: CLICK needs X 0..415 and Y 0..255"},
      {"100 CLICK 10\n", "replay: line 1: CLICK needs X 0..415 and Y 0..255"},
      {"100 WHEEL 0\n", "replay: line 1: WHEEL needs a number of notches, -100..100 and not 0"},
      {"100 PAD Z\n", "replay: line 1: PAD needs A, B, X, Y, UP, DOWN, LEFT, RIGHT or START, not 'Z'"},
      {"100 CLICK 1 2 3\n", "replay: line 1: unexpected text after the action"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ParseReplay(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const ReplayError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

TEST(Replay, KeyNamesRoundTrip) {
  const std::vector<std::pair<int, std::string>> names = {
      {32, "SPACE"}, {13, "ENTER"}, {38, "UP"}, {40, "DOWN"}, {88, "X"},
      {89, "Y"},     {78, "N"},     {18, "ALT"}, {121, "F10"}, {65, "VK65"},
      {27, "ESC"},   {116, "F5"},   {120, "F9"},  {8, "BACKSPACE"}};
  for (const auto& [code, name] : names) {
    EXPECT_EQ(KeyName(code), name);
    ASSERT_EQ(ParseReplay("0 " + name).at(0).vk, code) << name;
  }
  EXPECT_FALSE(KeyFromName("SPACEBAR").has_value());
}

TEST(Replay, ClicksWheelsAndPadButtonsAreInputs) {
  const std::vector<ReplayLine> lines = ParseReplay("10 CLICK 60 75\n20 wheel -2\n30 PAD start\n");
  ASSERT_EQ(lines.size(), 3u);
  for (const ReplayLine& line : lines) EXPECT_EQ(line.action, ReplayLine::Action::Input);
  EXPECT_EQ(lines[0].input.kind, InputEvent::Kind::Click);
  EXPECT_EQ(lines[0].input.button, kLeftButton);
  EXPECT_EQ(lines[0].input.x, 60);
  EXPECT_EQ(lines[0].input.y, 75);
  EXPECT_EQ(lines[1].input.kind, InputEvent::Kind::Wheel);
  EXPECT_EQ(lines[1].input.button, -2);
  EXPECT_EQ(lines[2].input.kind, InputEvent::Kind::Pad);
  EXPECT_EQ(lines[2].input.vk, static_cast<int>(PadButton::Start));
}

TEST(Options, ParsesTheCommandLine) {
  Options options;
  std::string error;
  ASSERT_TRUE(ParseOptions({"--game-dir", "g", "--seed=7", "--scale", "2", "--fullscreen", "--headless",
                            "--replay", "r.txt", "--trace", "-", "--snap-dir", "s", "--until", "900", "--version",
                            "--text=smooth", "--autoplay"},
                           options, error))
      << error;
  EXPECT_EQ(options.game_dir, std::filesystem::path("g"));
  EXPECT_EQ(options.seed, 7u);
  EXPECT_EQ(options.scale, 2);
  EXPECT_TRUE(options.fullscreen && options.headless);
  EXPECT_EQ(options.replay, std::filesystem::path("r.txt"));
  EXPECT_EQ(options.trace, "-");
  EXPECT_EQ(options.snap_dir, std::filesystem::path("s"));
  EXPECT_EQ(options.until, 900u);
  EXPECT_TRUE(options.version);
  EXPECT_EQ(options.text, TextRendering::Smooth);
  EXPECT_FALSE(Options{}.text);  // the settings file's, or bitmap
  EXPECT_EQ(Settings{}.text, static_cast<int>(TextRendering::Bitmap));
  EXPECT_TRUE(options.autoplay);
}

TEST(Options, BadUsageIsOneLine) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--bogus"}, "unknown option '--bogus' (see --help)"},
      {{"game"}, "unknown option 'game' (see --help)"},
      {{"--seed"}, "option --seed needs a value"},
      {{"--seed", "x"}, "option --seed needs a number, not 'x'"},
      {{"--seed", "-1"}, "option --seed needs a number, not '-1'"},
      {{"--scale", "0"}, "option --scale must be 1 to 8, not 0"},
      {{"--scale", "9"}, "option --scale must be 1 to 8, not 9"},
      {{"--until", "4294967295"}, "option --until is out of range: 4294967295"},
      {{"--headless=yes"}, "option --headless takes no value"},
      {{"--autoplay=fast"}, "option --autoplay takes no value"},
      {{"--trace="}, "option --trace needs a value"},
      {{"--load", "10"}, "option --load needs a slot: 1 to 9, quick or auto, not '10'"},
      {{"--load", "3", "--continue"}, "options --load and --continue name two different slots"},
      {{"--version=1"}, "option --version takes no value"},
      {{"--text", "Bitmap"}, "option --text must be bitmap, sharp or smooth, not 'Bitmap'"},
      {{"--text"}, "option --text needs a value"},
  };
  for (const auto& [args, message] : cases) {
    Options options;
    std::string error;
    EXPECT_FALSE(ParseOptions(args, options, error)) << message;
    EXPECT_EQ(error, message);
  }
}

// A whole headless run in this process.
struct RunResult {
  int status;
  std::string out;
  std::string err;
};
RunResult RunHeadless(const std::filesystem::path& game_dir, std::vector<std::string> extra) {
  std::vector<std::string> args = {"--headless", "--seed", "1", "--trace", "-", "--game-dir", game_dir.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  Options options;
  std::string error;
  EXPECT_TRUE(ParseOptions(args, options, error)) << error;
  std::ostringstream out, err;
  const int status = RunGame(options, out, err);
  return {status, out.str(), err.str()};
}

std::string LastLine(const std::string& text) {
  const std::size_t end = text.find_last_of('\n', text.size() - 2);
  return text.substr(end == std::string::npos ? 0 : end + 1);
}

TEST(HeadlessRun, ReplayedKeysArriveAtTheirTimesAndSnapshotsAreWritten) {
  testing::TempDir dir;
  dir.Write("replay.txt", "250 SPACE\n+10 SNAP shot\n400 ALT\n900 QUIT\n950 SPACE\n");
  const RunResult run = RunHeadless(dir.path(), {"--replay", (dir.path() / "replay.txt").string(), "--snap-dir",
                                           (dir.path() / "snaps").string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("{\"t\":0,\"ev\":\"start\",\"seed\":1}\n"), std::string::npos);
  EXPECT_NE(run.out.find("{\"t\":250,\"ev\":\"key\",\"key\":\"SPACE\"}\n"), std::string::npos);
  EXPECT_NE(run.out.find("{\"t\":400,\"ev\":\"key\",\"key\":\"ALT\"}\n"), std::string::npos);
  EXPECT_NE(run.out.find("{\"t\":900,\"ev\":\"quit\"}\n"), std::string::npos);
  EXPECT_EQ(run.out.find("\"t\":950"), std::string::npos);  // the window was closed before
  EXPECT_TRUE(LastLine(run.out).starts_with("{\"t\":900,\"ev\":\"exit\",")) << LastLine(run.out);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "snaps" / "shot.png"));
}

TEST(HeadlessRun, EndsAtTheStopTime) {
  testing::TempDir dir;
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--until", "1234"}, "{\"t\":1234,\"ev\":\"quit\"}"},
      {{}, "{\"t\":60000,\"ev\":\"quit\"}"},
  };
  for (const auto& [extra, quit] : cases) {
    const RunResult run = RunHeadless(dir.path(), extra);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(quit), std::string::npos) << run.out;
    EXPECT_TRUE(LastLine(run.out).find("\"ev\":\"exit\"") != std::string::npos);
  }
}

TEST(HeadlessRun, VersionAndAMissingGameFolderStopBeforeTheGameStarts) {
  Options options;
  options.version = true;
  std::ostringstream out, err;
  EXPECT_EQ(RunGame(options, out, err), 0);
  EXPECT_EQ(out.str(), "nurumo " NURUMO_VERSION "\n");

  testing::TempDir dir;
  const RunResult missing = RunHeadless(dir.path() / "nowhere", {});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");  // not even the trace's first line
  EXPECT_EQ(missing.err, "nurumo: no game data (a dat folder) in the game folder '" +
                             (dir.path() / "nowhere").string() + "'\n");
}

TEST(HeadlessRun, BadReplayStopsBeforeTheGameStarts) {
  testing::TempDir dir;
  dir.Write("bad.txt", "100 SPACE\n200 HOP\n");
  const RunResult bad = RunHeadless(dir.path(), {"--replay", (dir.path() / "bad.txt").string()});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "replay: line 2: unknown action 'HOP'\n");
  EXPECT_EQ(bad.out, "");
  const RunResult missing = RunHeadless(dir.path(), {"--replay", (dir.path() / "none.txt").string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  const RunResult folder = RunHeadless(dir.path(), {"--replay", (dir.path() / "dat").string()});
  EXPECT_EQ(folder.status, 2) << "a folder is no empty replay";
  EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;
  EXPECT_EQ(folder.out, "");
}

// What a replay can make the program hold is bounded, and an error quotes
// only a short piece of the line it names.
TEST(Replay, HugeReplaysAndHugeWordsAreRefusedInFewWords) {
  struct Case {
    const char* what;
    std::string text;
    const char* said;
  };
  std::string many;
  for (std::size_t i = 0; i <= kMaxReplayLines; ++i) many += "0 X\n";
  const std::vector<Case> cases = {
      {"a time word of megabytes", std::string(3u << 20, '7') + "x SPACE\n", "larger than 1 MB"},
      {"a time word of a few hundred bytes", std::string(500, 'x') + " SPACE\n",
       "replay: line 1: bad time 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...' (500 bytes)"},
      {"an action word of a few hundred bytes", "1 " + std::string(300, 'Q') + "\n", "(300 bytes)"},
      {"more actions than a replay may hold", many, "replay: line 100001: more than 100000 actions"},
      {"more bytes than a replay may hold", std::string(kMaxReplayBytes + 1, '\n'), "larger than 1 MB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      ParseReplay(c.text);
      ADD_FAILURE() << "taken";
    } catch (const ReplayError& error) {
      const std::string said = error.what();
      EXPECT_LT(said.size(), 120u) << said.substr(0, 200);
      EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
  }
}

// The built program, run twice the same way, prints the same trace. Each
// run plays in a scratch folder over the built game's data, never in the
// build's own game folder, where a player of the build keeps their saves.
TEST(Program, HeadlessTraceIsTheSameEveryTime) {
  std::string first, second;
  testing::GameFolder one, two;
  const std::string run = testing::Quoted(testing::kProgram) + " --headless --seed 1 --trace - --until 3000 --game-dir ";
  EXPECT_EQ(testing::RunCommand(run + testing::Quoted(one.path()), first), 0);
  EXPECT_EQ(testing::RunCommand(run + testing::Quoted(two.path()), second), 0);
  EXPECT_TRUE(first.starts_with("{\"t\":0,\"ev\":\"start\",\"seed\":1}\n")) << first;
  EXPECT_NE(LastLine(first).find("\"ev\":\"exit\""), std::string::npos) << first;
  EXPECT_EQ(first, second);
}

TEST(Program, BadUsageExitsWithTwo) {
  std::string out;
  EXPECT_EQ(testing::RunCommand(testing::Quoted(testing::kProgram) + " --no-such-option 2>/dev/null", out), 2);
  std::string help;
  EXPECT_EQ(testing::RunCommand(testing::Quoted(testing::kProgram) + " --help", help), 0);
  EXPECT_NE(help.find("--replay FILE"), std::string::npos);
}

}  // namespace
}  // namespace nurumo
