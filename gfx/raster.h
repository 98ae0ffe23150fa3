// Surface operations: creation, fills and the rectangle blit with the four
// raster operations the game uses, clipped to both surfaces as GDI clips.
#pragma once

#include <array>
#include <cstdint>

#include "core/surface.h"
#include "platform/platform.h"

namespace nurumo {

enum class Rop : uint32_t {
  SrcCopy = 0x00CC0020,     // copy
  SrcAnd = 0x008800C6,      // source AND destination
  SrcPaint = 0x00EE0086,    // source OR destination
  NotSrcCopy = 0x00330008,  // complement of the source
};

using Bgr = std::array<uint8_t, 3>;  // a colour in pixel order: blue, green, red

void MakeRowTable(Surface& surface);
void CreateSurface(Surface& surface, int width, int height);
void FillSurface(Surface& surface, int width, int height, const Bgr& colour);

// One blit of w x h pixels from (sx, sy) of src to (dx, dy) of dst. dst may
// be src itself.
void BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy, Rop rop);

// The whole source to (0, 0) of the destination.
bool CopySurface(Surface& dst, const Surface& src, Rop rop);

// Canvas work: a filled rectangle (left, top included; right, bottom
// excluded), a 1-pixel frame of one, and a 1-pixel line.
void FillRect(Surface& s, int left, int top, int right, int bottom, Colour colour);
void FrameRect(Surface& s, int left, int top, int right, int bottom, Colour colour);
void DrawLine(Surface& s, int x0, int y0, int x1, int y1, Colour colour);

}  // namespace nurumo
