// The shell around the game: quick save and load, refused slots, the
// autosave and the starts from a slot.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "app/form.h"
#include "core/text.h"
#include "program_runs.h"
#include "shell/shell.h"
#include "shell/snapshot.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;
using testing::GameFolder;
using testing::Replay;

// The built game, headless, inside the shell, driven key by key.
class ShellGame : public ShellHost {
 public:
  explicit ShellGame(const fs::path& dir)
      : platform_(FileSystem(dir)), overlay_(platform_), game_(overlay_, 11), slots_(platform_.Files()),
        shell_(*this, overlay_, slots_, ShellOptions{false}) {
    game_.trace.Open(&trace_, [this] { return platform_.Now(); });
    started_ = FormCreate(game_);
  }
  Game& game() override { return game_; }
  bool started() const override { return started_; }
  void ToGame(const InputEvent& event) override { DispatchEvent(game_, event, started_); }

  // Keys at the given times, then the run until `until`.
  void Play(std::initializer_list<std::pair<uint32_t, int>> keys, uint32_t until) {
    for (const auto& [at, key] : keys) {
      RunUntil(at);
      platform_.PushKey(key);
    }
    RunUntil(until);
  }
  std::string State() { return EncodeSnapshot(game_, platform_.Now()); }
  std::string trace() const { return trace_.str(); }
  HeadlessPlatform& platform() { return platform_; }
  SlotStore& slots() { return slots_; }

 private:
  void RunUntil(uint32_t until) {
    platform_.SetStopTime(until);
    game_.terminate = false;
    shell_.Run();
    game_.terminate = false;
  }

  HeadlessPlatform platform_;
  OverlayPlatform overlay_;
  Game game_;
  SlotStore slots_;
  Shell shell_;
  bool started_ = false;
  std::ostringstream trace_;
};

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(testing::kGameDat / "0.dat")) << "build the game_content target";
    folder_.Write("save.dat", testing::SaveFileBytes(2, {40, 40, 20, 15, 10}, 0, "NORMAL", ""));
  }
  GameFolder folder_;
};

TEST_F(ShellTest, QuickLoadBringsBackWhatQuickSaveKept) {
  ShellGame run(folder_.path());
  run.Play({{2500, vk::kSpace}, {3000, vk::kF5}}, 3000);
  const std::string kept = run.State();
  run.Play({{3500, vk::kDown}, {3700, vk::kSpace}, {6000, vk::kSpace}}, 8000);
  ASSERT_FALSE(run.State() == kept) << "the moves changed nothing";
  run.Play({{8500, vk::kF9}}, 8500);
  EXPECT_TRUE(run.State() == kept) << "the loaded game is not the saved one";
  EXPECT_NE(run.trace().find("\"ev\":\"slot-load\",\"slot\":\"quick\",\"ok\":true"), std::string::npos);
  EXPECT_EQ(run.trace().find("F5"), std::string::npos) << "the shell's keys are not the game's";
}

// Each damage is refused: the game goes on as it was and the file stays.
TEST_F(ShellTest, ARefusedSlotLeavesTheGameAndTheFileAlone) {
  struct Damage {
    const char* name;
    std::function<void(const fs::path&, const std::string&)> apply;
  };
  auto write = [](const fs::path& path, const std::string& bytes) {
    fs::remove_all(path);
    std::ofstream(path, std::ios::binary) << bytes;
  };
  const std::vector<Damage> damages = {
      {"one byte flipped", [&](const fs::path& p, const std::string& b) {
         std::string d = b;
         d[d.size() / 2] = static_cast<char>(d[d.size() / 2] ^ 0x10);
         write(p, d);
       }},
      {"cut in half", [&](const fs::path& p, const std::string& b) { write(p, b.substr(0, b.size() / 2)); }},
      {"zero bytes", [&](const fs::path& p, const std::string&) { write(p, ""); }},
      {"a folder in its place", [](const fs::path& p, const std::string&) {
         fs::remove(p);
         fs::create_directory(p);
       }},
      {"another game's slot", [&](const fs::path& p, const std::string& b) {
         SlotFile good = DecodeSlotFile(b, ContentIdentity(testing::kGameDat.parent_path()));
         write(p, EncodeSlotFile(good.summary, good.state, kSnapshotVersion, 12345));
       }},
      {"a newer version", [&](const fs::path& p, const std::string& b) {
         SlotFile good = DecodeSlotFile(b, ContentIdentity(testing::kGameDat.parent_path()));
         write(p, EncodeSlotFile(good.summary, good.state, kSnapshotVersion + 1,
                                 ContentIdentity(testing::kGameDat.parent_path())));
       }},
  };
  ShellGame run(folder_.path());
  run.Play({{2500, vk::kSpace}, {3000, vk::kF5}}, 3000);
  const fs::path slot = run.slots().PathOf("quick");
  const std::string good = folder_.Read("slots/quick.slot");
  ASSERT_FALSE(good.empty());
  run.Play({{3500, vk::kDown}}, 4000);
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    damage.apply(slot, good);
    const std::string before = fs::is_directory(slot) ? "" : folder_.Read("slots/quick.slot");
    const std::string state = run.State();
    run.Play({{4000, vk::kF9}}, 4000);
    EXPECT_TRUE(run.State() == state) << "the running game changed";
    EXPECT_TRUE((fs::is_directory(slot) ? "" : folder_.Read("slots/quick.slot")) == before) << "the file changed";
    EXPECT_NE(run.trace().rfind("\"ev\":\"slot-load\",\"slot\":\"quick\",\"ok\":false"), std::string::npos);
  }
}

TEST(SlotFiles, IdentityFollowsTheGameFoldersFiles) {
  testing::TempDir a, b;
  a.Write("dat/x.bmp", "pixels");
  b.Write("dat/x.bmp", "pixels");
  EXPECT_EQ(ContentIdentity(a.path()), ContentIdentity(b.path()));
  b.Write("dat/x.bmp", "pixelz");
  EXPECT_NE(ContentIdentity(a.path()), ContentIdentity(b.path()));
  b.Write("dat/x.bmp", "pixels");
  b.Write("dat/y.wav", "");
  EXPECT_NE(ContentIdentity(a.path()), ContentIdentity(b.path())) << "an added file changes the game";
}

// --- The program: starts from a slot, the autosave ---------------------------

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string ExitLine(const std::string& trace) {
  const std::size_t at = trace.rfind("\"ev\":\"exit\"");
  return at == std::string::npos ? "" : trace.substr(at);
}

TEST_F(ShellTest, AutosaveOnCloseAndContinue) {
  std::string first;
  ASSERT_EQ(folder_.Run(Replay().At(2500, "SPACE").At(3000, "DOWN").At(3200, "SPACE"), 6000, "--autosave", first), 0);
  EXPECT_EQ(Count(first, "\"ev\":\"slot-save\",\"slot\":\"auto\",\"ok\":true"), 1u) << first;
  ASSERT_TRUE(fs::exists(folder_.path() / "slots" / "auto.slot"));

  std::string again;
  ASSERT_EQ(folder_.Run(Replay(), 1000, "--continue", again), 0) << folder_.Read("stderr.txt");
  EXPECT_NE(again.find("\"ev\":\"slot-load\",\"slot\":\"auto\",\"ok\":true"), std::string::npos);
  EXPECT_EQ(again.find("\"ev\":\"load\""), std::string::npos) << "save.dat is not read on a start from a slot";
  EXPECT_EQ(ExitLine(again), ExitLine(first));
}

TEST_F(ShellTest, NoAutosaveOnTheTitleNorWithoutBeingAsked) {
  fs::remove(folder_.path() / "save.dat");
  std::string trace;
  ASSERT_EQ(folder_.Run(Replay(), 2000, "--autosave", trace), 0);
  EXPECT_EQ(Count(trace, "slot-save"), 0u);
  folder_.Write("save.dat", testing::SaveFileBytes(2, {40, 40, 20, 15, 10}, 0, "NORMAL", ""));
  ASSERT_EQ(folder_.Run(Replay(), 2000, "", trace), 0);
  EXPECT_EQ(Count(trace, "slot-save"), 0u) << "headless runs autosave only with --autosave";
  EXPECT_FALSE(fs::exists(folder_.path() / "slots"));
}

TEST_F(ShellTest, AutosaveAfterTheSaveQuestionIsAnswered) {
  fs::remove(folder_.path() / "save.dat");
  Replay replay;
  replay.At(500, "SPACE");
  for (uint32_t t = 2500; t <= 60000; t += 200) replay.At(t, "SPACE");
  replay.At(60500, "N");
  std::string trace;
  ASSERT_EQ(folder_.Run(replay, 61000, "--autosave", trace), 0);
  const std::size_t answer = trace.find("\"key\":\"N\"");
  ASSERT_NE(answer, std::string::npos);
  const std::size_t saved = trace.find("\"ev\":\"slot-save\",\"slot\":\"auto\",\"ok\":true", answer);
  ASSERT_NE(saved, std::string::npos) << "no autosave after the answer";
  EXPECT_LT(saved, trace.find("\"ev\":\"quit\"")) << "the autosave came only with the close";
}

TEST_F(ShellTest, AStartFromAMissingOrDamagedSlotStopsBeforeTheWindow) {
  std::string out;
  const std::string command = testing::Quoted(testing::kProgram) + " --game-dir " + testing::Quoted(folder_.path()) +
                              " --load 4 2>&1";
  EXPECT_EQ(testing::RunCommand(command, out), 2);
  EXPECT_EQ(Count(out, "\n"), 1u) << out;
  EXPECT_NE(out.find("slot 4"), std::string::npos) << out;

  folder_.Write("slots/auto.slot", "NURUMOSL but not much else");
  out.clear();
  EXPECT_EQ(testing::RunCommand(testing::Quoted(testing::kProgram) + " --game-dir " +
                                    testing::Quoted(folder_.path()) + " --continue 2>&1",
                                out),
            2);
  EXPECT_NE(out.find("damaged"), std::string::npos) << out;
  EXPECT_EQ(folder_.Read("slots/auto.slot"), "NURUMOSL but not much else");
}

// In the window (SDL's dummy display), SIGTERM closes it like the close box.
TEST_F(ShellTest, SigtermInTheWindowAutosaves) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string dir = folder_.path().string();
    ::execl(testing::kProgram.c_str(), "nurumo", "--game-dir", dir.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const fs::path slot = folder_.path() / "slots" / "auto.slot";
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // into the exploration
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "the program did not end by itself";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(fs::exists(slot));
}

}  // namespace
}  // namespace nurumo
