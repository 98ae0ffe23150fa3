#include "core/surface.h"

namespace nurumo {

Surface::Surface(const Surface& other)
    : width(other.width), height(other.height), pixels(other.pixels) {
  RebuildRows(*this);
}

Surface& Surface::operator=(const Surface& other) {
  if (this != &other) {
    width = other.width;
    height = other.height;
    pixels = other.pixels;
    RebuildRows(*this);
  }
  return *this;
}

void ResizeSurface(Surface& s, int width, int height) {
  s.width = width < 0 ? 0 : width;
  s.height = height < 0 ? 0 : height;
  s.pixels.assign(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height) * 3, 0);
  RebuildRows(s);
}

void RebuildRows(Surface& s) {
  s.rows.resize(static_cast<std::size_t>(s.height));
  for (int y = 0; y < s.height; ++y)
    s.rows[static_cast<std::size_t>(y)] = s.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) * 3;
}

}  // namespace nurumo
