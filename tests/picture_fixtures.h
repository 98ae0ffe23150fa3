// Small picture fixtures written by the tests themselves: BMP files in the
// formats the loader takes, a JPEG, and a complete set of the game's pictures.
#pragma once

#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/surface.h"
#include "gfx/assets.h"
#include "gfx/raster.h"
#include "tests/support.h"

namespace nurumo::testing {

using PixelFn = std::function<Bgr(int x, int y)>;

// A BMP file: 24-bit (bottom-up or top-down) or 8-bit with a grey palette
// (the pixel's blue byte is the palette index).
inline std::string MakeBmp(int w, int h, const PixelFn& pixel, int bits = 24, bool top_down = false) {
  int palette = bits == 8 ? 256 : 0;
  int row_bytes = ((w * bits / 8) + 3) & ~3;
  uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(palette);
  std::string out = "BM";
  PutLe(out, offset + static_cast<uint32_t>(row_bytes * h), 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<uint32_t>(w), 4);
  PutLe(out, static_cast<uint32_t>(top_down ? -h : h), 4);
  PutLe(out, 1, 2);
  PutLe(out, static_cast<uint32_t>(bits), 2);
  PutLe(out, 0, 4);
  PutLe(out, static_cast<uint32_t>(row_bytes * h), 4);
  PutLe(out, 2835, 4);
  PutLe(out, 2835, 4);
  PutLe(out, static_cast<uint32_t>(palette), 4);
  PutLe(out, 0, 4);
  for (int i = 0; i < palette; ++i) PutLe(out, static_cast<uint32_t>(i * 0x010101), 4);
  std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(row_bytes * h), '\0');
  for (int r = 0; r < h; ++r) {
    int y = top_down ? r : h - 1 - r;
    char* row = out.data() + start + static_cast<std::size_t>(r * row_bytes);
    for (int x = 0; x < w; ++x) {
      Bgr p = pixel(x, y);
      if (bits == 8) row[x] = static_cast<char>(p[0]);
      else for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<char>(p[static_cast<std::size_t>(c)]);
    }
  }
  return out;
}

// A baseline JPEG of quality 100 (flat areas decode exactly).
inline std::string MakeJpeg(int w, int h, const PixelFn& pixel) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(w);
  info.image_height = static_cast<JDIMENSION>(h);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<std::size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Bgr p = pixel(x, y);
      for (int c = 0; c < 3; ++c) row[static_cast<std::size_t>(3 * x + c)] = p[static_cast<std::size_t>(c)];
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

// Background n: a flat colour that tells the pictures apart (blue n,
// green 64, red 0x80|n), with a white square at the top-left corner.
inline Bgr BackgroundPixel(int n, int x, int y) {
  if (x < 8 && y < 8) return {255, 255, 255};
  return {static_cast<uint8_t>(n), 64, static_cast<uint8_t>(0x80 | n)};
}

// The lettering: 40 x 12, black strokes (every third column) on a
// white-less mid grey 0x11 so every band differs.
inline Bgr LetteringPixel(int x, int) { return x % 3 == 0 ? Bgr{0, 0, 0} : Bgr{0x11, 0x11, 0x11}; }

// Cursor frame k (of eight, 32 x 32): white, with a black pixel at (k, k)
// of the frame and a black bar along its bottom row.
inline Bgr CursorPixel(int x, int y) {
  int k = x / 32, fx = x % 32;
  return (fx == k && y == k) || y == 31 ? Bgr{0, 0, 0} : Bgr{255, 255, 255};
}

inline std::string BackgroundName(int n) { return "dat/nuru" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".bmp"; }

// Every picture the game loads at start-up, except those in `skip`.
inline void WritePictures(const TempDir& dir, const std::vector<std::string>& skip = {}) {
  auto wanted = [&](const std::string& name) {
    for (const std::string& s : skip)
      if (s == name) return false;
    return true;
  };
  for (int n = 0; n < 19; ++n)
    if (wanted(BackgroundName(n))) dir.Write(BackgroundName(n), MakeBmp(416, 256, [n](int x, int y) { return BackgroundPixel(n, x, y); }));
  if (wanted("dat/nurumofont.bmp")) dir.Write("dat/nurumofont.bmp", MakeBmp(40, 12, LetteringPixel));
  if (wanted("dat/cursol.bmp")) dir.Write("dat/cursol.bmp", MakeBmp(256, 32, CursorPixel));
}

inline const uint8_t* Pixel(const Surface& s, int x, int y) { return s.Row(y) + 3 * x; }

// Whether the pixel is the grey value v in all three channels.
inline bool IsColour(const Surface& s, int x, int y, uint8_t v) {
  const uint8_t* p = Pixel(s, x, y);
  return p[0] == v && p[1] == v && p[2] == v;
}

// Whether any pixel of the rectangle has exactly the grey value v.
inline bool AnyIn(const Surface& s, int left, int top, int right, int bottom, uint8_t v) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (IsColour(s, x, y, v)) return true;
  return false;
}

inline Surface Uniform(int w, int h, uint8_t v) {
  Surface s;
  ResizeSurface(s, w, h);
  std::fill(s.pixels.begin(), s.pixels.end(), v);
  return s;
}

// A headless game whose pictures are written and loaded.
struct LoadedGame : HeadlessGame {
  explicit LoadedGame(uint32_t seed = 1) : HeadlessGame(seed) {
    WritePictures(dir);
    CreateSurfaces(game);
  }
};

}  // namespace nurumo::testing
