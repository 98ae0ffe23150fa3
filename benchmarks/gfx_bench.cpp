// Frame costs of the screen effects and of a whole exploration frame, with a
// plain copy of one frame's bytes as the yardstick.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/text.h"
#include "gfx/effects.h"
#include "gfx/page.h"
#include "tests/picture_fixtures.h"

namespace nurumo {
namespace {

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> a(416 * 256 * 3, 1), b(416 * 256 * 3);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame);

// The generator alone: NOISE draws one number per pixel.
void BM_RandomDrawsOfOneNoiseFrame(benchmark::State& state) {
  Random random(1);
  for (auto _ : state) {
    int32_t sum = 0;
    for (int i = 0; i < 416 * 256; ++i) sum += random(3);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_RandomDrawsOfOneNoiseFrame);

void BM_Effect(benchmark::State& state, const char* name) {
  testing::LoadedGame t;
  t.dir.Write("dat/ending.jpg", testing::MakeJpeg(416, 256, [](int x, int y) {
    return Bgr{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 99};
  }));
  SetEffect(t.game, name);
  for (auto _ : state) {
    if (t.game.effect.EffectRoutine == EffectKind::Ending) t.game.effect.FadeStep = 64;  // keep fading
    RunEffectRoutine(t.game);
    benchmark::DoNotOptimize(t.game.gfx.FrameSurface.pixels.data());
  }
}
BENCHMARK_CAPTURE(BM_Effect, none, "NONE");
BENCHMARK_CAPTURE(BM_Effect, noise, "NOISE");
BENCHMARK_CAPTURE(BM_Effect, normal, "NORMAL");
BENCHMARK_CAPTURE(BM_Effect, invert, "INVERT");
BENCHMARK_CAPTURE(BM_Effect, darkness, "DARKNESS");
BENCHMARK_CAPTURE(BM_Effect, astitle, "ASTITLE");
BENCHMARK_CAPTURE(BM_Effect, ending_fade, "ENDING");

// NOISE, page text, panel (redrawn every frame), title line, menu, cursor.
void BM_ExplorationFrame(benchmark::State& state) {
  testing::LoadedGame t;
  SetEffect(t.game, "NOISE");
  t.game.player.Level = 5;
  for (int j = 1; j <= 5; ++j) t.game.player.Params[j] = 20 * j;
  t.game.NodeTitle = Sjis("ぬるい沼");
  t.game.choices.ChoiceCount = 3;
  for (int i = 1; i <= 3; ++i) t.game.choices.ChoiceLabels[i] = Sjis("湯気の立つ泉へ");
  t.game.menu.MenuVisible = true;
  t.game.page.PageLines[0] = Sjis("＞ぬるい沼にたゆたっている。");
  t.game.page.PageLineIndex = 0;
  RevealAll(t.game);
  for (auto _ : state) {
    t.game.panel.PanelDirty = true;
    ExplorationScreen(t.game, 100, 100);
  }
}
BENCHMARK(BM_ExplorationFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nurumo
