// The nineteen background pictures. The stage shows them washed (each
// channel becomes 191 or 255 by bit 6), so each recipe paints in "tones":
// 0 is the wash's grey, 1 its white, and colour lives in which channels are
// lit. Picture 1 is the title's: shown as it is there, and washed on pages.
#include <cmath>
#include <numbers>

#include "canvas.h"

namespace nurumo::gen {

namespace {

constexpr int kW = 416;
constexpr int kH = 256;
constexpr double kPi = std::numbers::pi;

// A seven-segment digit, top-left at (x, y), `size` high.
void Digit(Canvas& c, int digit, double x, double y, double size, Rgb ink) {
  constexpr int kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  const double w = size * 0.5, h = size * 0.5, t = std::max(1.0, size / 10);
  const double ends[7][4] = {{0, 0, w, 0}, {w, 0, w, h}, {w, h, w, 2 * h}, {0, 2 * h, w, 2 * h},
                             {0, h, 0, 2 * h}, {0, 0, 0, h}, {0, h, w, h}};
  for (int s = 0; s < 7; ++s)
    if (kSegments[digit] & (1 << s)) c.Line(x + ends[s][0], y + ends[s][1], x + ends[s][2], y + ends[s][3], t, ink);
}

void Star(Canvas& c, double cx, double cy, double r, double turn, double thickness, Rgb ink) {
  for (int i = 0; i < 5; ++i) {
    double a = turn + i * 4 * kPi / 5, b = turn + (i + 1) * 4 * kPi / 5;
    c.Line(cx + r * std::sin(a), cy - r * std::cos(a), cx + r * std::sin(b), cy - r * std::cos(b), thickness, ink);
  }
}

Canvas Beach() {  // 0: an empty shore, footprints going off
  Canvas c(kW, kH);
  c.VerticalGradient({0.55, 0.8, 1}, {1, 1, 1}, 0, 110);
  c.VerticalGradient({0.3, 0.65, 0.95}, {0.55, 0.85, 1}, 110, 150);
  c.VerticalGradient({1, 0.95, 0.7}, {1, 0.8, 0.45}, 150, kH);
  for (int i = 0; i < 6; ++i) c.Line(0, 118 + i * 6, kW, 118 + i * 6 + (i % 2), 1, {0.85, 0.95, 1}, 0.8);
  c.Line(0, 151, kW, 149, 3, {1, 1, 1});
  for (int i = 0; i < 9; ++i) {
    double x = 120 + i * 26, y = 240 - i * 10;
    c.Disc(x + (i % 2) * 8, y, 3.5 - i * 0.2, {0.5, 0.35, 0.2});
  }
  return c;
}

// Byte values for the pictures painted in plain colour (0..255 a channel).
constexpr Rgb Bytes(double r, double g, double b) { return {r / 255, g / 255, b / 255}; }

// 1: a pale dawn over still water. Shown plain on the title screen and
// washed on pages, so every shape is painted in channels that fall on
// either side of bit 6: washed, the sky runs from lavender through rose into
// a pale yellow band, the sea is blue with white paths of light, the sun a
// white disc in a lavender ring, the horizon and the stone grey.
Canvas Title() {
  Canvas c(kW, kH);
  c.VerticalGradient(Bytes(170, 172, 236), Bytes(252, 216, 160), 0, 170);
  c.VerticalGradient(Bytes(150, 168, 214), Bytes(186, 210, 238), 170, kH);
  c.Disc(330, 70, 42, Bytes(255, 252, 236), 1, 3);
  c.Ring(330, 70, 52, 2, Bytes(160, 150, 230));
  for (int i = 0; i < 12; ++i) {
    double y = 176 + i * i * 0.6 + i * 3;
    c.Line(260 - i * 6, y, 400 + i * 2, y, 1.5, Bytes(255, 255, 250));
  }
  c.Line(0, 170, kW, 170, 2, Bytes(150, 146, 180));
  c.Disc(150, 168, 5, Bytes(40, 40, 60));  // a small stone on the horizon
  return c;
}

Canvas Nightmare() {  // 2: a dark room, a seal burning on the far wall
  Canvas c(kW, kH, {0.04, 0.02, 0.08});
  c.Polygon({{120, 50}, {296, 50}, {296, 190}, {120, 190}}, {0.1, 0.05, 0.16});
  for (auto [x0, y0, x1, y1] : std::initializer_list<std::array<double, 4>>{
           {0, 0, 120, 50}, {kW, 0, 296, 50}, {0, kH, 120, 190}, {kW, kH, 296, 190}})
    c.Line(x0, y0, x1, y1, 2, {0.3, 0.1, 0.35});
  c.Ring(208, 118, 44, 3, {0.75, 0.1, 0.55});
  Star(c, 208, 118, 40, 0, 2, {0.75, 0.1, 0.55});
  c.Disc(208, 118, 5, {1, 0.3, 0.6});
  for (int i = 0; i < 7; ++i) c.Line(130 + i * 25, 190, 110 + i * 33, kH, 1, {0.2, 0.05, 0.25});
  return c;
}

Canvas SinkingSun() {  // 3: a red sun halfway into the sea
  Canvas c(kW, kH);
  c.VerticalGradient({0.95, 0.25, 0.3}, {1, 0.75, 0.35}, 0, 150);
  c.Disc(208, 150, 62, {1, 1, 0.6}, 1, 2);
  c.VerticalGradient({0.55, 0.08, 0.15}, {0.2, 0.02, 0.1}, 150, kH);
  for (int i = 0; i < 14; ++i) {
    double half = 60 - i * 3.5, y = 156 + i * 7;
    c.Line(208 - half, y, 208 + half, y, 2, {1, 0.75, 0.4}, 0.9);
  }
  for (int i = 0; i < 4; ++i) c.Line(0, 30 + i * 22, kW, 20 + i * 25, 1, {1, 0.55, 0.45}, 0.6);
  return c;
}

Canvas Ripples() {  // 4: a still surface, a finger's trace and its rings
  Canvas c(kW, kH, {0.45, 0.8, 0.85});
  for (int r = 10; r < 300; r += 14) c.Ring(150, 140, r, r < 120 ? 3 : 2, {0.9, 1, 1}, 1.0 - r / 320.0);
  for (int r = 8; r < 120; r += 12) c.Ring(320, 80, r, 2, {0.2, 0.55, 0.7}, 1.0 - r / 130.0);
  for (int x = 20; x < 400; ++x) {
    double y = 200 + 18 * std::sin(x / 40.0) - x * 0.15;
    c.Disc(x, y, 2.5, {1, 1, 1});
  }
  return c;
}

Canvas WarmLight() {  // 5: a warm bath of light
  Canvas c(kW, kH);
  c.Shade([](double x, double y, Rgb) {
    double d = std::hypot((x - 208) / 260, (y - 140) / 180);
    return Mix({1, 1, 0.75}, {1, 0.55, 0.5}, std::min(1.0, d));
  });
  for (int i = 0; i < 16; ++i) {
    double a = i * kPi / 8 + 0.2;
    c.Line(208 + 40 * std::cos(a), 140 + 40 * std::sin(a), 208 + 400 * std::cos(a), 140 + 400 * std::sin(a), 6,
           {1, 1, 0.9}, 0.6);
  }
  c.Disc(208, 140, 36, {1, 1, 1}, 1, 14);
  return c;
}

Canvas Furnace() {  // 6: a low, cramped room and the mouth of a furnace
  Canvas c(kW, kH, {0.45, 0.3, 0.2});
  c.Rect(0, 0, kW, 40, {0.2, 0.12, 0.08});
  for (int x = 0; x < kW; x += 52) c.Line(x, 0, x + 10, 40, 3, {0.1, 0.05, 0.05});
  c.Rect(0, 200, kW, kH, {0.3, 0.2, 0.12});
  c.Rect(140, 90, 276, 200, {0.15, 0.08, 0.05});
  c.Disc(208, 150, 50, {1, 0.55, 0.15}, 1, 3);
  c.Rect(158, 150, 258, 200, {1, 0.55, 0.15});
  c.Disc(208, 165, 26, {1, 0.95, 0.5}, 1, 6);
  for (int i = 0; i < 6; ++i) c.Line(150 + i * 23, 200, 150 + i * 23, 100, 2, {0.15, 0.08, 0.05}, 0.8);
  return c;
}

Canvas Doorway() {  // 7: a door ajar in the dark, a whisper curling out
  Canvas c(kW, kH, {0.12, 0.08, 0.2});
  c.Polygon({{170, 30}, {250, 40}, {250, 230}, {170, 240}}, {1, 0.95, 0.75});
  c.Polygon({{250, 40}, {300, 20}, {300, 250}, {250, 230}}, {0.3, 0.2, 0.35});
  c.Polygon({{170, 240}, {250, 230}, {330, kH}, {90, kH}}, {0.8, 0.7, 0.55}, 0.6);
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 90; ++i) {
      double t = i / 90.0;
      double x = 150 - t * 120 + k * 10, y = 80 + k * 40 + 14 * std::sin(t * 9 + k);
      c.Disc(x, y, 1.6, {0.85, 0.4, 0.75});
    }
  return c;
}

Canvas Table() {  // 8: an empty table, one small stone on it
  Canvas c(kW, kH, {0.9, 0.85, 0.7});
  c.Rect(0, 170, kW, kH, {0.6, 0.5, 0.4});
  c.Polygon({{90, 120}, {326, 120}, {370, 165}, {46, 165}}, {0.55, 0.35, 0.2});
  c.Rect(46, 165, 370, 175, {0.35, 0.2, 0.1});
  c.Rect(60, 175, 72, 245, {0.35, 0.2, 0.1});
  c.Rect(344, 175, 356, 245, {0.35, 0.2, 0.1});
  c.Disc(220, 140, 9, {0.2, 0.2, 0.25}, 1, 2);
  c.Disc(217, 137, 3, {0.6, 0.6, 0.65});
  c.Line(100, 60, 316, 60, 1, {0.7, 0.65, 0.5});
  return c;
}

Canvas WideSky() {  // 9: a wide sky, a long horizon
  Canvas c(kW, kH);
  c.VerticalGradient({0.4, 0.7, 1}, {0.95, 0.98, 1}, 0, 210);
  c.Rect(0, 210, kW, kH, {0.35, 0.6, 0.5});
  c.Line(0, 210, kW, 210, 2, {0.15, 0.35, 0.35});
  for (auto [x, y, r] : std::initializer_list<std::array<double, 3>>{
           {70, 60, 20}, {95, 55, 26}, {125, 62, 18}, {280, 110, 16}, {305, 104, 22}, {332, 112, 15}})
    c.Disc(x, y, r, {1, 1, 1}, 0.95, 6);
  return c;
}

Canvas Edge() {  // 10: the edge of a cliff, the wind going over
  Canvas c(kW, kH);
  c.VerticalGradient({0.75, 0.85, 0.95}, {0.95, 0.95, 1}, 0, kH);
  c.Polygon({{0, 140}, {180, 130}, {200, 150}, {170, kH}, {0, kH}}, {0.2, 0.22, 0.3});
  for (int i = 0; i < 9; ++i) {
    double y = 30 + i * 24;
    c.Line(60 + i * 12, y, 400, y - 30 + i * 3, 2, {0.4, 0.5, 0.65}, 0.8);
  }
  c.Disc(300, 200, 5, {0.2, 0.22, 0.3});  // something small, falling
  c.Line(300, 194, 296, 150, 1, {0.4, 0.5, 0.65}, 0.8);
  return c;
}

Canvas Stranger() {  // 11: a crack of pain, a stranger standing there
  Canvas c(kW, kH, {0.95, 0.9, 0.88});
  double x = 60, y = 0;
  Noise noise(11);
  while (y < kH) {
    double nx = x + noise.Signed() * 30 + 4, ny = y + 12 + noise.Unit() * 14;
    c.Line(x, y, nx, ny, 3, {0.9, 0.1, 0.15});
    x = nx;
    y = ny;
  }
  c.Disc(300, 80, 20, {0.15, 0.12, 0.2});
  c.Polygon({{270, 104}, {330, 104}, {350, kH}, {250, kH}}, {0.15, 0.12, 0.2});
  c.Polygon({{200, kH}, {250, 150}, {350, 150}, {416, kH}}, {0.6, 0.55, 0.6}, 0.5);
  return c;
}

Canvas WhiteRoom() {  // 12: a white room, its corners barely there
  Canvas c(kW, kH, {0.92, 0.92, 0.94});  // the ceiling
  Rgb line{0.3, 0.3, 0.38};
  c.Polygon({{0, 0}, {130, 60}, {130, 180}, {0, kH}}, {0.8, 0.8, 0.84});  // the side walls, in shade
  c.Polygon({{kW, 0}, {286, 60}, {286, 180}, {kW, kH}}, {0.8, 0.8, 0.84});
  c.Rect(130, 60, 286, 180, {1, 1, 1});  // the far wall, lit
  c.Polygon({{0, kH}, {130, 180}, {286, 180}, {kW, kH}}, {0.62, 0.62, 0.66});  // the floor, darker still
  for (auto [x0, y0, x1, y1] : std::initializer_list<std::array<double, 4>>{
           {0, 0, 130, 60}, {kW, 0, 286, 60}, {0, kH, 130, 180}, {kW, kH, 286, 180},
           {130, 60, 286, 60}, {130, 180, 286, 180}, {130, 60, 130, 180}, {286, 60, 286, 180}})
    c.Line(x0, y0, x1, y1, 1.5, line);
  return c;
}

Canvas Forest() {  // 13: dark trees close together
  Canvas c(kW, kH, {0.45, 0.75, 0.5});
  Noise noise(13);
  for (int i = 0; i < 26; ++i) {
    double x = noise.Unit() * kW, w = 6 + noise.Unit() * 22;
    double shade = 0.02 + noise.Unit() * 0.15;
    c.Rect(x, 0, x + w, kH, {shade, shade + 0.15, shade + 0.05});
  }
  for (int i = 0; i < 40; ++i) c.Disc(noise.Unit() * kW, noise.Unit() * 60, 18 + noise.Unit() * 20, {0.05, 0.25, 0.1}, 0.9, 4);
  c.Rect(0, 225, kW, kH, {0.1, 0.2, 0.1});
  return c;
}

Canvas Numbers() {  // 14: everything written as numbers and curves
  Canvas c(kW, kH, {0.9, 0.95, 1});
  for (int x = 0; x < kW; x += 26) c.Line(x, 0, x, kH, 1, {0.6, 0.75, 0.95}, 0.8);
  for (int y = 0; y < kH; y += 26) c.Line(0, y, kW, y, 1, {0.6, 0.75, 0.95}, 0.8);
  for (int x = 0; x < kW; ++x) {
    c.Disc(x, 128 - 60 * std::sin(x / 30.0) * std::exp(-x / 500.0), 1.5, {0.1, 0.2, 0.6});
    c.Disc(x, 128 + 40 * std::cos(x / 17.0), 1, {0.6, 0.1, 0.4});
  }
  c.Ring(300, 90, 50, 2, {0.1, 0.2, 0.6});
  c.Line(250, 90, 350, 90, 1, {0.1, 0.2, 0.6});
  c.Line(300, 40, 335, 125, 1, {0.1, 0.2, 0.6});
  Noise noise(14);
  for (int i = 0; i < 28; ++i) {
    double x = noise.Unit() * 390, y = noise.Unit() * 220, size = 10 + noise.Unit() * 16;
    for (int d = 0; d < 3; ++d) Digit(c, noise.Below(10), x + d * size * 0.75, y, size, {0.05, 0.1, 0.3});
  }
  return c;
}

Canvas Gate() {  // 15: a gate made of seals
  Canvas c(kW, kH, {0.97, 0.92, 0.8});
  c.Rect(0, 220, kW, kH, {0.75, 0.65, 0.5});
  Rgb red{0.65, 0.08, 0.1};
  c.Rect(110, 60, 134, 230, red);
  c.Rect(282, 60, 306, 230, red);
  c.Polygon({{70, 40}, {346, 40}, {356, 28}, {60, 28}}, {0.15, 0.1, 0.1});
  c.Rect(78, 40, 338, 52, red);
  c.Rect(96, 80, 320, 90, red);
  for (double x : {122.0, 294.0})
    for (double y : {120.0, 170.0}) {
      c.Disc(x, y, 18, {1, 1, 0.9});
      c.Ring(x, y, 16, 2, red);
      Star(c, x, y, 14, 0, 1.5, red);
    }
  c.Ring(208, 140, 40, 1, {0.6, 0.4, 0.6}, 0.6);
  return c;
}

Canvas WhiteLight() {  // 16: white light, nearly nothing else
  Canvas c(kW, kH);
  c.Shade([](double x, double y, Rgb) {
    double d = std::hypot((x - 208) / 300, (y - 110) / 200);
    return Mix({1, 1, 1}, {0.55, 0.6, 0.9}, std::min(1.0, d * d * 2.2));
  });
  for (int i = 0; i < 24; ++i) {
    double a = i * kPi / 12;
    c.Line(208, 110, 208 + 500 * std::cos(a), 110 + 500 * std::sin(a), 4, {1, 1, 0.55}, 0.55);
  }
  c.Disc(208, 110, 30, {1, 1, 1}, 1, 20);
  return c;
}

Canvas OpenWindow() {  // 17: a room, its window open on the world
  Canvas c(kW, kH, {0.75, 0.68, 0.6});
  c.Rect(0, 215, kW, kH, {0.5, 0.4, 0.3});
  c.Rect(150, 40, 300, 170, {0.55, 0.82, 1});
  c.Shade([](double x, double y, Rgb old) {
    if (x < 150 || x >= 300 || y < 40 || y >= 170) return old;
    double hill = 140 - 20 * std::sin((x - 150) / 40.0);
    return y > hill ? Rgb{0.35, 0.75, 0.4} : Rgb{0.55 + (y - 40) / 300, 0.82 + (y - 40) / 800, 1};
  });
  c.Disc(260, 70, 10, {1, 1, 0.8}, 1, 3);
  c.Rect(222, 40, 228, 170, {0.95, 0.93, 0.9});
  c.Rect(150, 102, 300, 108, {0.95, 0.93, 0.9});
  c.Rect(144, 34, 306, 40, {0.3, 0.2, 0.15});
  c.Rect(144, 170, 306, 178, {0.3, 0.2, 0.15});
  c.Polygon({{300, 34}, {345, 34}, {330, 200}, {306, 190}}, {1, 0.95, 0.95}, 0.85);  // the curtain
  return c;
}

Canvas Sigil() {  // 18: a circle of seals, a barrier
  Canvas c(kW, kH, {0.55, 0.5, 0.85});
  Rgb ink{0.2, 0.1, 0.45};
  c.Disc(208, 128, 110, {1, 1, 0.95});
  c.Ring(208, 128, 110, 3, ink);
  c.Ring(208, 128, 96, 1.5, ink);
  for (int i = 0; i < 60; ++i) {
    double a = i * kPi / 30;
    c.Line(208 + 96 * std::cos(a), 128 + 96 * std::sin(a), 208 + 104 * std::cos(a), 128 + 104 * std::sin(a),
           i % 5 == 0 ? 2.5 : 1, ink);
  }
  Star(c, 208, 128, 90, 0, 2, ink);
  for (int i = 0; i < 5; ++i) {
    double a = i * 2 * kPi / 5;
    double x = 208 + 90 * std::sin(a), y = 128 - 90 * std::cos(a);
    c.Disc(x, y, 11, {1, 1, 0.95});
    c.Ring(x, y, 11, 2, {0.7, 0.1, 0.3});
  }
  c.Ring(208, 128, 30, 2, {0.7, 0.1, 0.3});
  return c;
}

}  // namespace

Surface MakeBackground(int n) {
  using Recipe = Canvas (*)();
  constexpr std::array<Recipe, 19> kRecipes = {
      Beach, Title, Nightmare, SinkingSun, Ripples, WarmLight, Furnace, Doorway, Table, WideSky,
      Edge, Stranger, WhiteRoom, Forest, Numbers, Gate, WhiteLight, OpenWindow, Sigil,
  };
  Canvas picture = kRecipes.at(static_cast<std::size_t>(n))();
  return n == 1 ? picture.ToDualSurface() : picture.ToWashSurface();
}

}  // namespace nurumo::gen
