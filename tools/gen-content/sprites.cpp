// The small pictures: the cursor strip, the title lettering, the ending
// picture and the desktop icon.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "canvas.h"
#include "core/text.h"
#include "platform/devices.h"

namespace nurumo::gen {

namespace {

constexpr double kPi = std::numbers::pi;

}  // namespace

// Eight frames of a pointer that leans toward its choice and back, a thin
// ring breathing around its tip. Dark on white: the game ANDs it on light
// screens and ORs its complement on dark ones.
Surface MakeCursorStrip() {
  Canvas c(256, 32, {1, 1, 1});
  const Rgb ink{0.05, 0.05, 0.1};
  for (int f = 0; f < 8; ++f) {
    double phase = std::sin(f * kPi / 4);
    double x0 = f * 32 + 6 + 3 * phase, cy = 13;  // the label's middle is 13 rows down
    c.Polygon({{x0, cy - 7}, {x0 + 14, cy}, {x0, cy + 7}, {x0 + 4, cy}}, ink);
    c.Ring(x0 + 14, cy, 3 + 1.5 * (1 + std::cos(f * kPi / 4)), 1, ink, 0.8);
    c.Line(x0 - 3, cy, x0 + 2, cy, 1, ink, 0.6);
  }
  return c.ToSurface();
}

// A still sea at first light, a path of light toward the watcher and one
// small boat. The game darkens the lower half behind the last pages' text.
Surface MakeEndingPicture() {
  Canvas c(480, 300);
  c.VerticalGradient({0.32, 0.36, 0.58}, {0.98, 0.8, 0.7}, 0, 160);
  c.VerticalGradient({0.55, 0.5, 0.62}, {0.12, 0.14, 0.28}, 160, 300);
  c.Disc(240, 160, 26, {1, 0.95, 0.8}, 1, 10);
  c.VerticalGradient({0.55, 0.5, 0.62}, {0.12, 0.14, 0.28}, 160, 300);
  for (int i = 0; i < 40; ++i) {
    double y = 163 + i * i * 0.09 + i * 0.6, half = 8 + i * 1.6;
    c.Line(240 - half, y, 240 + half, y, 1 + i * 0.04, {1, 0.9, 0.75}, 0.55 - i * 0.011);
  }
  Noise noise(20);
  for (int i = 0; i < 60; ++i) c.Disc(noise.Unit() * 480, noise.Unit() * 90, 0.6, {1, 1, 1}, 0.5 - noise.Unit() * 0.3);
  c.Polygon({{96, 186}, {124, 186}, {120, 191}, {100, 191}}, {0.08, 0.08, 0.15});
  c.Line(110, 186, 110, 170, 1, {0.08, 0.08, 0.15});
  c.Line(0, 160, 480, 160, 1, {0.9, 0.75, 0.7}, 0.6);
  return c.ToSurface();
}

// A square icon (the PNG has no transparency): a pale sky, a low sun and
// the lines of a still sea, framed.
Surface MakeIcon(int size) {
  const double s = size / 64.0;
  Canvas c(size, size, {0.88, 0.9, 0.97});
  c.VerticalGradient({0.8, 0.82, 0.95}, {0.98, 0.94, 0.92}, 0, static_cast<int>(36 * s));
  c.Disc(40 * s, 24 * s, 10 * s, {1, 1, 0.9}, 1, 3 * s);
  c.Rect(0, 36 * s, size, size, {0.78, 0.84, 0.94});
  for (int i = 0; i < 4; ++i) c.Line(10 * s, (42 + i * 5) * s, 54 * s, (42 + i * 5) * s, 1.5 * s, {0.35, 0.45, 0.7});
  for (double edge : {1.5 * s, size - 1.5 * s}) {
    c.Line(edge, 0, edge, size, 3 * s, {0.3, 0.25, 0.5});
    c.Line(0, edge, size, edge, 3 * s, {0.3, 0.25, 0.5});
  }
  return c.ToSurface();
}

// The same drawing as vectors, for the scalable icon (the sun's soft edge
// left out).
std::string IconSvg() {
  return R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <defs>
    <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#ccd1f2"/>
      <stop offset="1" stop-color="#faf0eb"/>
    </linearGradient>
  </defs>
  <rect width="64" height="64" fill="#e0e6f7"/>
  <rect width="64" height="36" fill="url(#sky)"/>
  <circle cx="40" cy="24" r="10" fill="#ffffe6"/>
  <rect y="36" width="64" height="28" fill="#c7d6f0"/>
  <path d="M10 42H54M10 47H54M10 52H54M10 57H54" stroke="#5973b3" stroke-width="1.5"/>
  <rect x="1.5" y="1.5" width="61" height="61" fill="none" stroke="#4d4080" stroke-width="3"/>
</svg>
)svg";
}

// "ぬるも。" in the game's own face, dark on white: the largest bold size
// whose ink, with a small margin, fits 158 x 36 so it sits in the panel.
// `drawn` says whether any ink came out.
Surface MakeLettering(bool* drawn) {
  constexpr int kMaxW = 158, kMaxH = 36, kMarginX = 3, kMarginY = 2;
  auto text = MakeTtfTextRasterizer();
  const std::string word = Sjis("ぬるも。");
  Surface work;
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // the ink's bounding box
  for (int size = 30; size >= 8; --size) {
    ResizeSurface(work, 2 * kMaxW, 2 * kMaxH + 20);
    std::fill(work.pixels.begin(), work.pixels.end(), uint8_t{255});
    text->Draw(work, kMarginX, kMarginY, word, FontSpec{size, true, false, false}, kBlack, nullptr);
    x0 = work.width, y0 = work.height, x1 = -1, y1 = -1;
    for (int y = 0; y < work.height; ++y)
      for (int x = 0; x < work.width; ++x)
        if (work.Row(y)[x * 3 + 1] < 250) {
          x0 = std::min(x0, x);
          y0 = std::min(y0, y);
          x1 = std::max(x1, x);
          y1 = std::max(y1, y);
        }
    if (x1 < 0 || (x1 - x0 + 1 + 2 * kMarginX <= kMaxW && y1 - y0 + 1 + 2 * kMarginY <= kMaxH)) break;
  }
  *drawn = x1 >= 0;
  Surface out;
  ResizeSurface(out, *drawn ? x1 - x0 + 1 + 2 * kMarginX : 128, *drawn ? y1 - y0 + 1 + 2 * kMarginY : 32);
  std::fill(out.pixels.begin(), out.pixels.end(), uint8_t{255});
  if (*drawn)
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        int sx = x0 - kMarginX + x, sy = y0 - kMarginY + y;
        if (sx < 0 || sy < 0 || sx >= work.width || sy >= work.height) continue;
        for (int k = 0; k < 3; ++k) out.Row(y)[x * 3 + k] = work.Row(sy)[sx * 3 + k];
      }
  return out;
}

}  // namespace nurumo::gen
