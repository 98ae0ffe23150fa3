// Quick save and quick load of the bundled game: the state encoded,
// compressed and written atomically; read, checked, decoded, swapped in and
// its picture shown. Run from the build folder (it needs game/dat).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/form.h"
#include "platform/headless/headless_platform.h"
#include "shell/slots.h"
#include "shell/snapshot.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;

struct Scratch {
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "nurumo-bench-XXXXXX").string();
    dir = ::mkdtemp(pattern.data());
    fs::create_directory_symlink(fs::path(NURUMO_BINARY_DIR) / "game" / "dat", dir / "dat");
  }
  ~Scratch() { fs::remove_all(dir); }
  fs::path dir;
};

// A game on the exploration screen of level 1, a few frames in.
struct Running {
  Running() : platform(FileSystem(scratch.dir)), game(platform, 5), slots(platform.Files()) {
    FormCreate(game);
    platform.PushKey(vk::kSpace);
    for (uint32_t t = 0; t < 20000; t += 100) {
      platform.SetClock(t);
      PumpPass(game, [this](const InputEvent& event) { DispatchEvent(game, event); });
      if (t == 3000) platform.PushKey(vk::kSpace);
    }
  }
  Scratch scratch;
  HeadlessPlatform platform;
  Game game;
  SlotStore slots;
};

void BM_QuickSave(benchmark::State& state) {
  Running run;
  std::string error;
  for (auto _ : state) {
    const std::string bytes = EncodeSnapshot(run.game, run.platform.Now());
    if (!run.slots.Write("quick", SummarizeGame(run.game, 0), bytes, error)) state.SkipWithError(error.c_str());
  }
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(run.slots.PathOf("quick")));
}
BENCHMARK(BM_QuickSave)->Unit(benchmark::kMillisecond);

void BM_QuickLoad(benchmark::State& state) {
  Running run;
  std::string error;
  run.slots.Write("quick", SummarizeGame(run.game, 0), EncodeSnapshot(run.game, run.platform.Now()), error);
  for (auto _ : state) {
    SlotFile file = run.slots.Read("quick");
    auto snapshot = DecodeSnapshot(file.state, file.version);
    ApplySnapshot(run.game, *snapshot, run.platform.Now());  // ends with the picture shown
  }
}
BENCHMARK(BM_QuickLoad)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nurumo
