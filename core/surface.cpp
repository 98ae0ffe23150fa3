#include "core/surface.h"

#include "core/serializer.h"

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

void Sync(Serializer& s, Surface& surface) {
  int32_t width = surface.width, height = surface.height;
  SyncInRange(s, width, 0, 1 << 16, "a picture's width");
  SyncInRange(s, height, 0, 1 << 16, "a picture's height");
  const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  if (s.loading()) {
    if (bytes > s.remaining()) throw SerializeError("a picture larger than the state holds");
    ResizeSurface(surface, width, height);
  }
  if (bytes > 0) s.SyncBytes(surface.pixels.data(), bytes);
}

}  // namespace nurumo
