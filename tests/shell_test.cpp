// The shell around the game: quick save and load, refused slots, the
// autosave and the starts from a slot.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include <SDL.h>

#include "app/form.h"
#include "core/text.h"
#include "platform/sdl/sdl_platform.h"
#include "program_runs.h"
#include "trace_lines.h"
#include "shell/shell.h"
#include "shell/settings.h"
#include "shell/snapshot.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;
using namespace nurumo::testing;

// The built game, headless, inside the shell, driven key by key.
class ShellGame : public ShellHost {
 public:
  explicit ShellGame(const fs::path& dir, std::optional<fs::path> settings_file = std::nullopt,
                     bool first_start = false)
      : platform_(FileSystem(dir)), overlay_(platform_), game_(overlay_, 11), slots_(platform_.Files()),
        shell_(*this, overlay_, slots_, ShellOptions{false, 300000, settings_file, Settings{}, first_start}) {
    game_.trace.Open(&trace_, [this] { return platform_.Now(); });
    started_ = FormCreate(game_);
  }
  Game& game() override { return game_; }
  bool started() const override { return started_; }
  void ToGame(const InputEvent& event) override { DispatchEvent(game_, event, started_); }
  void Restart() override {}

  // Keys at the given times, then the run until `until`.
  void Play(std::initializer_list<std::pair<uint32_t, int>> keys, uint32_t until) {
    for (const auto& [at, key] : keys) {
      RunUntil(at);
      platform_.PushKey(key);
    }
    RunUntil(until);
  }
  // Keys all at once (the menu stays open between them), then the run until `until`.
  void PressAll(std::initializer_list<int> keys, uint32_t until) {
    for (int key : keys) platform_.PushKey(key);
    RunUntil(until);
  }
  std::string State() { return EncodeSnapshot(game_, platform_.Now()); }
  std::string trace() const { return trace_.str(); }
  HeadlessPlatform& platform() { return platform_; }
  Shell& shell() { return shell_; }
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

TEST_F(ShellTest, QuickLoadWithNoQuickSlotChangesNothing) {
  ShellGame run(folder_.path());
  run.Play({{2500, vk::kSpace}, {3000, vk::kDown}}, 3500);
  const std::string state = run.State();
  run.Play({{3500, vk::kF9}}, 3500);
  EXPECT_TRUE(run.State() == state) << "the running game changed";
  EXPECT_NE(run.trace().find("\"ev\":\"slot-load\",\"slot\":\"quick\",\"ok\":false"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder_.path() / "slots" / "quick.slot"));
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
      {"a pipe in its place, which nobody writes", [](const fs::path& p, const std::string&) {
         fs::remove_all(p);
         ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0);
       }},
      {"another game's slot", [&](const fs::path& p, const std::string& b) {
         SlotFile good = DecodeSlotFile(b, ContentIdentity(testing::kGameDat.parent_path()));
         write(p, EncodeSlotFile(good.summary, good.state, kSnapshotVersion, 12345));
       }},
      {"a good check sum over a level the game never holds", [&](const fs::path& p, const std::string& b) {
         HeadlessPlatform platform{FileSystem(folder_.path())};
         Game game(platform, 1);
         ASSERT_TRUE(FormCreate(game));
         game.player.Level = 9;
         const SlotFile good = DecodeSlotFile(b, ContentIdentity(testing::kGameDat.parent_path()));
         write(p, EncodeSlotFile(good.summary, EncodeSnapshot(game, 0), kSnapshotVersion,
                                 ContentIdentity(testing::kGameDat.parent_path())));
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
    const std::string before = fs::is_regular_file(slot) ? folder_.Read("slots/quick.slot") : "";
    const std::string state = run.State();
    run.Play({{4000, vk::kF9}}, 4000);
    EXPECT_TRUE(run.State() == state) << "the running game changed";
    EXPECT_TRUE((fs::is_regular_file(slot) ? folder_.Read("slots/quick.slot") : "") == before) << "the file changed";
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

// When the autosave is written by itself, and when never: each run's auto
// slot-saves after `from` (the start when empty), and whether the first
// came before the window was closed.
TEST_F(ShellTest, AutosaveMoments) {
  struct Moment {
    const char* name;
    std::string save_dat;  // empty: a new game
    Replay replay;
    uint32_t until;
    const char* options;
    const char* from;
    bool saved;        // an autosave after `from`
    bool before_quit;  // ... and one before the close
  };
  const std::string exploring = testing::SaveFileBytes(2, {40, 40, 20, 15, 10}, 0, "NORMAL", "");
  Replay to_the_ending;  // level 5's breakthrough, the epilogue's pages, then the ending screen
  to_the_ending.At(2500, "UP").At(2700, "SPACE").At(4500, "X");
  for (uint32_t t = 5000; t <= 45000; t += 300) to_the_ending.At(t, "SPACE");
  to_the_ending.At(45500, "X");
  for (uint32_t t = 48000; t <= 52000; t += 700) to_the_ending.At(t, "SPACE");
  const Moment moments[] = {
      {"on the title, before a game has begun", "", Replay(), 2000, "--autosave", "", false, false},
      {"headless, not asked for", exploring, Replay(), 2000, "", "", false, false},
      {"the game playing itself, not asked for", exploring, Replay(), 20000, "--autoplay", "", false, false},
      {"five minutes into the play", exploring, Replay(), 301000, "--autosave", "", true, true},
      {"on the ending screen", testing::SaveFileBytes(5, {60, 60, 60, 60, 95}, 0, "NORMAL", ""), to_the_ending,
       54000, "--autosave", "\"ev\":\"state\",\"n\":90", false, false},
  };
  for (const Moment& m : moments) {
    SCOPED_TRACE(m.name);
    GameFolder folder;
    if (!m.save_dat.empty()) folder.Write("save.dat", m.save_dat);
    std::string trace;
    ASSERT_EQ(folder.Run(m.replay, m.until, m.options, trace), 0) << folder.Read("stderr.txt");
    const std::size_t from = *m.from ? trace.find(m.from) : 0;
    ASSERT_NE(from, std::string::npos) << "the run never came to " << m.from;
    const std::size_t saved = trace.find("\"ev\":\"slot-save\",\"slot\":\"auto\"", from);
    EXPECT_EQ(saved != std::string::npos, m.saved) << trace.substr(from, 2000);
    if (m.saved) {
      EXPECT_EQ(saved < trace.find("\"ev\":\"quit\""), m.before_quit);
    } else {
      EXPECT_EQ(trace.find("\"ev\":\"slot-save\"", from), std::string::npos);
    }
    if (std::string(m.options).find("--autosave") == std::string::npos) {
      EXPECT_FALSE(fs::exists(folder.path() / "slots")) << "the run wrote a slot";
    }
  }
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

// A slot the game cannot take at start-up: one line, status 2, before the
// window opens, and the file as it was.
TEST_F(ShellTest, AStartFromAMissingOrDamagedSlotStopsBeforeTheWindow) {
  {
    ShellGame run(folder_.path());
    run.Play({{2500, vk::kSpace}, {3000, vk::kF5}}, 3000);
  }
  const std::string good = folder_.Read("slots/quick.slot");
  ASSERT_FALSE(good.empty());
  const uint32_t identity = ContentIdentity(testing::kGameDat.parent_path());
  const SlotFile slot = DecodeSlotFile(good, identity);
  struct Refusal {
    const char* what;
    const char* file;  // under slots/; nullptr: none
    std::string bytes;
    const char* option;
    const char* says;
  };
  const Refusal refusals[] = {
      {"a missing slot", nullptr, "", "--load 4", "slot 4"},
      {"a damaged autosave", "auto.slot", "NURUMOSL but not much else", "--continue", "damaged"},
      {"another game's slot", "5.slot", EncodeSlotFile(slot.summary, slot.state, kSnapshotVersion, identity + 1),
       "--load 5", "slot 5"},
      {"a slot from a newer version", "6.slot",
       EncodeSlotFile(slot.summary, slot.state, kSnapshotVersion + 1, identity), "--load 6", "slot 6"},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.what);
    if (r.file) folder_.Write(std::string("slots/") + r.file, r.bytes);
    std::string out;
    EXPECT_EQ(testing::RunCommand(testing::Quoted(testing::kProgram) + " --game-dir " +
                                      testing::Quoted(folder_.path()) + " " + r.option + " 2>&1",
                                  out),
              2);
    EXPECT_EQ(Count(out, "\n"), 1u) << out;
    EXPECT_NE(out.find(r.says), std::string::npos) << out;
    if (r.file) {
      EXPECT_TRUE(folder_.Read(std::string("slots/") + r.file) == r.bytes) << "the file changed";
    }
  }
}

// A menu left open past the autosave's time: the run goes on to its end (the
// virtual clock used to stand still there), and nothing is saved while the
// menu is open.
TEST_F(ShellTest, APausedAutosaveWaitsForTheMenuToClose) {
  folder_.Write("replay.txt", "1000 SPACE\n2000 ESC\n400000 ESC\n");
  std::string trace;
  const std::string command = "timeout 120 " + testing::Quoted(testing::kProgram) +
                              " --headless --seed 3 --autosave --trace - --until 401000 --game-dir " +
                              testing::Quoted(folder_.path()) + " --replay " +
                              testing::Quoted(folder_.path() / "replay.txt") + " 2>/dev/null";
  ASSERT_EQ(testing::RunCommand(command, trace), 0) << "the run did not end by itself";
  const std::size_t closed = trace.find("\"ev\":\"menu\",\"open\":false");
  ASSERT_NE(closed, std::string::npos) << trace;
  const std::size_t saved = trace.find("\"ev\":\"slot-save\",\"slot\":\"auto\"");
  ASSERT_NE(saved, std::string::npos) << "the close keeps the game";
  EXPECT_GT(saved, closed) << "an autosave while the menu was open";
}

// Once a mood has run out, neither the close nor F5 replaces a slot that
// holds a game that can still be played.
TEST_F(ShellTest, ADoomedGameReplacesNoSlot) {
  std::string first;
  ASSERT_EQ(folder_.Run(Replay(), 2600, "--autosave", first), 0);  // a game that can be played, closed
  ASSERT_EQ(Count(first, "\"ev\":\"slot-save\",\"slot\":\"auto\",\"ok\":true"), 1u) << first;
  const std::string playable = folder_.Read("slots/auto.slot");

  // A game whose first mood runs out as its place is built.
  folder_.Write("save.dat", testing::SaveFileBytes(1, {1, 25, 20, 15, 10}, 3, "NORMAL", ""));

  Replay replay;
  for (uint32_t t = 2500; t <= 8000; t += 300) replay.At(t, "SPACE");
  replay.At(8100, "F5");
  std::string trace;
  ASSERT_EQ(folder_.Run(replay, 9000, "--autosave", trace), 0);
  EXPECT_NE(trace.find("\"ev\":\"state\",\"n\":50"), std::string::npos) << "no game over: " << trace;
  EXPECT_EQ(Count(trace, "\"ev\":\"slot-save\",\"slot\":\"auto\""), 0u) << "the doomed game was kept";
  EXPECT_NE(trace.find("\"ev\":\"slot-save\",\"slot\":\"quick\",\"ok\":false"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder_.path() / "slots" / "quick.slot"));
  EXPECT_TRUE(folder_.Read("slots/auto.slot") == playable) << "the playable autosave was replaced";

  std::string closed;  // the window closed on the game over's first page
  ASSERT_EQ(folder_.Run(Replay(), 3000, "--autosave", closed), 0);
  EXPECT_EQ(Count(closed, "\"ev\":\"slot-save\""), 0u) << closed;
  EXPECT_TRUE(folder_.Read("slots/auto.slot") == playable) << "the playable autosave was replaced";
}

// A click on the exploration screen takes a choice only on a choice; beside
// them (or a click that only focused the window) it does nothing.
TEST_F(ShellTest, AClickTakesAChoiceOnlyOnAChoice) {
  Replay replay;
  replay.At(2500, "CLICK 330 200").At(2700, "CLICK 200 10").At(2900, "CLICK 60 75");  // the choices are open
  std::string trace;
  ASSERT_EQ(folder_.Run(replay, 4000, "", trace), 0);
  std::vector<std::string> keys;
  for (const TraceLine& line : ReadTrace(trace))
    if (auto at = line.body.find("\"key\":\""); at != std::string::npos)
      keys.push_back(line.body.substr(at + 7, line.body.find('"', at + 7) - at - 7));
  EXPECT_EQ(keys, (std::vector<std::string>{"DOWN", "SPACE"})) << trace;
}

// A slot keeps the history and the play time; a slot of version 1, which
// kept neither, still loads, and the history then goes on as it was.
TEST_F(ShellTest, ASlotKeepsTheHistoryAndAnOlderSlotStillLoads) {
  ShellGame run(folder_.path());
  run.Play({{2500, vk::kSpace}, {3000, vk::kSpace}, {6000, vk::kSpace}, {6500, vk::kF5}}, 6500);
  const std::deque<std::string> kept = run.shell().history().lines();
  const std::string state = run.State();
  SlotFile file = run.slots().Read("quick");
  ASSERT_EQ(file.problem, SlotProblem::None);
  EXPECT_EQ(file.version, kSnapshotVersion);
  EXPECT_EQ(file.history, kept);
  EXPECT_EQ(file.summary.play_ms, 6500);
  EXPECT_EQ(file.summary.thumbnail.size(), static_cast<std::size_t>(kThumbWidth * kThumbHeight * 3));

  run.Play({{7000, vk::kDown}, {7200, vk::kSpace}, {9000, vk::kSpace}, {9500, vk::kF9}}, 9500);
  EXPECT_TRUE(run.State() == state);
  std::deque<std::string> loaded = run.shell().history().lines();
  ASSERT_FALSE(loaded.empty());
  EXPECT_EQ(loaded.back(), Sjis("―― ロード ――"));
  loaded.pop_back();
  EXPECT_EQ(loaded, kept) << "the history is the slot's";

  run.Play({{10000, vk::kDown}, {10200, vk::kSpace}}, 12000);
  const std::deque<std::string> before_old = run.shell().history().lines();
  folder_.Write("slots/quick.slot", EncodeSlotFile(file.summary, file.state, 1, run.slots().identity()));
  SlotFile old = run.slots().Read("quick");
  ASSERT_EQ(old.problem, SlotProblem::None);
  EXPECT_TRUE(old.summary.thumbnail.empty());
  run.Play({{12500, vk::kF9}}, 12500);
  EXPECT_NE(run.trace().rfind("\"ev\":\"slot-load\",\"slot\":\"quick\",\"ok\":true"), std::string::npos);
  EXPECT_TRUE(run.State() == state) << "a version 1 slot brings back the same game";
  EXPECT_EQ(run.shell().history().lines().size(), before_old.size() + 1) << "our history goes on";
}

// The first start shows over the picture how the menu opens; later starts
// do not.
TEST_F(ShellTest, TheFirstStartShowsTheWayToTheMenu) {
  ShellGame first(folder_.path(), std::nullopt, true), later(folder_.path());
  first.Play({}, 2000);
  later.Play({}, 2000);
  const Surface& a = first.platform().window();
  const Surface& b = later.platform().window();
  int differ_top = 0, differ_below = 0;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 416 * 3; ++x)
      if (a.Row(y)[x] != b.Row(y)[x]) ++(y < 40 ? differ_top : differ_below);
  EXPECT_GT(differ_top, 500) << "no notice at the top";
  EXPECT_EQ(differ_below, 0) << "the picture beneath is the game's";
  first.Play({}, 8000);
  later.Play({}, 8000);
  EXPECT_TRUE(first.platform().window().pixels == later.platform().window().pixels) << "the notice went away";
}

// On a pad, B backs out of the menu's pages and left and right change a
// setting; out of the menu, left and right reach nothing.
TEST_F(ShellTest, ThePadWorksTheMenu) {
  Replay replay;
  replay.At(2500, "PAD RIGHT").Then(100, "PAD START");
  for (int i = 0; i < 5; ++i) replay.Then(100, "PAD DOWN");  // 設定
  replay.Then(100, "PAD A").Then(100, "PAD DOWN").Then(100, "PAD DOWN").Then(100, "PAD LEFT");  // music, down one
  replay.Then(100, "PAD B").Then(100, "PAD B");
  std::string trace;
  ASSERT_EQ(folder_.Run(replay, 4500, "", trace), 0);
  EXPECT_NE(trace.find("\"ev\":\"setting\",\"name\":\"music_volume\",\"value\":9"), std::string::npos) << trace;
  EXPECT_NE(trace.find("\"ev\":\"menu\",\"open\":false"), std::string::npos) << "B twice: the settings, then the menu";
  EXPECT_EQ(trace.find("\"key\":\"VK39\""), std::string::npos) << "RIGHT out of the menu reached the game";
  EXPECT_EQ(trace.find("\"key\":\"N\""), std::string::npos) << "B in the menu is not the game's N";
}

// Backspace goes back one step at a time, to the game exactly as it stood
// before the step, and no further than the first.
TEST_F(ShellTest, BackspaceGoesBackAStepAtATime) {
  ShellGame run(folder_.path());
  run.Play({{2500, vk::kDown}}, 3200);
  const std::string before = run.State();  // the choices open, the cursor on the second
  run.Play({{3200, vk::kSpace}, {6000, vk::kSpace}, {6500, vk::kSpace}, {9000, vk::kSpace}}, 10000);
  ASSERT_FALSE(run.State() == before) << "no move";
  std::size_t rollbacks = 0;
  for (int i = 0; i < 10; ++i) run.Play({{10000, vk::kBackspace}}, 10000);
  const std::string trace = run.trace();
  for (std::size_t at = trace.find("\"ev\":\"rollback\""); at != std::string::npos;
       at = trace.find("\"ev\":\"rollback\"", at + 1))
    ++rollbacks;
  EXPECT_GE(rollbacks, 1u);
  EXPECT_LT(rollbacks, 10u) << "more steps back than were taken";
  EXPECT_TRUE(run.State() == before) << "the first step back is not where the game stood";
  EXPECT_EQ(trace.find("\"key\":\"VK8\""), std::string::npos) << "the shell's key is not the game's";
}

// In the window (SDL's dummy display), SIGTERM closes it like the close box,
// and so does SIGHUP (the terminal it was started from closed).
TEST_F(ShellTest, SigtermOrSighupInTheWindowAutosaves) {
  for (int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    const fs::path slot = folder_.path() / "slots" / "auto.slot";
    fs::remove(slot);
    testing::Child window({"--game-dir", folder_.path().string(), "--trace", "-"}, [] {
      ::setenv("SDL_VIDEODRIVER", "dummy", 1);
      ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    });
    ASSERT_TRUE(window.ReadUntil("\"ev\":\"node\"")) << window.output();  // into the exploration
    window.Signal(signal);
    const int status = window.Finish();
    ASSERT_TRUE(WIFEXITED(status)) << "the program did not end by itself";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs::exists(slot));
  }
}

// The game playing itself in the window keeps its hands off the player's
// autosave, even when closed like that window.
TEST_F(ShellTest, TheGamePlayingItselfInTheWindowLeavesTheAutosaveAlone) {
  testing::Child window({"--game-dir", folder_.path().string(), "--autoplay", "--trace", "-"}, [] {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  });
  ASSERT_TRUE(window.ReadUntil("\"ev\":\"node\"")) << window.output();
  window.Signal(SIGTERM);
  const int status = window.Finish();
  ASSERT_TRUE(WIFEXITED(status)) << "the program did not end by itself";
  EXPECT_EQ(window.output().find("\"ev\":\"slot-save\""), std::string::npos) << window.output();
  EXPECT_FALSE(fs::exists(folder_.path() / "slots"));
}

// --- The menu ---------------------------------------------------------------

// A moment to open the menu at, in a run that also goes on without it.
struct Pause {
  const char* name;
  std::string save_dat;
  std::vector<Step> steps;
  const char* marker;
  uint32_t delay;
  uint32_t until;
};

TEST_F(ShellTest, TheMenuPausesTheGameExactly) {
  const uint32_t kPause = 1700;
  const std::vector<Pause> pauses = {
      {"mid-page", "", Join({{{500, "SPACE"}}, Every(4000, 9000, 700, "SPACE")}), "\"text\":\"Prologue\"", 250, 11000},
      {"mid-move", testing::SaveFileBytes(2, {40, 40, 20, 15, 10}, 0, "NORMAL", ""),
       Join({{{2500, "SPACE"}, {3000, "DOWN"}, {3300, "SPACE"}}, Every(6000, 9000, 500, "SPACE")}),
       "\"key\":\"DOWN\"", 550, 11000},
      {"on the save question", "",
       Join({{{500, "SPACE"}}, Every(2500, 60000, 200, "SPACE"), {{61000, "Y"}, {61500, "SPACE"}}}),
       "\"ev\":\"state\",\"n\":17", 350, 64000},
  };
  for (const Pause& pause : pauses) {
    SCOPED_TRACE(pause.name);
    GameFolder plain_folder, menu_folder;
    for (const GameFolder* f : {&plain_folder, &menu_folder})
      if (!pause.save_dat.empty()) f->Write("save.dat", pause.save_dat);
    std::string plain_text;
    ASSERT_EQ(plain_folder.Run(ToReplay(pause.steps), pause.until, "", plain_text), 0);
    const auto plain = ReadTrace(plain_text);
    const std::size_t mark = FindLine(plain, pause.marker);
    ASSERT_LT(mark, plain.size()) << plain_text;
    const uint32_t open_at = plain[mark].t + pause.delay;

    std::vector<Step> steps;
    for (const Step& step : pause.steps)
      if (step.t < open_at) steps.push_back(step);
    for (const Step& step : std::vector<Step>{{open_at, "ESC"}, {open_at + 300, "DOWN"}, {open_at + 450, "DOWN"},
                                              {open_at + 600, "SPACE"},
                                              {open_at + 900, "ESC"}, {open_at + 1200, "UP"},
                                              {open_at + kPause, "ESC"}})
      steps.push_back(step);
    for (const Step& step : pause.steps)
      if (step.t >= open_at) steps.push_back({step.t + kPause, step.action});
    std::string menu_text;
    ASSERT_EQ(menu_folder.Run(ToReplay(steps), pause.until + kPause, "", menu_text), 0);
    std::vector<TraceLine> with_menu;
    for (const TraceLine& line : ReadTrace(menu_text))
      if (line.body.find("\"ev\":\"menu\"") == std::string::npos) with_menu.push_back(line);
    EXPECT_EQ(Count(menu_text, "\"ev\":\"menu\""), 2u) << "opened and closed once";

    std::size_t before = 0;
    while (before < plain.size() && plain[before].t < open_at) ++before;
    ASSERT_GE(with_menu.size(), before);
    std::vector<TraceLine> head(with_menu.begin(), with_menu.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ(Tail(head, 0, 0), Tail(std::vector<TraceLine>(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(before)), 0, 0));
    EXPECT_EQ(Tail(with_menu, before, kPause), Tail(plain, before, 0));
  }
}

TEST_F(ShellTest, SavingToSlotThreeAndLoadingItThroughTheMenu) {
  Replay replay;
  replay.At(2500, "SPACE").At(3000, "ESC").Then(100, "DOWN").Then(100, "DOWN").Then(100, "SPACE");  // セーブ
  replay.Then(100, "DOWN").Then(100, "DOWN").Then(100, "SPACE");                  // slot 3, empty: saved
  replay.At(4000, "DOWN").At(4200, "SPACE").At(7000, "SPACE");                    // a move
  replay.At(8000, "ESC").Then(100, "DOWN").Then(100, "DOWN").Then(100, "DOWN").Then(100, "SPACE");  // ロード
  replay.Then(100, "DOWN").Then(100, "DOWN").Then(100, "DOWN").Then(100, "DOWN").Then(100, "SPACE");  // quick, auto, 1, 2, 3
  replay.Then(100, "Y");                                                             // ロードしますか？
  replay.Then(300, "ESC").Then(100, "UP").Then(100, "UP").Then(100, "ENTER").Then(100, "Y");  // タイトルへ
  std::string trace;
  ASSERT_EQ(folder_.Run(replay, 10500, "--autosave", trace), 0);
  const std::size_t saved = trace.find("\"ev\":\"slot-save\",\"slot\":\"3\",\"ok\":true");
  ASSERT_NE(saved, std::string::npos) << trace;
  const std::size_t kept = trace.find("\"ev\":\"slot-save\",\"slot\":\"auto\",\"ok\":true", saved);
  const std::size_t loaded = trace.find("\"ev\":\"slot-load\",\"slot\":\"3\",\"ok\":true", saved);
  ASSERT_NE(loaded, std::string::npos) << trace;
  EXPECT_LT(kept, loaded) << "the running game was not kept before the load";
  const std::size_t restart = trace.find("\"ev\":\"start\"", loaded);
  ASSERT_NE(restart, std::string::npos) << trace;
  EXPECT_LT(trace.find("\"ev\":\"slot-save\",\"slot\":\"auto\",\"ok\":true", loaded), restart)
      << "the loaded game was not kept before タイトルへ";
  EXPECT_TRUE(fs::exists(folder_.path() / "slots" / "3.slot"));
  EXPECT_EQ(trace.find("\"key\":\"ESC\""), std::string::npos) << "the menu's keys are not the game's";
}

TEST_F(ShellTest, TheHistoryKeepsThePagesAndMoves) {
  fs::remove(folder_.path() / "save.dat");
  ShellGame run(folder_.path());
  run.Play({{500, vk::kSpace}, {4000, vk::kSpace}, {4700, vk::kSpace}, {5400, vk::kSpace}}, 12000);
  const auto& lines = run.shell().history().lines();
  const Game& game = run.game();
  ASSERT_TRUE(game.reveal.RevealDone) << "the page has not been shown whole yet";
  ASSERT_GE(game.page.PageLineIndex, 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), game.page.PageLines[game.page.PageLineIndex]) << "the page shown last is at the bottom";

  GameFolder explore;
  explore.Write("save.dat", testing::SaveFileBytes(2, {40, 40, 20, 15, 10}, 0, "NORMAL", ""));
  ShellGame moves(explore.path());
  moves.Play({{2500, vk::kSpace}, {3000, vk::kSpace}, {6000, vk::kSpace}}, 7000);
  const auto& walked = moves.shell().history().lines();
  const auto taken = std::find_if(walked.begin(), walked.end(),
                                  [](const std::string& line) { return line.starts_with(Sjis("　→ ")); });
  ASSERT_NE(taken, walked.end()) << "no choice in the history";
  ASSERT_NE(taken + 1, walked.end());
  EXPECT_NE((taken + 1)->find(Sjis("．")), std::string::npos) << "the place the move led to, with its moods";
}

TEST_F(ShellTest, SettingsSurviveARestart) {
  testing::TempDir config;
  testing::ScopedEnv config_home("XDG_CONFIG_HOME", config.path());
  Replay replay;
  replay.At(2500, "ESC").Then(100, "UP").Then(100, "UP").Then(100, "UP").Then(100, "SPACE");  // 設定
  replay.Then(100, "DOWN").Then(100, "DOWN").Then(100, "VK37").Then(100, "ESC").Then(100, "ESC");  // music, LEFT
  std::string first, second;
  EXPECT_EQ(folder_.Run(replay, 4000, "--settings", first), 0);
  EXPECT_EQ(folder_.Run(replay, 4000, "--settings", second), 0);
  const std::string written = config.Read("nurumo/settings.ini");

  // Without --settings a headless run starts from the defaults and leaves the
  // player's file alone, whatever it holds.
  config.Write("nurumo/settings.ini", "music_volume=3\ntext=2\n");
  std::string plain;
  EXPECT_EQ(folder_.Run(replay, 4000, "", plain), 0);
  EXPECT_NE(first.find("\"ev\":\"setting\",\"name\":\"music_volume\",\"value\":9"), std::string::npos) << first;
  EXPECT_NE(second.find("\"ev\":\"setting\",\"name\":\"music_volume\",\"value\":8"), std::string::npos) << second;
  EXPECT_NE(written.find("music_volume=8"), std::string::npos);
  EXPECT_NE(plain.find("\"ev\":\"setting\",\"name\":\"music_volume\",\"value\":9"), std::string::npos) << plain;
  EXPECT_EQ(config.Read("nurumo/settings.ini"), "music_volume=3\ntext=2\n");
}

TEST_F(ShellTest, QuittingFromTheMenuKeepsTheAutosave) {
  Replay replay;
  replay.At(2500, "SPACE").At(3000, "ESC").Then(100, "UP").Then(100, "ENTER").Then(100, "Y");  // 終了, yes
  std::string trace;
  ASSERT_EQ(folder_.Run(replay, 10000, "--autosave", trace), 0) << folder_.Read("stderr.txt");
  const std::size_t saved = trace.find("\"ev\":\"slot-save\",\"slot\":\"auto\",\"ok\":true");
  ASSERT_NE(saved, std::string::npos) << trace;
  EXPECT_GT(saved, trace.find("\"ev\":\"menu\",\"open\":true"));
  EXPECT_EQ(trace.find("\"t\":10000,"), std::string::npos) << "the run went on to its end";
  EXPECT_TRUE(fs::is_regular_file(folder_.path() / "slots" / "auto.slot"));
}

// The voice mode is the marker file beside save.dat, written and removed by
// the setting as the next start will look for it.
TEST_F(ShellTest, TheVoiceSettingWritesAndRemovesItsMarker) {
  auto turn = [](const char* key) {  // RIGHT turns it on, LEFT off
    Replay replay;
    replay.At(2500, "ESC").Then(100, "UP").Then(100, "UP").Then(100, "UP").Then(100, "ENTER");  // 設定
    for (int i = 0; i < 5; ++i) replay.Then(100, "DOWN");                                        // 音声モード
    replay.Then(100, key).Then(100, "ESC").Then(100, "ESC");
    return replay;
  };
  const fs::path marker = folder_.path() / fs::u8path("音声モード.txt");
  std::string on, off;
  ASSERT_EQ(folder_.Run(turn("VK39"), 4000, "", on), 0);
  EXPECT_NE(on.find("\"ev\":\"setting\",\"name\":\"voice\",\"value\":1"), std::string::npos) << on;
  EXPECT_TRUE(fs::is_regular_file(marker));
  ASSERT_EQ(folder_.Run(turn("VK37"), 4000, "", off), 0);
  EXPECT_NE(off.find("\"ev\":\"setting\",\"name\":\"voice\",\"value\":0"), std::string::npos) << off;
  EXPECT_FALSE(fs::exists(marker));
}

// --scale, --fullscreen and --text win over the settings file: in the window
// (SDL's dummy display), each setting stepped down once from where it
// stands shows where that was.
TEST_F(ShellTest, TheCommandLineWinsOverTheSettingsFile) {
  testing::TempDir config;
  testing::ScopedEnv config_home("XDG_CONFIG_HOME", config.path());
  config.Write("nurumo/settings.ini", "scale=1\nfullscreen=0\ntext=2\n");
  Replay replay;
  replay.At(1500, "ESC").Then(100, "UP").Then(100, "UP").Then(100, "UP").Then(100, "ENTER");  // 設定
  replay.Then(100, "VK37").Then(100, "DOWN").Then(100, "VK37");                               // scale, full screen
  replay.Then(100, "DOWN").Then(100, "DOWN").Then(100, "DOWN").Then(100, "VK37");              // text
  replay.Then(100, "ESC").Then(100, "ESC").Then(100, "QUIT");
  folder_.Write("replay.txt", replay.text());
  std::string trace;
  const std::string command = testing::Quoted(testing::kProgram) + " --game-dir " + testing::Quoted(folder_.path()) +
                              " --replay " + testing::Quoted(folder_.path() / "replay.txt") +
                              " --trace - --scale 2 --fullscreen --text sharp 2>/dev/null";
  ASSERT_EQ(testing::RunCommand("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " + command, trace), 0);
  for (const char* setting : {"\"name\":\"scale\",\"value\":1", "\"name\":\"fullscreen\",\"value\":0",
                              "\"name\":\"text\",\"value\":0"})
    EXPECT_NE(trace.find(setting), std::string::npos) << setting << "\n" << trace;
}

// The quick save's notice still stands when the menu changes the way text is
// drawn; the notice must draw with the new rasteriser, not the one it saw.
TEST_F(ShellTest, ANoticeOutlivesTheRasteriserItWasShownWith) {
  Replay replay;
  replay.At(500, "SPACE").At(2500, "SPACE").At(3000, "F5").Then(100, "ESC");
  replay.Then(50, "UP").Then(50, "UP").Then(50, "UP").Then(50, "ENTER");  // 設定
  for (int i = 0; i < 4; ++i) replay.Then(50, "DOWN");                     // 文字の描き方
  replay.Then(50, "VK39").Then(50, "ESC").Then(50, "ESC").Then(200, "SPACE");
  testing::TempDir config;  // the menu writes the settings file: not the user's
  testing::ScopedEnv config_home("XDG_CONFIG_HOME", config.path());
  std::string trace;
  const int status = folder_.Run(replay, 6000, "", trace);
  ASSERT_EQ(status, 0) << folder_.Read("stderr.txt");
  EXPECT_NE(trace.find("\"ev\":\"setting\",\"name\":\"text\",\"value\":1"), std::string::npos) << trace;
}

TEST(Settings, TheFileIsReadWholeOrNotAtAll) {
  struct Case {
    const char* text;
    int text_setting;  // what Settings::text ends as
    int music;
    bool complaint;
  };
  for (const Case& c : {Case{"text=2\nmusic_volume=3\n", 2, 3, false},
                        Case{"# comment\n[nurumo]\n text = 1 \n", 1, 10, false},
                        Case{"music_volume=3\ntext=3\n", 0, 10, true},  // out of range: nothing taken
                        Case{"voice=1\n", 0, 10, true},                  // the marker file's, not the ini's
                        Case{"text=smooth\n", 0, 10, true}}) {
    testing::TempDir dir;
    dir.Write("settings.ini", c.text);
    Settings settings;
    std::ostringstream err;
    ReadSettings(dir.path() / "settings.ini", settings, err);
    EXPECT_EQ(settings.text, c.text_setting) << c.text;
    EXPECT_EQ(settings.music_volume, c.music) << c.text;
    EXPECT_EQ(!err.str().empty(), c.complaint) << c.text << err.str();
  }

  testing::Deadline deadline(60);  // a pipe by its name, which nobody writes: refused, not waited on
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "settings.ini").c_str(), 0644), 0);
  Settings settings;
  std::ostringstream err;
  ReadSettings(dir.path() / "settings.ini", settings, err);
  EXPECT_EQ(settings.text, Settings{}.text);
  EXPECT_EQ(settings.music_volume, 10);
  EXPECT_FALSE(err.str().empty()) << "a pipe said nothing";
}

// The menu writes the one setting the player changed and keeps every other
// line as it stood: the window's scale and full screen of this run, whatever
// they are, are not the player's choice.
TEST_F(ShellTest, TheMenuWritesOnlyTheSettingChanged) {
  testing::TempDir config;
  const std::string mine = "scale=0\nfullscreen=1\n# the player's own note\n[window]\r\nmusic_volume = 10  # loud\n";
  config.Write("settings.ini", mine);
  ShellGame run(folder_.path(), config.path() / "settings.ini");
  run.Play({}, 2500);
  run.PressAll({vk::kEscape, vk::kUp, vk::kUp, vk::kUp, vk::kSpace, vk::kDown, vk::kDown, vk::kLeft}, 2600);  // 設定, music
  EXPECT_NE(run.trace().find("\"ev\":\"setting\",\"name\":\"music_volume\",\"value\":9"), std::string::npos)
      << run.trace();
  EXPECT_EQ(config.Read("settings.ini"),
            "scale=0\nfullscreen=1\n# the player's own note\n[window]\r\nmusic_volume = 9  # loud\n");
  // sound volume, not in the file yet: added at its end
  run.PressAll({vk::kEscape, vk::kUp, vk::kUp, vk::kUp, vk::kSpace, vk::kDown, vk::kDown, vk::kDown, vk::kLeft}, 2700);
  EXPECT_TRUE(config.Read("settings.ini").ends_with("# loud\nsound_volume=9\n")) << config.Read("settings.ini");
}

TEST(Settings, AChangeKeepsEveryOtherLine) {
  struct Case {
    const char* before;
    const char* key;
    int value;
    const char* after;
  };
  for (const Case& c : {
           Case{"", "text", 2, "# nurumo settings (the menu writes the settings changed in it)\ntext=2\n"},
           Case{"text=1", "music_volume", 3, "text=1\nmusic_volume=3\n"},
           Case{"# mine\r\ntext = 1 # sharp\r\nfuture_key=yes\r\n", "text", 0,
                "# mine\r\ntext = 0 # sharp\r\nfuture_key=yes\r\n"},
           Case{"text=1\ntext=2\n", "text", 0, "text=0\ntext=0\n"},  // the last one counts when read: both change
           Case{"text=\n", "text", 2, "text=2\n"},
           Case{"# text=1\n", "text", 2, "# text=1\ntext=2\n"},  // a comment is no setting
       }) {
    EXPECT_EQ(UpdateSettingsText(c.before, c.key, c.value), c.after) << c.before;
  }
}

// The warning says what is wrong with the file, and a file the game cannot
// read whole is never replaced by a change in the menu.
TEST(Settings, AFileThatCannotBeTakenIsNamedForWhatItIsAndLeftAlone) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> make;
    const char* said;
  };
  const std::vector<Case> cases = {
      {"a line not understood", [](const fs::path& p) { std::ofstream(p) << "scale=1\nvolume=loud\n"; },
       "line 2 is not understood"},
      {"a folder", [](const fs::path& p) { fs::create_directory(p); }, "it is a folder"},
      {"a pipe", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, "not a regular file"},
      {"too large", [](const fs::path& p) {
         std::ofstream(p) << "# big\n";
         fs::resize_file(p, 1 << 20);
       }, "larger than 64 KB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const fs::path file = dir.path() / "settings.ini";
    c.make(file);
    Settings settings;
    std::ostringstream err;
    ReadSettings(file, settings, err);
    EXPECT_NE(err.str().find(c.said), std::string::npos) << err.str();
    const std::string said = err.str();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    const auto type = fs::symlink_status(file).type();
    const auto size = fs::is_regular_file(file) ? fs::file_size(file) : 0;
    std::string error;
    const bool written = UpdateSettings(file, "text", 2, error);
    EXPECT_EQ(written, std::string_view(c.what) == "a line not understood");  // only a file read whole is rewritten
    EXPECT_EQ(fs::symlink_status(file).type(), type);
    if (!written) {
      EXPECT_EQ(fs::is_regular_file(file) ? fs::file_size(file) : 0, size);
    }
  }
}

TEST_F(ShellTest, AfterAGameOverSpaceOpensTheMenuAndTheTitleStartsAgain) {
  folder_.Write("save.dat", testing::SaveFileBytes(1, {1, 25, 20, 15, 10}, 3, "NORMAL", ""));
  Replay replay;
  for (uint32_t t = 2500; t <= 20000; t += 300) replay.At(t, "SPACE");
  replay.At(22000, "SPACE").Then(200, "UP").Then(200, "UP").Then(200, "ENTER").Then(200, "Y");
  std::string trace;
  ASSERT_EQ(folder_.Run(replay, 24000, "--autosave", trace), 0);
  EXPECT_EQ(Count(trace, "\"ev\":\"slot-save\",\"slot\":\"auto\""), 0u) << "a game over is not kept";
  const std::size_t opened = trace.find("\"ev\":\"menu\",\"open\":true");
  ASSERT_NE(opened, std::string::npos) << "SPACE at the dead end did not open the menu";
  EXPECT_NE(trace.rfind("\"key\":\"SPACE\"", opened), std::string::npos) << "the SPACE still reached the game";
  const std::size_t restart = trace.find("\"ev\":\"start\",\"seed\":4", opened);
  ASSERT_NE(restart, std::string::npos) << "no fresh start";
  const std::size_t loaded = trace.find("\"ev\":\"load\",\"ok\":true", restart);
  EXPECT_NE(loaded, std::string::npos) << "a fresh start reads save.dat";
  EXPECT_NE(trace.find("\"ev\":\"state\",\"n\":18", restart), std::string::npos);
}

// Clicks, the wheel and pad buttons, through SDL's own queue (the dummy
// display), reach the game as its keys.
TEST_F(ShellTest, MouseAndPadReachTheGameAsKeys) {
  SdlPlatform platform(FileSystem(folder_.path()), SdlWindowOptions{1, false});
  OverlayPlatform overlay(platform);
  struct Host : ShellHost {
    explicit Host(OverlayPlatform& o) : played(o, 3) {}
    Game& game() override { return played; }
    bool started() const override { return true; }
    void ToGame(const InputEvent& event) override { DispatchEvent(played, event); }
    void Restart() override {}
    Game played;
  } host(overlay);
  std::ostringstream trace;
  host.played.trace.Open(&trace, [] { return 0u; });
  SlotStore slots(platform.Files());
  Shell shell(host, overlay, slots, ShellOptions{false, 300000, std::nullopt, Settings{}});
  ASSERT_TRUE(FormCreate(host.played));

  auto push = [](SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); };
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.sym = SDLK_SPACE;
  push(key);  // the place's line whole: the choices open
  SDL_Event click{};
  click.type = SDL_MOUSEBUTTONDOWN;
  click.button.button = SDL_BUTTON_LEFT;
  click.button.x = 60;
  click.button.y = 75;  // the second choice
  push(click);
  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = 1;
  push(wheel);
  SDL_Event pad{};
  pad.type = SDL_CONTROLLERBUTTONDOWN;
  pad.cbutton.button = SDL_CONTROLLER_BUTTON_A;
  push(pad);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);
  shell.Run();

  std::vector<std::string> keys;
  std::istringstream lines(trace.str());
  for (std::string line; std::getline(lines, line);)
    if (auto at = line.find("\"key\":\""); at != std::string::npos)
      keys.push_back(line.substr(at + 7, line.find('"', at + 7) - at - 7));
  EXPECT_EQ(keys, (std::vector<std::string>{"SPACE", "DOWN", "SPACE", "UP", "SPACE"}));
}

}  // namespace
}  // namespace nurumo
