// Placeholder bodies; raster work lands with the pictures work.
#include "gfx/raster.h"

namespace nurumo {

void MakeRowTable(Surface& s) { RebuildRows(s); }
void CreateSurface(Surface& s, int w, int h) { ResizeSurface(s, w, h); }
void FillSurface(Surface& s, int w, int h, const Bgr&) { ResizeSurface(s, w, h); }
void BitBlt(Surface&, int, int, int, int, const Surface&, int, int, Rop) {}
bool CopySurface(Surface&, const Surface&, Rop) { return true; }
void FillRect(Surface&, int, int, int, int, Colour) {}
void FrameRect(Surface&, int, int, int, int, Colour) {}
void DrawLine(Surface&, int, int, int, int, Colour) {}

}  // namespace nurumo
