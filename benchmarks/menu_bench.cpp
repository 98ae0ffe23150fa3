// The menu over the paused game: opening it (a copy of the frozen picture
// and the first drawing) and redrawing it after a key, with the real text
// rasteriser; and the quick save and load of a slot's state.
#include <benchmark/benchmark.h>

#include <deque>

#include "core/text.h"
#include "platform/devices.h"
#include "shell/menu.h"
#include "shell/settings.h"

namespace nurumo {
namespace {

class Data : public MenuData {
 public:
  Data() {
    for (int i = 0; i < 300; ++i) history.push_back(Sjis("……ざざ。ページの行がここに並ぶ。") + std::to_string(i));
  }
  SlotFile ReadSlot(const std::string&) override { return {}; }
  const std::deque<std::string>& HistoryLines() override { return history; }
  int SettingValue(std::size_t) override { return 1; }
  int SettingHigh(std::size_t row) override { return SettingRows()[row].high; }
  std::deque<std::string> history;
};

Surface Frozen() {
  Surface frame;
  ResizeSurface(frame, 416, 256);
  for (std::size_t i = 0; i < frame.pixels.size(); ++i) frame.pixels[i] = static_cast<uint8_t>(i * 7);
  return frame;
}

// Opening: the frozen picture copied and the top page drawn over it.
void BM_MenuOpen(benchmark::State& state) {
  auto text = MakeTtfTextRasterizer();
  Data data;
  Menu menu(data);
  const Surface frozen = Frozen();
  for (auto _ : state) {
    menu.Open();
    Surface picture = frozen;
    menu.Draw(picture, *text);
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_MenuOpen)->Unit(benchmark::kMicrosecond);

// A key on a page and the page drawn again: the top, the history, the settings.
void BM_MenuRedraw(benchmark::State& state) {
  auto text = MakeTtfTextRasterizer();
  Data data;
  Menu menu(data);
  const Surface frozen = Frozen();
  menu.Open();
  for (int i = 0; i < state.range(0); ++i) menu.Key(vk::kDown);
  if (state.range(0) > 0) menu.Key(vk::kSpace);
  for (auto _ : state) {
    menu.Key(vk::kDown);
    Surface picture = frozen;
    menu.Draw(picture, *text);
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_MenuRedraw)->Arg(0)->Arg(3)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nurumo
