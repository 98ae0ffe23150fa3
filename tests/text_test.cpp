// The SDL2_ttf text rasteriser: cell geometry at 96 dpi, brushes, colour,
// styles and clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/text.h"
#include "platform/devices.h"

namespace nurumo {
namespace {

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right, bottom excluded
  bool empty() const { return right < 0; }
};

Surface Filled(int w, int h, uint8_t grey) {
  Surface s;
  ResizeSurface(s, w, h);
  std::fill(s.pixels.begin(), s.pixels.end(), grey);
  return s;
}

// The bounding box of the pixels that differ from `grey`.
Box Changed(const Surface& s, uint8_t grey) {
  Box box;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const uint8_t* p = s.Row(y) + 3 * x;
      if (p[0] == grey && p[1] == grey && p[2] == grey) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  return box;
}

class TextTest : public ::testing::Test {
 protected:
  std::unique_ptr<TextRasterizer> text = MakeTtfTextRasterizer();
};

TEST_F(TextTest, SolidBrushFillsTheCellAtThePositionInPixelsAt96Dpi) {
  struct Case {
    int size_pt;
    int cell_height;
  };
  for (Case c : {Case{12, 16}, Case{9, 12}, Case{15, 20}}) {
    SCOPED_TRACE(c.size_pt);
    Surface s = Filled(200, 60, 100);
    FontSpec font{c.size_pt, true, false, false};
    std::string line = Sjis("Push SPACE あ");
    text->Draw(s, 20, 10, line, font, kBlack, &kWhite);
    Box box = Changed(s, 100);
    EXPECT_EQ(box.left, 20);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.bottom - box.top, c.cell_height);
    EXPECT_EQ(box.right - box.left, text->MeasureWidth(line, font));
    const uint8_t* corner = s.Row(10) + 3 * 20;  // the box's corner is brush, not glyph
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[2], 255);
  }
}

TEST_F(TextTest, ClearBrushDrawsOnlyTheGlyphsInTheirColour) {
  Surface s = Filled(100, 40, 100);
  Colour red{255, 0, 0};
  text->Draw(s, 5, 5, Sjis("■"), {12, false, false, false}, red, nullptr);
  Box box = Changed(s, 100);
  ASSERT_FALSE(box.empty());
  EXPECT_GE(box.left, 5);
  EXPECT_GE(box.top, 5);
  EXPECT_LE(box.bottom, 5 + 16);
  const uint8_t* middle = s.Row((box.top + box.bottom) / 2) + 3 * ((box.left + box.right) / 2);
  EXPECT_EQ(middle[0], 0);  // blue
  EXPECT_EQ(middle[1], 0);
  EXPECT_EQ(middle[2], 255);  // red: fully covered pixels take the colour exactly
  const uint8_t* outside = s.Row(5) + 3 * 5;  // the cell corner is background, untouched
  EXPECT_EQ(outside[0], 100);
}

TEST_F(TextTest, FaceIsProportionalAndStylesChangeTheGlyphs) {
  FontSpec plain{12, false, false, false};
  EXPECT_LT(text->MeasureWidth("i", plain), text->MeasureWidth("W", plain));  // not the fixed-pitch face
  EXPECT_GT(text->MeasureWidth(Sjis("あいう"), plain), text->MeasureWidth("abc", plain));
  EXPECT_EQ(text->MeasureWidth("", plain), 0);

  auto render = [&](const FontSpec& font) {
    Surface s = Filled(120, 30, 255);
    text->Draw(s, 2, 2, "Hello", font, kBlack, nullptr);
    return s.pixels;
  };
  auto base = render(plain);
  EXPECT_NE(render({12, true, false, false}), base);
  EXPECT_NE(render({12, false, true, false}), base);
  Surface under = Filled(120, 30, 255);
  text->Draw(under, 2, 2, "Hello", {12, false, false, true}, kBlack, nullptr);
  Surface plain_s = Filled(120, 30, 255);
  text->Draw(plain_s, 2, 2, "Hello", plain, kBlack, nullptr);
  EXPECT_GT(Changed(under, 255).right - Changed(under, 255).left, 0);
  EXPECT_GE(Changed(under, 255).bottom, Changed(plain_s, 255).bottom);  // the underline lies low in the cell
  EXPECT_NE(under.pixels, plain_s.pixels);
}

TEST_F(TextTest, TextOverTheEdgesIsClipped) {
  struct Case {
    int x, y;
  };
  for (Case c : {Case{-30, -8}, Case{90, 30}, Case{-500, 0}, Case{0, 500}}) {
    SCOPED_TRACE(c.x * 1000 + c.y);
    Surface s = Filled(100, 40, 100);
    text->Draw(s, c.x, c.y, Sjis("はみ出す文字"), {14, true, false, false}, kBlack, &kWhite);
    Box box = Changed(s, 100);
    if (box.empty()) continue;  // wholly outside: nothing drawn, nothing broken
    EXPECT_EQ(box.left, std::max(0, c.x));
    EXPECT_EQ(box.top, std::max(0, c.y));
  }
}

TEST_F(TextTest, EmptyTextDrawsNothingEvenWithASolidBrush) {
  Surface s = Filled(50, 20, 100);
  text->Draw(s, 0, 0, "", {12, false, false, false}, kBlack, &kWhite);
  EXPECT_TRUE(Changed(s, 100).empty());
}

}  // namespace
}  // namespace nurumo
