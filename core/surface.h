// A 24-bit picture: three bytes a pixel in the order blue, green, red, rows
// top to bottom, no padding, and a table of row pointers for pixel work.
#pragma once

#include <cstdint>
#include <vector>

#include "core/errors.h"

namespace nurumo {

struct Surface {
  Surface() = default;
  Surface(const Surface& other);  // copies pixels and points the new rows at them
  Surface& operator=(const Surface& other);
  Surface(Surface&&) noexcept = default;  // a moved vector keeps its buffer, so rows stay valid
  Surface& operator=(Surface&&) noexcept = default;

  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes, BGR
  std::vector<uint8_t*> rows;   // RowTable: rows[y] points at the first byte of row y

  bool empty() const { return width <= 0 || height <= 0; }

  // Row y through the RowTable; a row outside 0..height-1 is a RangeError.
  uint8_t* Row(int y) {
    if (y < 0 || y >= static_cast<int>(rows.size())) throw RangeError();
    return rows[static_cast<std::size_t>(y)];
  }
  const uint8_t* Row(int y) const {
    if (y < 0 || y >= static_cast<int>(rows.size())) throw RangeError();
    return rows[static_cast<std::size_t>(y)];
  }
};

class Serializer;

// Size and pixels; the row table is rebuilt when read. A stored size whose
// pixels the stream cannot hold is refused before anything is allocated.
void Sync(Serializer& s, Surface& surface);

// Give the surface a new size (contents zero, i.e. black) and rebuild its
// row table.
void ResizeSurface(Surface& s, int width, int height);

// Rebuild the row table after the pixels were replaced or moved.
void RebuildRows(Surface& s);

}  // namespace nurumo
