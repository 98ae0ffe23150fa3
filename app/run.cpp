#include "app/run.h"

#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "app/folders.h"
#include "app/form.h"
#include "core/text.h"
#include "game/game.h"
#include "game/messages.h"
#include "platform/headless/headless_platform.h"
#include "platform/replay.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/autoplay.h"

namespace nurumo {

namespace {

constexpr int kAutoplayBoxMs = 5000;

bool ReadReplay(const Options& options, std::vector<ReplayLine>& lines, std::ostream& err) {
  if (!options.replay) return true;
  std::ifstream in(*options.replay, std::ios::binary);
  if (!in) {
    err << "replay: cannot read " << options.replay->string() << '\n';
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  try {
    lines = ParseReplay(text.str());
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

int Play(Platform& platform, uint32_t seed, std::ostream* trace_out, KeySource* autoplayer) {
  Game game(platform, seed);
  game.trace.Open(trace_out, [&platform] { return platform.Now(); });
  game.trace.Event("start").Int("seed", seed);
  SetCaption(game, Sjis("ぬるも。"));  // the window's caption at creation

  const bool started = FormCreate(game);
  RunPump(game, [&game, started](const InputEvent& event) { DispatchEvent(game, event, started); }, autoplayer);
  FormDestroy(game);
  TraceExit(game);
  return 0;
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
      trace_file.open(*options.trace, std::ios::binary | std::ios::trunc);
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

  std::unique_ptr<AutoPlayer> autoplayer;
  if (options.autoplay) autoplayer = std::make_unique<AutoPlayer>(options.headless ? AutoPace::Fast : AutoPace::Reader);

  if (options.headless) {
    HeadlessPlatform platform(std::move(files));
    platform.AttachReplay(std::move(replay));
    platform.SetStopTime(stop);
    return Play(platform, seed, trace_out, autoplayer.get());
  }
  std::unique_ptr<SdlPlatform> platform;
  try {
    SdlWindowOptions window{options.scale, options.fullscreen};
    if (options.autoplay) window.box_closes_after_ms = kAutoplayBoxMs;  // nobody may be there to close it
    platform = std::make_unique<SdlPlatform>(std::move(files), window);
  } catch (const std::exception& error) {
    err << "nurumo: " << error.what() << '\n';
    return 1;
  }
  platform->AttachReplay(std::move(replay));
  return Play(*platform, seed, trace_out, autoplayer.get());
}

}  // namespace nurumo
