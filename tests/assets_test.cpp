// Start-up surfaces and pictures: loading, the washed stage, grey levels, the
// light-spot table, the lettering bands and the inverted cursor.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/text.h"
#include "gfx/assets.h"
#include "gfx/picture_size.h"
#include "tests/picture_fixtures.h"

namespace nurumo {
namespace {

using testing::Pixel;

using Loaded = testing::LoadedGame;

TEST(AssetsTest, StartUpLoadsEverySurfaceAndChoosesARandomBackground) {
  Loaded t(7);
  const Assets& gfx = t.game.gfx;
  for (int n = 0; n < 19; ++n) {
    ASSERT_EQ(gfx.BackgroundSurfaces[n].width, 416);
    EXPECT_EQ(Pixel(gfx.BackgroundSurfaces[n], 100, 100)[0], n);  // each file went to its own slot
  }
  for (const Surface* s : {&gfx.StageSurface, &gfx.FrameSurface, &gfx.SpareSurface}) {
    EXPECT_EQ(s->width, 416);
    EXPECT_EQ(s->height, 256);
  }
  EXPECT_EQ(gfx.PanelSurface.width, 162);
  EXPECT_EQ(gfx.PanelSurface.height, 120);
  EXPECT_EQ(gfx.PanelInvertedSurface.height, 120);

  for (int n = 0; n < 19; ++n) EXPECT_EQ(testing::ShownPicture(gfx.BackgroundSurfaces[n]), n);
  EXPECT_EQ(&WhiteSurface(t.game), &gfx.GreySurfaces[8]);
  EXPECT_EQ(&BlackSurface(t.game), &gfx.GreySurfaces[0]);

  // The one draw of start-up picks the background: seen over a few seeds,
  // so that a start-up always taking the same picture shows.
  std::set<int> picked;
  for (uint32_t seed : {7u, 1u, 2u, 3u, 4u}) {
    Loaded s(seed);
    Random replay(seed);
    const int n = replay(19);
    picked.insert(n);
    EXPECT_EQ(testing::ShownPicture(s.game.gfx.StageSurface), n) << "seed " << seed;
    EXPECT_EQ(Pixel(s.game.gfx.StageSurface, 100, 100)[0], (n | 191)) << "seed " << seed;
  }
  EXPECT_GE(picked.size(), 3u) << "the seeds chosen must draw different pictures";
}

TEST(AssetsTest, StageIsThePictureWashedWithGrey191) {
  Loaded t;
  Surface picture;
  const uint8_t bytes[] = {0, 64, 255, 63, 191, 128, 65, 1, 200};
  CreateSurface(picture, 3, 1);
  std::copy(std::begin(bytes), std::end(bytes), picture.pixels.begin());
  SetStage(t.game, picture);
  const uint8_t want[] = {191, 255, 255, 191, 191, 191, 255, 191, 255};  // bit 6 alone decides
  for (int i = 0; i < 9; ++i) EXPECT_EQ(t.game.gfx.StageSurface.pixels[static_cast<std::size_t>(i)], want[i]) << i;

  SetBackground(t.game, 12);
  EXPECT_EQ(Pixel(t.game.gfx.StageSurface, 0, 0)[0], 255);  // white stays white
  const uint8_t* p = Pixel(t.game.gfx.StageSurface, 200, 200);
  EXPECT_EQ(p[0], 191 | 12);
  EXPECT_EQ(p[1], 255);  // a channel of 64 becomes 255
  EXPECT_EQ(p[2], 191);  // 0x80 | 12 has bit 6 clear

  for (int n : {12, 0, 18, 5, 6}) {  // each number stages its own picture
    SetBackground(t.game, n);
    EXPECT_EQ(testing::ShownPicture(t.game.gfx.StageSurface), n);
  }
}

TEST(AssetsTest, SetBackgroundChecksItsRangeAndIsTraced) {
  Loaded t;
  std::ostringstream out;
  t.game.trace.Open(&out, [] { return 0u; });
  SetBackground(t.game, 0);
  SetBackground(t.game, 18);
  for (int bad : {-1, 19, 100}) EXPECT_THROW(SetBackground(t.game, bad), RangeError) << bad;
  std::string text = out.str();
  EXPECT_NE(text.find("\"ev\":\"background\",\"n\":0}"), std::string::npos) << text;
  EXPECT_NE(text.find("\"ev\":\"background\",\"n\":18}"), std::string::npos) << text;
}

TEST(AssetsTest, GreyLevelsAndTheirSurfaces) {
  Loaded t;
  const int want[] = {0, 31, 63, 95, 127, 159, 191, 223, 255};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(t.game.gfx.GreyLevels[static_cast<std::size_t>(i)], (Bgr{uint8_t(want[i]), uint8_t(want[i]), uint8_t(want[i])}));
    const Surface& s = t.game.gfx.GreySurfaces[static_cast<std::size_t>(i)];
    ASSERT_EQ(s.pixels.size(), 416u * 256 * 3);
    EXPECT_EQ(std::count(s.pixels.begin(), s.pixels.end(), want[i]), 416 * 256 * 3) << i;
  }
  EXPECT_EQ(t.game.gfx.DotColour, (Bgr{0, 0, 0}));
}

TEST(AssetsTest, SpotTableFollowsTheFormula) {
  Loaded t;
  const auto& spot = t.game.gfx.SpotTable;
  const int centre_row[63] = {0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  1,  1,  2,  3,  4,  5,  7,  9,  11,
                              14, 17, 21, 24, 27, 31, 34, 36, 38, 39, 40, 39, 38, 36, 34, 31, 27, 24, 21, 17, 14,
                              11, 9,  7,  5,  4,  3,  2,  1,  1,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};
  for (int i = 0; i < 63; ++i) {
    EXPECT_EQ(spot[static_cast<std::size_t>(i)][31], centre_row[i]) << i;
    EXPECT_EQ(spot[31][static_cast<std::size_t>(i)], centre_row[i]) << i;
  }
  int peaks = 0;
  for (std::size_t a = 0; a < 63; ++a)
    for (std::size_t b = 0; b < 63; ++b) {
      ASSERT_EQ(spot[a][b], spot[b][a]);
      peaks += spot[a][b] == 40;
    }
  EXPECT_EQ(peaks, 1);
  for (std::size_t i = 0; i < 63; ++i) {
    EXPECT_EQ(spot[0][i], 0);
    EXPECT_EQ(spot[62][i], 0);
  }
  struct Off {
    int dx, dy, value;
  };
  for (Off o : {Off{1, 0, 39}, Off{2, 2, 36}, Off{1, 5, 30}, Off{4, 7, 20}, Off{7, 9, 10}, Off{16, 7, 1},
                Off{12, 15, 0}, Off{-15, 12, 0}}) {
    SCOPED_TRACE(o.dx * 100 + o.dy);
    EXPECT_EQ(spot[static_cast<std::size_t>(31 + o.dx)][static_cast<std::size_t>(31 + o.dy)], o.value);
  }
}

TEST(AssetsTest, FontStripHoldsSixBandsOfTheLettering) {
  Loaded t;
  const Assets& gfx = t.game.gfx;
  ASSERT_EQ(gfx.FontWidth, 40);
  ASSERT_EQ(gfx.FontHeight, 12);
  ASSERT_EQ(gfx.FontStrip.width, 40);
  ASSERT_EQ(gfx.FontStrip.height, 72);
  for (int k = 0; k < 6; ++k)
    for (int y = 0; y < 12; y += 11)
      for (int x = 0; x < 3; ++x) {
        uint8_t want = static_cast<uint8_t>(testing::LetteringPixel(x, y)[0] | (40 * k));
        EXPECT_EQ(Pixel(gfx.FontStrip, x, 12 * k + y)[1], want) << k << " " << x;
      }
}

TEST(AssetsTest, CursorInvertedIsTheComplementOfTheCursor) {
  Loaded t;
  const Surface& c = t.game.gfx.CursorSurface;
  const Surface& inv = t.game.gfx.CursorInvertedSurface;
  ASSERT_EQ(c.width, 256);
  ASSERT_EQ(inv.pixels.size(), c.pixels.size());
  for (std::size_t i = 0; i < c.pixels.size(); ++i) ASSERT_EQ(inv.pixels[i], static_cast<uint8_t>(~c.pixels[i]));
  EXPECT_EQ(Pixel(c, 0, 0)[0], 0);
  EXPECT_EQ(Pixel(inv, 0, 0)[0], 255);
}

TEST(AssetsTest, AMissingPictureStopsTheLoadWithItsName) {
  struct Case {
    std::string file;
    std::string named;
    int loaded_backgrounds;
  };
  for (const Case& c : {Case{"dat/nuru00.bmp", "dat\\nuru00.bmp", 0}, Case{"dat/nuru07.bmp", "dat\\nuru07.bmp", 7},
                        Case{"dat/nuru12.bmp", "dat\\nuru12.bmp", 12}, Case{"dat/nurumofont.bmp", "dat\\nurumofont.bmp", 19},
                        Case{"dat/cursol.bmp", "dat\\cursol.bmp", 19}}) {
    SCOPED_TRACE(c.file);
    testing::HeadlessGame t;
    testing::WritePictures(t.dir, {c.file});
    try {
      CreateSurfaces(t.game);
      ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.text()).find(c.named), std::string::npos) << Cp932ToUtf8(e.text());
      // and the folder it was looked for in
      const std::string folder = Sjis("\nフォルダ: ") + (t.dir.path() / "dat").string();
      EXPECT_TRUE(std::string(e.text()).ends_with(folder)) << Cp932ToUtf8(e.text());
    }
    for (int n = 0; n < 19; ++n) EXPECT_EQ(t.game.gfx.BackgroundSurfaces[n].empty(), n >= c.loaded_backgrounds) << n;
    EXPECT_TRUE(t.game.gfx.CursorSurface.empty());
  }
  testing::HeadlessGame t;
  testing::WritePictures(t.dir);
  t.dir.Write("dat/nuru03.bmp", "BM not a picture");  // present but unreadable
  EXPECT_THROW(CreateSurfaces(t.game), FileError);
  if (!testing::kHasFifos) return;  // testing::kNoFifos
  testing::HeadlessGame piped;  // a pipe by a picture's name: refused, not waited on for ever
  testing::WritePictures(piped.dir, {"dat/nuru03.bmp"});
  ASSERT_TRUE(testing::MakeFifo(piped.dir.path() / "dat/nuru03.bmp"));
  EXPECT_THROW(CreateSurfaces(piped.game), FileError);
}

// A BMP header's claim, written over a real picture: the decoder would ask
// for what the header says, whatever the file holds.
std::string Claiming(std::string bmp, int32_t width, int32_t height) {
  for (int i = 0; i < 4; ++i) {
    bmp[static_cast<std::size_t>(18 + i)] = static_cast<char>(static_cast<uint32_t>(width) >> (8 * i));
    bmp[static_cast<std::size_t>(22 + i)] = static_cast<char>(static_cast<uint32_t>(height) >> (8 * i));
  }
  return bmp;
}

TEST(AssetsTest, PicturesLargerThanTheGameTakesAreRefusedByTheirHeader) {
  auto grey = [](int, int) { return Bgr{90, 90, 90}; };
  const std::string small = testing::MakeBmp(16, 16, grey);
  std::string core = "BM";  // the old OS/2 header: 16-bit sides
  testing::PutLe(core, 26 + 5000 * 3 * 2, 4);
  testing::PutLe(core, 0, 4);
  testing::PutLe(core, 26, 4);
  for (uint32_t v : {12u, 5000u, 2u, 1u, 24u}) testing::PutLe(core, v, v == 12u ? 4 : 2);
  core.resize(core.size() + 5000 * 3 * 2, '\x40');
  struct Case {
    const char* what;
    std::string bytes;
    const char* size;  // claimed, as the box shows it; nullptr: loads
  };
  const Case cases[] = {
      {"30000 x 30000 in a small file", Claiming(small, 30000, 30000), "30000x30000"},
      {"4097 wide, every byte there", testing::MakeBmp(4097, 1, grey), "4097x1"},
      {"5000 rows top-down", Claiming(small, 16, -5000), "16x5000"},
      {"pixel data cut short", testing::MakeBmp(100, 100, grey).substr(0, 20000), "100x100"},
      {"8-bit pixel data cut short", testing::MakeBmp(300, 40, grey, {.bits = 8}).substr(0, 9000), "300x40"},
      {"old header, 5000 wide", core, "5000x2"},
      {"4096 wide, every byte there", testing::MakeBmp(4096, 1, grey), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::HeadlessGame t;
    t.dir.Write("dat/pic.bmp", c.bytes);
    Surface surface;
    if (!c.size) {
      LoadPicture(t.game, "dat\\pic.bmp", surface);
      EXPECT_EQ(surface.width, 4096);
      continue;
    }
    try {
      LoadPicture(t.game, "dat\\pic.bmp", surface);
      ADD_FAILURE() << "loaded";
    } catch (const FileError& e) {
      EXPECT_EQ(Cp932ToUtf8(e.text()), std::string("画像が大きすぎます: dat\\pic.bmp (") + c.size + ")");
    }
    EXPECT_TRUE(surface.empty());
  }
  testing::HeadlessGame t;  // at start-up: the same refusal stops the load there
  testing::WritePictures(t.dir);
  t.dir.Write("dat/nuru05.bmp", Claiming(small, 30000, 30000));
  EXPECT_THROW(CreateSurfaces(t.game), FileError);
  EXPECT_FALSE(t.game.gfx.BackgroundSurfaces[4].empty());
  EXPECT_TRUE(t.game.gfx.BackgroundSurfaces[5].empty());
}

// A header cut before the picture's size says nothing a decoder may trust:
// the picture is refused, whatever the few bytes there claim.
TEST(AssetsTest, APictureWhoseHeaderIsCutBeforeItsSizeIsRefused) {
  const std::string whole = Claiming(testing::MakeBmp(16, 16, [](int, int) { return Bgr{9, 9, 9}; }), 30000, 30000);
  for (std::size_t cut : {33u, 25u, 17u, 3u}) {
    SCOPED_TRACE(cut);
    testing::HeadlessGame t;
    t.dir.Write("dat/pic.bmp", whole.substr(0, cut));
    Surface surface;
    try {
      LoadPicture(t.game, "dat\\pic.bmp", surface);
      ADD_FAILURE() << "loaded";
    } catch (const FileError& e) {
      EXPECT_NE(Cp932ToUtf8(e.text()).find("画像ファイルを読み込めません: dat\\pic.bmp (the header is cut short)"),
                std::string::npos)
          << Cp932ToUtf8(e.text());
    }
    EXPECT_TRUE(surface.empty());
  }
}

// All pictures together are bounded, not each alone: small run-length files
// claiming the largest side each stop the start-up at the one that would
// pass the budget, before it is decoded.
TEST(AssetsTest, PicturesTogetherStayWithinTheirBudget) {
  const std::string huge = Claiming(testing::MakeBmp(16, 16, [](int, int) { return Bgr{9, 9, 9}; },
                                                     {.bits = 8, .rle8 = true}),
                                    4096, 4096);  // a few hundred bytes, 48 MB of pixels
  testing::HeadlessGame t;
  testing::WritePictures(t.dir);
  for (int n : {2, 3, 4}) t.dir.Write("dat/nuru0" + std::to_string(n) + ".bmp", huge);
  try {
    CreateSurfaces(t.game);
    ADD_FAILURE() << "loaded";
  } catch (const FileError& e) {
    EXPECT_EQ(Cp932ToUtf8(e.text()), "画像が多すぎます: dat\\nuru03.bmp (4096x4096、合わせて64MBを超えます)");
  }
  EXPECT_EQ(t.game.gfx.BackgroundSurfaces[2].width, 4096);  // one alone fits
  EXPECT_TRUE(t.game.gfx.BackgroundSurfaces[3].empty());
  EXPECT_LE(t.game.gfx.PictureBytes, kPictureBudget);
}

// Sixteen blocks across a row: every colour a 4-bit palette holds.
Bgr BlockPixel(int x, int y) { return testing::ColourBlocks(x, y, 26); }

TEST(AssetsTest, PicturesInEveryCommonBmpLayoutLoadAsTheSamePixels) {
  using testing::BmpLayout;
  struct Case {
    const char* what;
    BmpLayout layout;
    int tolerance;  // 16-bit pixels keep 5 or 6 bits a channel
  };
  const std::vector<Case> cases = {
      {"24-bit", {}, 0},
      {"24-bit top-down", {.top_down = true}, 0},
      {"8-bit palette", {.bits = 8}, 0},
      {"8-bit palette top-down", {.bits = 8, .top_down = true}, 0},
      {"4-bit palette", {.bits = 4}, 0},
      {"8-bit run-length encoded", {.bits = 8, .rle8 = true}, 0},
      {"16-bit 5-5-5", {.bits = 16}, 7},
      {"16-bit 5-6-5 with masks", {.bits = 16, .masks = true}, 7},
      {"32-bit", {.bits = 32}, 0},
      {"32-bit with masks", {.bits = 32, .masks = true}, 0},
      {"OS/2 header, 24-bit", {.os2 = true}, 0},
      {"OS/2 header, 8-bit palette", {.bits = 8, .os2 = true}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::HeadlessGame t;
    testing::WritePictures(t.dir);
    t.dir.Write(testing::BackgroundName(5), testing::MakeBmp(416, 256, BlockPixel, c.layout));
    CreateSurfaces(t.game);
    const Surface& picture = t.game.gfx.BackgroundSurfaces[5];
    ASSERT_EQ(picture.width, 416);
    ASSERT_EQ(picture.height, 256);
    for (int y = 0; y < 256; y += 9)
      for (int x = 0; x < 416; x += 13)
        for (int i = 0; i < 3; ++i)
          ASSERT_NEAR(Pixel(picture, x, y)[i], BlockPixel(x, y)[static_cast<std::size_t>(i)], c.tolerance)
              << x << "," << y << " channel " << i;
  }
}

TEST(AssetsTest, PanelHeightByLevel) {
  Loaded t;
  const int want[] = {60, 75, 90, 105, 120};
  for (int level = 1; level <= 5; ++level) EXPECT_EQ(PanelHeight(t.game, level), want[level - 1]);
  t.game.player.Level = 3;
  EXPECT_EQ(PanelHeight(t.game, 0), 90);  // 0 stands for the current level
}

TEST(AssetsTest, FreeSurfacesReleasesEverything) {
  Loaded t;
  FreeSurfaces(t.game);
  EXPECT_TRUE(t.game.gfx.BackgroundSurfaces[18].empty());
  EXPECT_TRUE(t.game.gfx.FrameSurface.empty());
  EXPECT_TRUE(t.game.gfx.GreySurfaces[4].pixels.empty());
  EXPECT_TRUE(t.game.gfx.CursorInvertedSurface.rows.empty());
}

}  // namespace
}  // namespace nurumo
