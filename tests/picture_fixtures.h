// Small picture fixtures written by the tests themselves: BMP files in the
// formats the loader takes, a JPEG, and a complete set of the game's pictures.
#pragma once

#include <jpeglib.h>

#include <algorithm>
#include <array>
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

// How a BMP file lays its pixels out, as the paint programs of old wrote them.
struct BmpLayout {
  int bits = 24;          // 4 and 8: palette indexes; 16: 5-5-5 (5-6-5 with masks); 24; 32
  bool top_down = false;  // rows from the top (a negative height)
  bool rle8 = false;      // 8 bits, run-length encoded
  bool masks = false;     // 16 or 32 bits with colour masks after the header
  bool os2 = false;       // the 12-byte OS/2 header, its palette in 3-byte entries
};

// A BMP file of the picture. A palette holds the picture's colours in the
// order they first appear; it must have room for all of them.
inline std::string MakeBmp(int w, int h, const PixelFn& pixel, BmpLayout layout = {}) {
  const int bits = layout.bits;
  std::vector<Bgr> palette;
  auto index = [&](const Bgr& p) {
    auto at = std::find(palette.begin(), palette.end(), p);
    if (at != palette.end()) return static_cast<int>(at - palette.begin());
    if (palette.size() >= (std::size_t{1} << bits)) std::abort();  // the fixture wants more colours than fit
    palette.push_back(p);
    return static_cast<int>(palette.size() - 1);
  };
  // The pixel data, rows bottom-up unless top-down.
  std::string data;
  const int row_bytes = ((w * bits + 31) / 32) * 4;
  for (int r = 0; r < h; ++r) {
    const int y = layout.top_down ? r : h - 1 - r;
    if (layout.rle8) {
      for (int x = 0; x < w;) {  // runs of one colour, at most 255 long
        int i = index(pixel(x, y)), run = 1;
        while (x + run < w && run < 255 && index(pixel(x + run, y)) == i) ++run;
        data += static_cast<char>(run);
        data += static_cast<char>(i);
        x += run;
      }
      data += std::string("\0\0", 2);  // end of line
      continue;
    }
    std::string row(static_cast<std::size_t>(row_bytes), '\0');
    for (int x = 0; x < w; ++x) {
      const Bgr p = pixel(x, y);
      const uint32_t b = p[0], g = p[1], red = p[2];
      auto put = [&](int at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) row[static_cast<std::size_t>(at + i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
      };
      switch (bits) {
        case 4: row[static_cast<std::size_t>(x / 2)] |= static_cast<char>(index(p) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: put(x, static_cast<uint32_t>(index(p)), 1); break;
        case 16:
          put(2 * x, layout.masks ? (red >> 3) << 11 | (g >> 2) << 5 | b >> 3 : (red >> 3) << 10 | (g >> 3) << 5 | b >> 3, 2);
          break;
        case 24: put(3 * x, b | g << 8 | red << 16, 3); break;
        default: put(4 * x, b | g << 8 | red << 16, 4); break;
      }
    }
    data += row;
  }
  if (layout.rle8) data.replace(data.size() - 2, 2, std::string("\0\1", 2));  // end of the picture
  const uint32_t header = layout.os2 ? 12 : 40;
  const uint32_t mask_bytes = layout.masks ? 12 : 0;
  const uint32_t entry = layout.os2 ? 3 : 4;
  const uint32_t palette_bytes = bits <= 8 ? entry * static_cast<uint32_t>(palette.size()) : 0;
  const uint32_t offset = 14 + header + mask_bytes + palette_bytes;
  std::string out = "BM";
  PutLe(out, offset + static_cast<uint32_t>(data.size()), 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  PutLe(out, header, 4);
  if (layout.os2) {
    PutLe(out, static_cast<uint32_t>(w), 2);
    PutLe(out, static_cast<uint32_t>(h), 2);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<uint32_t>(bits), 2);
  } else {
    PutLe(out, static_cast<uint32_t>(w), 4);
    PutLe(out, static_cast<uint32_t>(layout.top_down ? -h : h), 4);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<uint32_t>(bits), 2);
    PutLe(out, layout.rle8 ? 1 : layout.masks ? 3 : 0, 4);  // BI_RLE8, BI_BITFIELDS, BI_RGB
    PutLe(out, static_cast<uint32_t>(data.size()), 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, bits <= 8 ? static_cast<uint32_t>(palette.size()) : 0, 4);
    PutLe(out, 0, 4);
  }
  if (layout.masks) {  // red, green, blue
    for (uint32_t mask : bits == 16 ? std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F}
                                    : std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF})
      PutLe(out, mask, 4);
  }
  for (const Bgr& p : palette) {
    for (int c = 0; c < 3; ++c) out += static_cast<char>(p[static_cast<std::size_t>(c)]);
    if (!layout.os2) out += '\0';
  }
  return out + data;
}

// How a JPEG file is coded, as the cameras and editors of old wrote them.
struct JpegLayout {
  bool progressive = false;
  bool arithmetic = false;
  bool grey = false;      // one channel (the pixel's green byte)
  int luma_h = 2, luma_v = 2;  // brightness samples to one of colour: 2 x 2 is 4:2:0, 4 x 1 4:1:1
  J_COLOR_SPACE cmyk = JCS_UNKNOWN;  // JCS_CMYK or JCS_YCCK: four channels of ink
  bool adobe = true;      // with CMYK: Adobe's marker, and the channels stored inverted as its programs do
};

// Ink for a colour, black taken out first, as a separation does it.
inline std::array<uint8_t, 4> Ink(const Bgr& p) {
  const int most = std::max({p[0], p[1], p[2]});
  const int k = 255 - most;
  std::array<uint8_t, 4> ink{0, 0, 0, static_cast<uint8_t>(k)};
  if (most == 0) return ink;
  for (int c = 0; c < 3; ++c)  // cyan from red, magenta from green, yellow from blue
    ink[static_cast<std::size_t>(c)] = static_cast<uint8_t>((most - p[static_cast<std::size_t>(2 - c)]) * 255 / most);
  return ink;
}

// A JPEG of quality 100 (flat areas decode within a step or two).
inline std::string MakeJpeg(int w, int h, const PixelFn& pixel, JpegLayout layout = {}) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(w);
  info.image_height = static_cast<JDIMENSION>(h);
  const bool cmyk = layout.cmyk != JCS_UNKNOWN;
  info.input_components = layout.grey ? 1 : cmyk ? 4 : 3;
  info.in_color_space = layout.grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  if (cmyk) {
    jpeg_set_colorspace(&info, layout.cmyk);
    info.write_Adobe_marker = layout.adobe ? TRUE : FALSE;
  }
  jpeg_set_quality(&info, 100, TRUE);
  if (!layout.grey && !cmyk) {
    info.comp_info[0].h_samp_factor = layout.luma_h;
    info.comp_info[0].v_samp_factor = layout.luma_v;
  }
  if (layout.progressive) jpeg_simple_progression(&info);
  info.arith_code = layout.arithmetic ? TRUE : FALSE;
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<std::size_t>(w) * static_cast<std::size_t>(info.input_components));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Bgr p = pixel(x, y);
      uint8_t* to = row.data() + static_cast<std::size_t>(x * info.input_components);
      if (layout.grey) {
        to[0] = p[1];
      } else if (cmyk) {
        const std::array<uint8_t, 4> ink = Ink(p);
        for (int c = 0; c < 4; ++c) to[c] = static_cast<uint8_t>(layout.adobe ? 255 - ink[static_cast<std::size_t>(c)] : ink[static_cast<std::size_t>(c)]);
      } else {
        for (int c = 0; c < 3; ++c) to[c] = p[static_cast<std::size_t>(c)];
      }
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

// Sixteen colours in blocks `width` wide and 64 high, rows shifted by three:
// black, white, the primaries and mixtures in which every channel differs,
// so a channel swapped or ink misread shows.
inline Bgr ColourBlocks(int x, int y, int width) {
  static constexpr std::array<Bgr, 16> kColours = {{
      {0, 0, 0},      {255, 255, 255}, {0, 0, 255},    {0, 255, 0},    {255, 0, 0},    {40, 120, 200},
      {200, 40, 120}, {120, 200, 40},  {16, 64, 248},  {248, 16, 64},  {64, 248, 16},  {96, 96, 96},
      {160, 32, 224}, {224, 160, 32},  {32, 224, 160}, {8, 136, 72},
  }};
  return kColours[static_cast<std::size_t>((x / width + y / 64 * 3) % 16)];
}

// Where background n writes its number so that it survives the washing,
// which keeps only bit 6 of each channel: ten blocks 8 wide along the
// bottom rows, block k < 5 with bit 6 of green set when bit k of n is, block
// k + 5 when it is clear.
constexpr int kPictureCodeTop = 248;
constexpr int kPictureCodeBlocks = 10;

// Background n: a flat colour that tells the pictures apart (blue n,
// green 64, red 0x80|n), with a white square at the top-left corner and
// its number coded along the bottom (above).
inline Bgr BackgroundPixel(int n, int x, int y) {
  if (x < 8 && y < 8) return {255, 255, 255};
  if (y >= kPictureCodeTop && x < 8 * kPictureCodeBlocks) {
    const int k = x / 8;
    const bool set = (((n >> (k % 5)) & 1) != 0) == (k < 5);
    return {static_cast<uint8_t>(n), static_cast<uint8_t>(set ? 64 : 0), static_cast<uint8_t>(0x80 | n)};
  }
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

// The number of the background picture a surface shows, read from its code
// along the bottom (BackgroundPixel), raw or washed; -1 when the code is not
// there whole.
inline int ShownPicture(const Surface& s) {
  if (s.width < 8 * kPictureCodeBlocks || s.height <= kPictureCodeTop) return -1;
  int n = 0;
  for (int k = 0; k < kPictureCodeBlocks; ++k) {
    bool first = false;
    for (int y = kPictureCodeTop; y < s.height; ++y)
      for (int x = 8 * k; x < 8 * k + 8; ++x) {
        const bool set = (Pixel(s, x, y)[1] & 0x40) != 0;
        if (x == 8 * k && y == kPictureCodeTop) first = set;
        else if (set != first) return -1;  // the block is not whole
      }
    if (k < 5) n |= first ? 1 << k : 0;
    else if (first == (((n >> (k - 5)) & 1) != 0)) return -1;  // the check half disagrees
  }
  return n;
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
