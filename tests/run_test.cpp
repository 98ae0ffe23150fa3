// The program as a whole under faults from outside: signals that ask it to
// end, and a file-size limit at the save question. The built program runs
// in a child process, as a player or a script would start it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "tests/picture_fixtures.h"
#include "tests/program_runs.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;

using testing::Child;

bool ExitedWithZero(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

// A game folder of the fixture pictures and two empty scripts: the prologue
// and level 1's opening end at once, so the save question comes straight
// after the title.
void WriteShortGame(const testing::TempDir& dir) {
  testing::WritePictures(dir);
  dir.Write("dat/0.dat", "");
  dir.Write("dat/1.dat", "");
}

TEST(HeadlessSignals, SigintSigtermAndSighupBecomeOneCloseRequestEach) {
  testing::TempDir dir;
  struct sigaction before {};
  ::sigaction(SIGTERM, nullptr, &before);
  {
    HeadlessPlatform platform{FileSystem(dir.path())};
    platform.CloseOnSignals();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
      std::raise(signal);
      InputEvent event;
      ASSERT_TRUE(platform.PollEvent(event)) << signal;
      EXPECT_EQ(event.kind, InputEvent::Kind::Quit);
      EXPECT_FALSE(platform.PollEvent(event));  // taken once
    }
  }
  struct sigaction after {};
  ::sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);  // the platform gone, the old handler is back
}

TEST(Program, ASignalEndsAHeadlessRunLikeClosingTheWindow) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {  // SIGHUP: the terminal was closed
    SCOPED_TRACE(signal);
    testing::TempDir dir;
    WriteShortGame(dir);
    Child run({"--headless", "--seed", "1", "--game-dir", dir.path().string(), "--trace", "-", "--until",
               "2000000000"});  // weeks of virtual time: still running when the signal comes
    ASSERT_TRUE(run.ReadUntil(R"("ev":"state","n":1})")) << run.output();
    run.Signal(signal);
    const int status = run.Finish();
    EXPECT_TRUE(ExitedWithZero(status)) << status;
    const std::size_t quit = run.output().find(R"("ev":"quit"})");
    EXPECT_NE(quit, std::string::npos) << run.output();
    EXPECT_TRUE(run.LastLine().find(R"("ev":"exit")") != std::string::npos) << run.LastLine();
  }
}

TEST(Program, AFileSizeLimitMakesTheSaveFailAndLeavesNothingBehind) {
  testing::TempDir dir;
  WriteShortGame(dir);
  dir.Write("save.dat", "the player's old file, too short to load");
  dir.Write("replay.txt", "500 SPACE\n3000 Y\n3500 QUIT\n");
  Child run({"--headless", "--seed", "1", "--game-dir", dir.path().string(), "--replay",
             (dir.path() / "replay.txt").string(), "--trace", "-"},
            [] {  // ulimit -f 0
              rlimit none{0, 0};
              ::setrlimit(RLIMIT_FSIZE, &none);
            });
  const int status = run.Finish();
  EXPECT_TRUE(ExitedWithZero(status)) << status;
  EXPECT_NE(run.output().find(R"("ev":"state","n":17})"), std::string::npos) << run.output();
  EXPECT_NE(run.output().find(R"("ev":"save","ok":false})"), std::string::npos) << run.output();
  EXPECT_NE(run.LastLine().find(R"("prompt":"FAILURE")"), std::string::npos) << run.LastLine();
  EXPECT_EQ(dir.Read("save.dat"), "the player's old file, too short to load");
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_FALSE(entry.path().filename().string().starts_with("save.dat.tmp")) << entry.path();
}

// A trace nobody can take any more (a reader gone, a full disk) is said once
// on standard error and stops; the game plays on to its end (its autosave is
// written) and the exit status tells a script that the trace is cut short.
TEST(Program, ATraceThatCannotBeWrittenStopsAndTheGameGoesOn) {
  struct Case {
    const char* name;
    const char* trace;  // the option
    const char* after;  // what the run's standard output goes into
  };
  const std::vector<Case> cases = {
      {"a reader that goes away", "--trace -", " | head -c 10 >/dev/null"},
      {"a full disk", "--trace /dev/full", ""},
  };
  testing::TempDir dir;
  WriteShortGame(dir);
  dir.Write("replay.txt", "500 SPACE\n3000 Y\n3200 SPACE\n");
  const std::string base = "'" + testing::kProgram.string() + "' --headless --seed 1 --autosave --until 6000 --game-dir '" +
                           dir.path().string() + "' --replay '" + (dir.path() / "replay.txt").string() + "'";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir.path() / "slots");
    const std::string run = base + " " + c.trace + " 2>'" + (dir.path() / "err.txt").string() + "'; echo $? >'" +
                            (dir.path() / "status").string() + "'";
    std::string out;
    testing::RunCommand("(" + run + ")" + c.after, out);
    EXPECT_EQ(dir.Read("status"), "1\n");
    const std::string err = dir.Read("err.txt");
    EXPECT_NE(err.find("the trace cannot be written"), std::string::npos) << err;
    EXPECT_EQ(err.find("the trace cannot be written"), err.rfind("the trace cannot be written")) << err;
    EXPECT_TRUE(fs::exists(dir.path() / "slots" / "auto.slot"));  // the game went on to its close
  }
}

}  // namespace
}  // namespace nurumo
