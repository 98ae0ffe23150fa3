// A floating-point painting canvas for the picture recipes, and its two ways
// onto a 24-bit surface: plain colour, or "tone" pictures designed for the
// stage's wash (OR with 191 keeps only bit 6 of each channel).
#pragma once

#include <functional>
#include <vector>

#include "core/surface.h"
#include "gen.h"

namespace nurumo::gen {

struct Rgb {
  double r = 0, g = 0, b = 0;  // 0..1
};
Rgb Mix(Rgb a, Rgb b, double t);

class Canvas {
 public:
  Canvas(int width, int height, Rgb fill = {});
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb& At(int x, int y) { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
  const Rgb& At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

  // Every pixel through a function of its position and current colour.
  void Shade(const std::function<Rgb(double x, double y, Rgb old)>& f);
  void VerticalGradient(Rgb top, Rgb bottom, int y0, int y1);
  // A disc blended in with coverage `alpha`; `soft` pixels of feathered edge.
  void Disc(double cx, double cy, double radius, Rgb colour, double alpha = 1, double soft = 1);
  void Ring(double cx, double cy, double radius, double thickness, Rgb colour, double alpha = 1);
  void Line(double x0, double y0, double x1, double y1, double thickness, Rgb colour, double alpha = 1);
  void Rect(double x0, double y0, double x1, double y1, Rgb colour, double alpha = 1);
  // A closed polygon (even-odd rule).
  void Polygon(const std::vector<std::pair<double, double>>& points, Rgb colour, double alpha = 1);

  // Plain 24-bit colour.
  Surface ToSurface() const;
  // Plain colour that also reads washed: a channel within a few steps of
  // 64, 128 or 192 (where bit 6 turns) is dithered by rows, so the wash
  // shows the picture's bands with soft edges and the plain picture changes
  // by a few steps at most. The colours choose the washed picture: a channel
  // in 64..127 or 192..255 washes to 255, one in 0..63 or 128..191 to 191.
  Surface ToDualSurface() const;
  // For washed pictures: each channel's tone (0 = the wash's 191, 1 = its
  // 255) is dithered by rows into bit 6; the other bits carry the tone too,
  // so the raw file looks like a darker, richer version of the washed one.
  Surface ToWashSurface() const;

 private:
  void Blend(int x, int y, Rgb colour, double alpha);
  // Each channel of each pixel through `byte` (its value and row).
  Surface Convert(uint8_t (*byte)(double value, int y)) const;
  int width_, height_;
  std::vector<Rgb> pixels_;
};

}  // namespace nurumo::gen
