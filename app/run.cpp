#include "app/run.h"

#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <system_error>

#include "app/folders.h"
#include "app/form.h"
#include "core/serializer.h"
#include "core/text.h"
#include "game/game.h"
#include "game/messages.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/replay.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/system.h"
#include "shell/autoplay.h"
#include "shell/shell.h"
#include "shell/snapshot.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

constexpr int kAutoplayBoxMs = 5000;  // a box stands this long when nobody may be there

// The replay's text, bounded: a regular file or a pipe (a script may hand
// one over), never a folder.
bool ReadReplay(const Options& options, std::vector<ReplayLine>& lines, std::ostream& err) {
  if (!options.replay) return true;
  const std::string name = Utf8Of(*options.replay);  // the name as the player typed it, on Windows too
  std::error_code ec;
  if (std::filesystem::is_directory(*options.replay, ec)) {
    err << "replay: " << name << " is a folder, not a replay file\n";
    return false;
  }
  std::ifstream in(*options.replay, std::ios::binary);
  if (!in) {
    err << "replay: cannot read " << name << '\n';
    return false;
  }
  std::string text(kMaxReplayBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    err << "replay: cannot read " << name << '\n';
    return false;
  }
  text.resize(static_cast<std::size_t>(in.gcount()));  // one byte more than a replay may hold tells a larger file
  try {
    lines = ParseReplay(text);
  } catch (const ReplayError& error) {
    err << error.what() << '\n';
    return false;
  }
  return true;
}

uint32_t ClockSeed() {
  std::random_device device;  // the seed alone comes from outside; the game draws from Random
  return device();
}

// A start from a slot: read and checked whole before the window opens.
struct Resume {
  std::string slot;
  std::unique_ptr<Snapshot> snapshot;
  SlotFile file;  // its summary and history, for the shell
};

bool ReadResume(const Options& options, const FileSystem& files, Resume& resume, std::ostream& err) {
  if (!options.load_slot) return true;
  resume.slot = *options.load_slot;
  SlotStore store(files);
  SlotFile file = store.Read(resume.slot);
  if (file.problem == SlotProblem::None) {
    try {
      resume.snapshot = DecodeSnapshot(file.state, file.version);
      file.state.clear();
      resume.file = std::move(file);
      return true;
    } catch (const SerializeError&) {
      file.problem = SlotProblem::Damaged;
    }
  }
  err << "nurumo: cannot start from slot " << resume.slot << " (" << Utf8Of(store.PathOf(resume.slot))
      << "): " << SlotProblemText(file.problem) << '\n';
  return false;
}

// The program's side of the shell: it owns the game the shell runs, and
// makes a fresh one when the player goes back to the title.
class App : public ShellHost {
 public:
  App(Platform& platform, uint32_t seed, std::ostream* trace_out, std::ostream& err, bool headless,
      AutoPlayer* autoplayer)
      : platform_(platform),
        overlay_(platform),
        trace_out_(trace_out),
        err_(err),
        headless_(headless),
        seed_(seed),
        autoplayer_(autoplayer) {
    NewGame();
  }

  Game& game() override { return *game_; }
  bool started() const override { return started_; }
  void ToGame(const InputEvent& event) override { DispatchEvent(*game_, event, started_); }

  // As a new start of the program: a fresh game with a new seed (the clock's
  // in the window; headless, the next number, so that runs repeat), save.dat
  // read as at any start. The trace goes on with the new game's start line.
  void Restart() override {
    FormDestroy(*game_);
    GameObserver* observer = game_->observer;  // the history goes on over the new game
    seed_ = headless_ ? seed_ + 1 : ClockSeed();
    NewGame();
    game_->observer = observer;
    Start(nullptr);
  }

  int Run(Resume& resume, const ShellOptions& shell_options) {
    SlotStore slots(overlay_.Files());
    Shell shell(*this, overlay_, slots, shell_options);  // first: its history hears the start-up too
    if (autoplayer_) {
      shell.SetKeySource({[this](const Game& game, uint32_t now) { return autoplayer_->Poll(game, now); },
                          [this](uint32_t now) { return autoplayer_->NextWake(now); }});
    }
    std::function<void(Game&)> from_slot;
    if (resume.snapshot) {
      from_slot = [&resume](Game& game) {
        ApplySnapshot(game, *resume.snapshot, game.platform.Now());
        game.trace.Event("slot-load").Utf8("slot", resume.slot).Bool("ok", true);
      };
    }
    Start(from_slot);
    if (resume.snapshot && started_) shell.Resumed(resume.file);
    shell.Run();
    FormDestroy(*game_);
    TraceExit(*game_);
    return trace_failed_ ? 1 : 0;  // a script reading the trace must notice that it is cut short
  }

 private:
  void NewGame() {
    game_ = std::make_unique<Game>(overlay_, seed_);
    game_->trace.Open(trace_out_, [this] { return platform_.Now(); }, [this](const std::string& reason) {
      trace_out_ = nullptr;  // a game begun later is not traced either
      if (trace_failed_) return;
      trace_failed_ = true;
      err_ << "nurumo: the trace cannot be written (" << reason << "); tracing stops, the game goes on\n";
    });
  }
  void Start(const std::function<void(Game&)>& resume) {
    game_->trace.Event("start").Int("seed", seed_);
    SetCaption(*game_, Sjis("ぬるも。"));  // the window's caption at creation
    started_ = FormCreate(*game_, resume);
  }

  Platform& platform_;
  OverlayPlatform overlay_;
  std::ostream* trace_out_;
  std::ostream& err_;
  bool trace_failed_ = false;
  bool headless_;
  uint32_t seed_;
  AutoPlayer* autoplayer_;
  std::unique_ptr<Game> game_;
  bool started_ = false;
};

int Play(Platform& platform, uint32_t seed, std::ostream* trace_out, std::ostream& err, Resume& resume,
         bool headless, ShellOptions shell_options, bool autoplay) {
  platform.Music().SetVolume(shell_options.settings.music_volume);
  platform.Sound().SetVolume(shell_options.settings.sound_volume);
  std::unique_ptr<AutoPlayer> autoplayer;
  if (autoplay) autoplayer = std::make_unique<AutoPlayer>(headless ? AutoPace::Fast : AutoPace::Reader);
  App app(platform, seed, trace_out, err, headless, autoplayer.get());
  return app.Run(resume, shell_options);
}

}  // namespace

int RunGame(const Options& options, std::ostream& out, std::ostream& err) {
  if (options.help) {
    out << UsageText();
    return 0;
  }
  if (options.version) {
    out << VersionText();
    return 0;
  }
  std::vector<ReplayLine> lines;
  if (!ReadReplay(options, lines, err)) return 2;  // before the game starts
  GameFolder game_folder;
  std::string folder_error;
  if (!ChooseGameDir(ThisProcessSearch(options.game_dir), game_folder, folder_error)) {
    err << "nurumo: " << folder_error << '\n';  // before any window: nothing to show a box over
    return 2;
  }

  std::ofstream trace_file;
  std::ostream* trace_out = nullptr;
  if (options.trace) {
    if (*options.trace == "-") {
      trace_out = &out;
    } else {
      trace_file.open(PathOfUtf8(*options.trace), std::ios::binary | std::ios::trunc);
      if (!trace_file) {
        err << "nurumo: cannot write the trace to " << *options.trace << '\n';
        return 2;
      }
      trace_out = &trace_file;
    }
  }

  FileSystem files(game_folder.dir, ChooseDataDir(game_folder));
  const uint32_t seed = options.seed ? *options.seed : ClockSeed();
  const uint32_t stop = options.until ? *options.until : DefaultStopTime(lines);
  auto replay = options.replay ? std::make_unique<ReplayFeeder>(lines, options.snap_dir) : nullptr;
  Resume resume;
  if (!ReadResume(options, files, resume, err)) return 2;  // before the window opens
  ShellOptions shell_options;
  // Headless, or while the game plays itself, only when asked: a demo keeps
  // its hands off the player's autosave.
  shell_options.autosave = (!options.headless && !options.autoplay) || options.autosave;
  // Headless runs start from the defaults and keep their hands off the
  // player's settings.ini unless asked: a test's pictures must not follow it.
  if (!options.headless || options.settings) shell_options.settings_file = SettingsFile(files.data_dir());
  if (shell_options.settings_file) ReadSettings(*shell_options.settings_file, shell_options.settings, err);
  if (!options.headless && shell_options.settings_file) {  // the first start in a window: show the menu's key once
    std::error_code missing;
    if (!fs::exists(*shell_options.settings_file, missing)) {
      shell_options.first_start = true;
      std::string error;
      CreateSettings(*shell_options.settings_file, error);  // next time it is no first start
    }
  }
  Settings& settings = shell_options.settings;
  if (options.scale) settings.scale = options.scale;  // the command line wins over the file
  if (options.fullscreen) settings.fullscreen = 1;
  if (options.text) settings.text = static_cast<int>(*options.text);
  const auto text = static_cast<TextRendering>(settings.text);

  if (options.headless) {
    HeadlessPlatform platform(std::move(files));
    platform.SetTextRendering(text);
    platform.AttachReplay(std::move(replay));
    platform.SetStopTime(stop);
    platform.CloseOnSignals();  // as SDL does for the window: a quit, then the normal end
    return Play(platform, seed, trace_out, err, resume, true, shell_options, options.autoplay);
  }
  std::unique_ptr<SdlPlatform> platform;
  try {
    SdlWindowOptions window{settings.scale, settings.fullscreen != 0};
    if (options.autoplay) window.box_closes_after_ms = kAutoplayBoxMs;  // nobody may be there to close it
    platform = std::make_unique<SdlPlatform>(std::move(files), window);
  } catch (const std::exception& error) {
    err << "nurumo: " << error.what() << '\n';
    return 1;
  }
  platform->SetTextRendering(text);
  platform->AttachReplay(std::move(replay));
  return Play(*platform, seed, trace_out, err, resume, false, shell_options, options.autoplay);
}

}  // namespace nurumo
