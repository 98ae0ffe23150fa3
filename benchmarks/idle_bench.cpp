// Processor time of an idle game in the SDL window: the pump waits for
// input or the next due slot instead of spinning. One 100 ms slot presents
// a frame, as the game's screens do, for five seconds of wall time.
// Run under xvfb-run (or with SDL_VIDEODRIVER=dummy); "cpu_percent" is the
// whole process's share of one core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "game/game.h"
#include "platform/sdl/sdl_platform.h"
#include "timing/pump.h"

namespace nurumo {
namespace {

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

constexpr uint32_t kRunMs = 5000;

// A small square changes every frame, as the menu's animated cursor does;
// the window skips frames that did not change at all.
void ShowFrame(Game& game, int32_t, int32_t) {
  Surface& frame = game.gfx.FrameSurface;
  for (int y = 100; y < 132; ++y)
    for (int x = 0; x < 32 * 3; ++x) frame.Row(y)[x] = static_cast<uint8_t>(frame.Row(y)[x] + 40);
  game.platform.Present(frame);
  if (game.platform.Now() - game.timers.TimerSlots[0].LastTime > kRunMs) game.terminate = true;
}

void BM_IdlePump(benchmark::State& state) {
  FileSystem files(std::filesystem::temp_directory_path());
  SdlPlatform platform(files, SdlWindowOptions{2, false});
  for (auto _ : state) {
    state.PauseTiming();
    Game game(platform, 1);
    ResizeSurface(game.gfx.FrameSurface, 416, 256);
    game.platform.Present(game.gfx.FrameSurface);  // the first frame sets the renderer up
    SetTimerSlot(game, 0, 0, nullptr);             // slot 0 keeps the start time, as slot 0 stays empty
    SetTimerSlot(game, 1, 100, ShowFrame);
    const double cpu_before = ProcessCpuSeconds();
    const uint32_t wall_before = platform.Now();
    state.ResumeTiming();
    RunPump(game, [](const InputEvent&) {});
    state.PauseTiming();
    const double wall = static_cast<double>(platform.Now() - wall_before) / 1000.0;
    state.counters["cpu_percent"] = 100.0 * (ProcessCpuSeconds() - cpu_before) / wall;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_IdlePump)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nurumo
