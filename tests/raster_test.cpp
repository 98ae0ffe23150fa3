// Surfaces and the raster operations: byte-exact results and GDI clipping.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/raster.h"
#include "tests/picture_fixtures.h"

namespace nurumo {
namespace {

using testing::Pixel;

// A surface whose every byte is a different function of its place.
Surface Pattern(int w, int h, int seed) {
  Surface s;
  CreateSurface(s, w, h);
  for (std::size_t i = 0; i < s.pixels.size(); ++i) s.pixels[i] = static_cast<uint8_t>(i * 37 + seed * 11 + (i >> 5));
  return s;
}

TEST(RasterTest, EachRasterOperationIsExactToTheByte) {
  struct Case {
    Rop rop;
    uint8_t expected;  // for destination 0xC5 and source 0x5A
  };
  for (Case c : {Case{Rop::SrcCopy, 0x5A}, Case{Rop::SrcAnd, 0x40}, Case{Rop::SrcPaint, 0xDF},
                 Case{Rop::NotSrcCopy, 0xA5}}) {
    SCOPED_TRACE(static_cast<uint32_t>(c.rop));
    Surface dst = testing::Uniform(3, 2, 0xC5), src = testing::Uniform(3, 2, 0x5A);
    EXPECT_TRUE(CopySurface(dst, src, c.rop));
    for (uint8_t b : dst.pixels) EXPECT_EQ(b, c.expected);
  }
}

// Clipping as GDI clips: a pixel is written only where both its destination
// and its source lie inside their surfaces.
TEST(RasterTest, BlitIsClippedToBothSurfacesOnEverySide) {
  struct Case {
    int dx, dy, w, h, sx, sy;
  };
  const std::vector<Case> cases = {
      {0, 0, 7, 5, 0, 0},   {2, 1, 3, 2, 1, 1},   {-2, -1, 6, 4, 0, 0}, {0, 0, 6, 4, -3, -2},
      {5, 3, 10, 10, 0, 0}, {0, 0, 10, 10, 4, 2}, {-3, 2, 20, 20, 1, -1}, {8, 0, 3, 3, 0, 0},
      {0, 0, 3, 3, 9, 0},   {1, 1, 0, 3, 0, 0},   {1, 1, -2, 3, 0, 0},  {-9, -9, 3, 3, 0, 0}};
  for (Rop rop : {Rop::SrcCopy, Rop::SrcAnd, Rop::SrcPaint, Rop::NotSrcCopy})
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.dx << "," << c.dy << " " << c.w << "x" << c.h << " from " << c.sx
                                        << "," << c.sy << " rop " << static_cast<uint32_t>(rop));
      Surface dst = Pattern(7, 5, 1), src = Pattern(6, 4, 2);
      Surface expected = dst;
      for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x) {
          int u = x - c.dx + c.sx, v = y - c.dy + c.sy;
          bool inside = x >= c.dx && x < c.dx + c.w && y >= c.dy && y < c.dy + c.h;
          if (!inside || u < 0 || v < 0 || u >= src.width || v >= src.height) continue;
          for (int k = 0; k < 3; ++k) {
            uint8_t d = Pixel(dst, x, y)[k], s = Pixel(src, u, v)[k];
            uint8_t r = rop == Rop::SrcCopy ? s : rop == Rop::SrcAnd ? d & s : rop == Rop::SrcPaint ? d | s : ~s;
            expected.Row(y)[3 * x + k] = r;
          }
        }
      BitBlt(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, rop);
      EXPECT_EQ(dst.pixels, expected.pixels);
    }
}

TEST(RasterTest, InPlaceBlitsReadTheSourceBeforeWriting) {
  Surface s = Pattern(9, 4, 3);
  Surface original = s;
  CopySurface(s, s, Rop::NotSrcCopy);  // a surface inverted in place
  for (std::size_t i = 0; i < s.pixels.size(); ++i) ASSERT_EQ(s.pixels[i], static_cast<uint8_t>(~original.pixels[i]));

  s = original;
  BitBlt(s, 2, 1, 9, 4, s, 0, 0, Rop::SrcCopy);  // overlapping shift right and down
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x) {
      const uint8_t* want = (x >= 2 && y >= 1) ? Pixel(original, x - 2, y - 1) : Pixel(original, x, y);
      ASSERT_EQ(Pixel(s, x, y)[0], want[0]) << x << "," << y;
    }
}

TEST(RasterTest, CreateAndFillSetSizeRowTableAndEveryPixel) {
  Surface s;
  FillSurface(s, 5, 3, {1, 2, 3});
  ASSERT_EQ(s.width, 5);
  ASSERT_EQ(s.height, 3);
  ASSERT_EQ(s.rows.size(), 3u);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(s.Row(y), s.pixels.data() + 15 * y);
    for (int x = 0; x < 5; ++x) EXPECT_EQ((Bgr{Pixel(s, x, y)[0], Pixel(s, x, y)[1], Pixel(s, x, y)[2]}), (Bgr{1, 2, 3}));
  }
  EXPECT_THROW(s.Row(3), RangeError);
  EXPECT_THROW(s.Row(-1), RangeError);
}

// Draw on white and return the rows as strings, '#' for a pixel of the colour.
std::vector<std::string> Draw(int w, int h, const std::function<void(Surface&)>& draw) {
  Surface s = testing::Uniform(w, h, 255);
  draw(s);
  std::vector<std::string> out;
  for (int y = 0; y < h; ++y) {
    std::string row;
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = Pixel(s, x, y);
      row += (p[0] == 30 && p[1] == 20 && p[2] == 10) ? '#' : p[0] == 255 ? '.' : '?';
    }
    out.push_back(row);
  }
  return out;
}

TEST(RasterTest, RectanglesAndLinesFollowTheCanvasRules) {
  const Colour c{10, 20, 30};
  using Rows = std::vector<std::string>;
  EXPECT_EQ(Draw(6, 4, [&](Surface& s) { FillRect(s, 1, 1, 4, 3, c); }),
            (Rows{"......", ".###..", ".###..", "......"}));  // right and bottom excluded
  EXPECT_EQ(Draw(6, 4, [&](Surface& s) { FrameRect(s, 0, 0, 5, 4, c); }),
            (Rows{"#####.", "#...#.", "#...#.", "#####."}));
  EXPECT_EQ(Draw(6, 3, [&](Surface& s) { FillRect(s, -3, -1, 2, 9, c); FillRect(s, 4, 1, 3, 2, c); }),
            (Rows{"##....", "##....", "##...."}));  // clipped; an inverted rectangle is empty
  EXPECT_EQ(Draw(6, 3, [&](Surface& s) { DrawLine(s, 0, 1, 5, 1, c); }),
            (Rows{"......", "#####.", "......"}));  // the end point is not drawn
  EXPECT_EQ(Draw(6, 3, [&](Surface& s) { DrawLine(s, -4, 0, 416, 0, c); DrawLine(s, 5, 0, 5, 3, c); }),
            (Rows{"######", ".....#", ".....#"}));
  EXPECT_EQ(Draw(4, 4, [&](Surface& s) { DrawLine(s, 0, 0, 3, 3, c); }),
            (Rows{"#...", ".#..", "..#.", "...."}));
}

}  // namespace
}  // namespace nurumo
