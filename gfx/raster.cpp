// The one piece of GDI we write ourselves: fills, the rectangle blit with four
// raster operations, and the canvas's rectangles and lines. Byte-exact.
#include "gfx/raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace nurumo {

namespace {

// A byte operation applied eight bytes at a time, then to the tail; the
// unaligned words go through memcpy, which compilers turn into plain loads.
template <typename Op>
void ApplyRow(uint8_t* dst, const uint8_t* src, std::size_t n, Op op) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t d, v;
    std::memcpy(&d, dst + i, 8);
    std::memcpy(&v, src + i, 8);
    d = op(d, v);
    std::memcpy(dst + i, &d, 8);
  }
  for (; i < n; ++i) dst[i] = static_cast<uint8_t>(op(uint64_t{dst[i]}, uint64_t{src[i]}));
}

// One row of the blit: n bytes from src to dst with the raster operation.
void BlitRow(uint8_t* dst, const uint8_t* src, std::size_t n, Rop rop) {
  switch (rop) {
    case Rop::SrcCopy:
      std::memmove(dst, src, n);
      break;
    case Rop::SrcAnd:
      ApplyRow(dst, src, n, [](uint64_t d, uint64_t v) { return d & v; });
      break;
    case Rop::SrcPaint:
      ApplyRow(dst, src, n, [](uint64_t d, uint64_t v) { return d | v; });
      break;
    case Rop::NotSrcCopy:
      ApplyRow(dst, src, n, [](uint64_t, uint64_t v) { return ~v; });
      break;
  }
}

void PutPixel(Surface& s, int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  uint8_t* p = s.Row(y) + 3 * x;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

}  // namespace

void MakeRowTable(Surface& surface) { RebuildRows(surface); }  // our surfaces are always 24-bit

void CreateSurface(Surface& surface, int width, int height) { ResizeSurface(surface, width, height); }

void FillSurface(Surface& surface, int width, int height, const Bgr& colour) {
  CreateSurface(surface, width, height);
  for (int y = 0; y < surface.height; ++y) {
    uint8_t* p = surface.Row(y);
    for (int x = 0; x < surface.width; ++x, p += 3) std::memcpy(p, colour.data(), 3);
  }
}

void BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy, Rop rop) {
  // Clip on both sides as GDI does: a part that lies outside either surface
  // is neither read nor written.
  if (dx < 0) { w += dx; sx -= dx; dx = 0; }
  if (dy < 0) { h += dy; sy -= dy; dy = 0; }
  if (sx < 0) { w += sx; dx -= sx; sx = 0; }
  if (sy < 0) { h += sy; dy -= sy; sy = 0; }
  w = std::min({w, dst.width - dx, src.width - sx});
  h = std::min({h, dst.height - dy, src.height - sy});
  if (w <= 0 || h <= 0) return;
  std::size_t n = static_cast<std::size_t>(w) * 3;
  if (&dst == &src && (dx != sx || dy != sy)) {  // an overlapping in-place blit reads the source first
    Surface copy = src;
    BitBlt(dst, dx, dy, w, h, copy, sx, sy, rop);
    return;
  }
  for (int y = 0; y < h; ++y) BlitRow(dst.Row(dy + y) + 3 * dx, src.Row(sy + y) + 3 * sx, n, rop);
}

bool CopySurface(Surface& dst, const Surface& src, Rop rop) {
  BitBlt(dst, 0, 0, src.width, src.height, src, 0, 0, rop);
  return true;  // like GDI's flag; a clipped-away blit still succeeds
}

void FillRect(Surface& s, int left, int top, int right, int bottom, Colour colour) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, s.width);
  bottom = std::min(bottom, s.height);
  if (right <= left || bottom <= top) return;
  uint8_t pixel[3] = {colour.b, colour.g, colour.r};
  for (int y = top; y < bottom; ++y) {
    uint8_t* p = s.Row(y) + 3 * left;
    for (int x = left; x < right; ++x, p += 3) std::memcpy(p, pixel, 3);
  }
}

void FrameRect(Surface& s, int left, int top, int right, int bottom, Colour colour) {
  if (right <= left || bottom <= top) return;
  FillRect(s, left, top, right, top + 1, colour);
  FillRect(s, left, bottom - 1, right, bottom, colour);
  FillRect(s, left, top, left + 1, bottom, colour);
  FillRect(s, right - 1, top, right, bottom, colour);
}

void DrawLine(Surface& s, int x0, int y0, int x1, int y1, Colour colour) {
  // Bresenham from the start point; the end point itself is not drawn.
  int ax = std::abs(x1 - x0), ay = std::abs(y1 - y0);
  int stepx = x1 > x0 ? 1 : -1, stepy = y1 > y0 ? 1 : -1;
  int steps = std::max(ax, ay);
  int err = 0;
  int x = x0, y = y0;
  for (int i = 0; i < steps; ++i) {
    PutPixel(s, x, y, colour);
    if (ax >= ay) {
      x += stepx;
      err += 2 * ay;
      if (err > ax) { y += stepy; err -= 2 * ax; }
    } else {
      y += stepy;
      err += 2 * ax;
      if (err > ay) { x += stepx; err -= 2 * ay; }
    }
  }
}

}  // namespace nurumo
