#include "canvas.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace nurumo::gen {

namespace {

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

uint8_t ToByte(double v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0)); }

// Ordered thresholds by row (bit-reversed 0..15). The dither runs in
// whole rows because the NORMAL effect ANDs the stage with itself shifted
// one or two pixels sideways: a pattern that alternates along a row would
// be wiped out by that, a line screen survives it.
constexpr std::array<int, 16> kRowOrder = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};

// Bit 6 set when the tone beats the threshold; the low six bits and bit 7
// follow the tone so the unwashed file still shows the picture's shading.
uint8_t WashByte(double tone, int y) {
  tone = Clamp01(tone);
  double threshold = (kRowOrder[static_cast<std::size_t>(y & 15)] + 0.5) / 16.0;
  int bit6 = tone > threshold ? 0x40 : 0;
  int low = static_cast<int>(std::lround(tone * 63.0));
  int high = tone > 0.5 ? 0x80 : 0;
  return static_cast<uint8_t>(high | bit6 | low);
}

// A plain byte, moved across the nearest bit-6 boundary on the rows whose
// threshold says so when it lies within kDualBand / 2 of one.
constexpr double kDualBand = 24;
uint8_t DualByte(double v, int y) {
  double value = Clamp01(v) * 255.0;
  for (double boundary : {64.0, 128.0, 192.0})
    if (std::fabs(value - boundary) < kDualBand / 2) {
      double threshold = (kRowOrder[static_cast<std::size_t>(y & 15)] + 0.5) / 16.0 - 0.5;
      value += threshold * kDualBand;
      break;
    }
  return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

}  // namespace

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), fill) {}

void Canvas::Blend(int x, int y, Rgb colour, double alpha) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0) return;
  Rgb& p = At(x, y);
  p = Mix(p, colour, std::min(alpha, 1.0));
}

void Canvas::Shade(const std::function<Rgb(double, double, Rgb)>& f) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) At(x, y) = f(x, y, At(x, y));
}

void Canvas::VerticalGradient(Rgb top, Rgb bottom, int y0, int y1) {
  for (int y = std::max(0, y0); y < std::min(height_, y1); ++y) {
    double t = y1 - y0 > 1 ? static_cast<double>(y - y0) / (y1 - y0 - 1) : 0;
    for (int x = 0; x < width_; ++x) At(x, y) = Mix(top, bottom, t);
  }
}

void Canvas::Disc(double cx, double cy, double radius, Rgb colour, double alpha, double soft) {
  soft = std::max(soft, 0.5);
  int x0 = static_cast<int>(cx - radius - soft), x1 = static_cast<int>(cx + radius + soft) + 1;
  int y0 = static_cast<int>(cy - radius - soft), y1 = static_cast<int>(cy + radius + soft) + 1;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      Blend(x, y, colour, alpha * Clamp01((radius + soft * 0.5 - d) / soft));
    }
}

void Canvas::Ring(double cx, double cy, double radius, double thickness, Rgb colour, double alpha) {
  int r = static_cast<int>(radius + thickness) + 2;
  for (int y = static_cast<int>(cy) - r; y <= static_cast<int>(cy) + r; ++y)
    for (int x = static_cast<int>(cx) - r; x <= static_cast<int>(cx) + r; ++x) {
      double d = std::fabs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - radius);
      Blend(x, y, colour, alpha * Clamp01(thickness * 0.5 + 0.5 - d));
    }
}

void Canvas::Line(double x0, double y0, double x1, double y1, double thickness, Rgb colour, double alpha) {
  double dx = x1 - x0, dy = y1 - y0;
  double length2 = dx * dx + dy * dy;
  int r = static_cast<int>(thickness) + 2;
  int xa = static_cast<int>(std::min(x0, x1)) - r, xb = static_cast<int>(std::max(x0, x1)) + r;
  int ya = static_cast<int>(std::min(y0, y1)) - r, yb = static_cast<int>(std::max(y0, y1)) + r;
  for (int y = ya; y <= yb; ++y)
    for (int x = xa; x <= xb; ++x) {
      double px = x + 0.5 - x0, py = y + 0.5 - y0;
      double t = length2 > 0 ? Clamp01((px * dx + py * dy) / length2) : 0;
      double d = std::hypot(px - t * dx, py - t * dy);
      Blend(x, y, colour, alpha * Clamp01(thickness * 0.5 + 0.5 - d));
    }
}

void Canvas::Rect(double x0, double y0, double x1, double y1, Rgb colour, double alpha) {
  for (int y = static_cast<int>(std::floor(y0)); y < static_cast<int>(std::ceil(y1)); ++y)
    for (int x = static_cast<int>(std::floor(x0)); x < static_cast<int>(std::ceil(x1)); ++x)
      Blend(x, y, colour, alpha);
}

void Canvas::Polygon(const std::vector<std::pair<double, double>>& points, Rgb colour, double alpha) {
  for (int y = 0; y < height_; ++y) {
    double py = y + 0.5;
    std::vector<double> crossings;
    for (std::size_t i = 0; i < points.size(); ++i) {
      auto [ax, ay] = points[i];
      auto [bx, by] = points[(i + 1) % points.size()];
      if ((ay <= py) != (by <= py)) crossings.push_back(ax + (py - ay) / (by - ay) * (bx - ax));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
      for (int x = static_cast<int>(std::ceil(crossings[i] - 0.5)); x < static_cast<int>(std::ceil(crossings[i + 1] - 0.5)); ++x)
        Blend(x, y, colour, alpha);
  }
}

Surface Canvas::Convert(uint8_t (*byte)(double value, int y)) const {
  Surface s;
  ResizeSurface(s, width_, height_);
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = s.Row(y);
    for (int x = 0; x < width_; ++x) {
      const Rgb& p = At(x, y);
      row[x * 3] = byte(p.b, y);
      row[x * 3 + 1] = byte(p.g, y);
      row[x * 3 + 2] = byte(p.r, y);
    }
  }
  return s;
}

Surface Canvas::ToSurface() const {
  return Convert([](double v, int) { return ToByte(v); });
}

Surface Canvas::ToDualSurface() const { return Convert(DualByte); }

Surface Canvas::ToWashSurface() const { return Convert(WashByte); }

}  // namespace nurumo::gen
