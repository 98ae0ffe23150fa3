// The SDL2_ttf text rasteriser, in each of its renderings: cell geometry at
// 96 dpi, brushes, colour, styles, clipping, long texts and what it keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "core/text.h"
#include "platform/devices.h"
#include "tests/support.h"

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

class TextTest : public ::testing::TestWithParam<TextRendering> {
 protected:
  std::unique_ptr<TextRasterizer> text = MakeTtfTextRasterizer(GetParam());
};

std::string RenderingName(const ::testing::TestParamInfo<TextRendering>& rendering) {
  constexpr const char* kNames[] = {"Bitmap", "Sharp", "Smooth"};
  return kNames[static_cast<std::size_t>(rendering.param)];
}

INSTANTIATE_TEST_SUITE_P(EachRendering, TextTest,
                         ::testing::Values(TextRendering::Bitmap, TextRendering::Sharp, TextRendering::Smooth),
                         RenderingName);

TEST_P(TextTest, SolidBrushFillsTheCellAtThePositionInPixelsAt96Dpi) {
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

TEST_P(TextTest, ClearBrushDrawsOnlyTheGlyphsInTheirColour) {
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

TEST_P(TextTest, FaceIsProportionalAndStylesChangeTheGlyphs) {
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

TEST_P(TextTest, TextOverTheEdgesIsClipped) {
  struct Case {
    int x, y;
    bool shows;  // false: wholly outside, nothing drawn
  };
  for (Case c : {Case{-30, -8, true}, Case{-30, 5, true}, Case{5, -8, true}, Case{90, 30, true},
                 Case{-500, 0, false}, Case{0, 500, false}}) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    Surface s = Filled(100, 40, 100);
    text->Draw(s, c.x, c.y, Sjis("はみ出す文字"), {14, true, false, false}, kBlack, &kWhite);
    Box box = Changed(s, 100);
    ASSERT_EQ(!box.empty(), c.shows);
    if (!c.shows) continue;
    EXPECT_EQ(box.left, std::max(0, c.x));
    EXPECT_EQ(box.top, std::max(0, c.y));
  }
}

TEST_P(TextTest, EmptyTextDrawsNothingEvenWithASolidBrush) {
  Surface s = Filled(50, 20, 100);
  text->Draw(s, 0, 0, "", {12, false, false, false}, kBlack, &kWhite);
  EXPECT_TRUE(Changed(s, 100).empty());
}

// A text too long for the surface is cut to what can be seen: what shows
// is exactly what the whole text would show, from either edge.
TEST_P(TextTest, ALongTextShowsWhatItsVisibleStartWould) {
  std::string longer, start;
  for (int i = 0; i < 2000; ++i) longer += Sjis(i % 3 == 0 ? "夢" : (i % 3 == 1 ? "の" : "a"));
  for (std::size_t at = 0; at < 60;) start += longer.substr(at, CharLength(longer, at)), at += CharLength(longer, at);
  for (int x : {10, 0, -37}) {
    SCOPED_TRACE(x);
    for (const FontSpec& font : {FontSpec{12, true, false, false}, FontSpec{9, false, true, false}}) {
      Surface whole = Filled(100, 30, 200), cut = Filled(100, 30, 200);
      text->Draw(whole, x, 3, longer, font, kBlack, &kWhite);
      text->Draw(cut, x, 3, start, font, kBlack, &kWhite);
      EXPECT_EQ(whole.pixels, cut.pixels);
      EXPECT_FALSE(Changed(whole, 200).empty());
    }
  }
  Surface s = Filled(100, 30, 200);
  text->Draw(s, -200000, 3, longer, {12, true, false, false}, kBlack, &kWhite);  // wholly left of it
  text->Draw(s, 100, 3, longer, {12, true, false, false}, kBlack, &kWhite);      // wholly right
  text->Draw(s, 0, -40, longer, {12, true, false, false}, kBlack, &kWhite);      // wholly above
  EXPECT_TRUE(Changed(s, 200).empty());
}

// Every text drawn is kept for the next frame, but only up to a few MB:
// a thousand different long lines do not pile up.
TEST_P(TextTest, KeptTextsStayWithinAFewMegabytes) {
  Surface s = Filled(416, 40, 200);
  const std::size_t before = testing::HeldBytes();
  for (int i = 0; i < 1000; ++i) {
    std::string line = std::to_string(i);
    while (line.size() < 250) line += Sjis("ぬるま湯");  // each about 2000 x 20 pixels
    text->Draw(s, 5, 5, line.substr(0, 250), {14, true, false, false}, kBlack, nullptr);
  }
  if (!testing::HeldBytesCounted())
    GTEST_SKIP() << "the memory bound is checked in the normal build only: the sanitizer's allocator is not counted";
  EXPECT_LT(testing::HeldBytes() - std::min(before, testing::HeldBytes()), std::size_t{12} << 20);
}

// At the small sizes the one-bit renderings draw every pixel either in the
// text's colour or not at all; the smooth one blends the edges.
TEST(TextRenderingTest, OnlySmoothBlendsTheEdgesOfSmallText) {
  for (TextRendering rendering : {TextRendering::Bitmap, TextRendering::Sharp, TextRendering::Smooth}) {
    SCOPED_TRACE(static_cast<int>(rendering));
    auto text = MakeTtfTextRasterizer(rendering);
    for (const FontSpec& font : {FontSpec{9, false, true, false}, FontSpec{10, false, false, true},
                                 FontSpec{12, true, false, false}, FontSpec{14, true, false, false}}) {
      Surface s = Filled(160, 24, 255);
      text->Draw(s, 2, 2, Sjis("…信頼。優越"), font, kBlack, nullptr);
      int ink = 0, blended = 0;
      for (uint8_t b : s.pixels) {
        ink += b == 0;
        blended += b != 0 && b != 255;
      }
      EXPECT_GT(ink, 30) << font.size_pt;
      if (rendering == TextRendering::Smooth) EXPECT_GT(blended, 0) << font.size_pt;
      else EXPECT_EQ(blended, 0) << font.size_pt;
    }
  }
}

// Where the bitmap face has a bitmap (9 and 12 points) it is drawn, bold
// and italic made from it; elsewhere the bitmap rendering is the sharp one.
TEST(TextRenderingTest, BitmapDrawsTheFacesOwnBitmapsAtNineAndTwelvePoints) {
  if (std::system("fc-list Mona | grep -q .") != 0) GTEST_SKIP() << "the Mona face is not installed";
  auto bitmap = MakeTtfTextRasterizer(TextRendering::Bitmap);
  auto sharp = MakeTtfTextRasterizer(TextRendering::Sharp);
  auto draw = [](TextRasterizer& text, const FontSpec& font) {
    Surface s = Filled(200, 30, 255);
    text.Draw(s, 2, 2, Sjis("…苦痛。ぬるも"), font, kBlack, nullptr);
    return s.pixels;
  };
  for (const FontSpec& font : {FontSpec{9, false, true, false}, FontSpec{12, true, false, false}}) {
    EXPECT_NE(draw(*bitmap, font), draw(*sharp, font)) << font.size_pt;
    FontSpec plain = font;
    plain.bold = plain.italic = false;
    EXPECT_NE(draw(*bitmap, font), draw(*bitmap, plain)) << font.size_pt << ": the style is lost";
    EXPECT_EQ(bitmap->MeasureWidth(Sjis("あいう"), font),
              Changed([&] {
                Surface s = Filled(200, 30, 100);
                bitmap->Draw(s, 0, 0, Sjis("あいう"), font, kBlack, &kWhite);
                return s;
              }(), 100).right) << font.size_pt;
  }
  for (const FontSpec& font : {FontSpec{10, false, false, true}, FontSpec{14, true, false, false}})
    EXPECT_EQ(draw(*bitmap, font), draw(*sharp, font)) << font.size_pt;
}

}  // namespace
}  // namespace nurumo
