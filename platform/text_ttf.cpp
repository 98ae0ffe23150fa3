// The text rasteriser: SDL2_ttf over the Japanese faces FindFaceFiles()
// finds. Three ways to turn a text into pixels (TextRendering):
//   bitmap  the hand-drawn bitmaps of the Mona face at the sizes it has them
//           (9 pt and 12 pt at 96 dpi), bold and italic made the way bitmap
//           fonts always made them; every other size as `sharp`
//   sharp   the proportional gothic, hinted and rendered in one bit
//   smooth  the proportional gothic, anti-aliased
// A rendered text is kept as a coverage mask and blended in the colour of
// each draw, so a text and its shadows share one rendering.
#include <SDL.h>
#include <SDL_ttf.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <iostream>
#include <list>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/text.h"
#include "gfx/raster.h"
#include "platform/devices.h"
#include "platform/files.h"
#include "platform/fonts.h"

namespace nurumo {

namespace {

constexpr unsigned kDpi = 96;  // points are at 96 dots per inch: 12 pt = 16 px

// What the cache may hold: a frame draws a few dozen texts, mostly the same
// ones every frame, and all the text a 416 x 256 screen can show fits in a
// fraction of this.
constexpr std::size_t kMaxRendered = 512;
constexpr std::size_t kMaxRenderedBytes = std::size_t{4} << 20;
// A text longer than this is cut to what can be seen before it is rendered.
constexpr std::size_t kLongText = 256;

constexpr int kItalicSlant = 4;  // a synthetic italic moves a row one pixel per four rows above the baseline

// The bitmap sizes of a face, read with FreeType (SDL2_ttf does not tell).
std::vector<int> Strikes(const FaceFile& face) {
  std::vector<int> sizes;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return sizes;
  FT_Face ft = nullptr;
  // Read through the file layer: FreeType's own opening takes no UTF-8 path on Windows.
  std::string bytes, error;
  uint64_t size = 0;
  if (ReadFileHead(PathOfUtf8(face.path), FileSystem::kReadLimit, bytes, size, error) && size == bytes.size() &&
      FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes.data()), static_cast<FT_Long>(bytes.size()),
                         face.index, &ft) == 0) {
    for (int i = 0; i < ft->num_fixed_sizes; ++i) sizes.push_back(ft->available_sizes[i].height);
    FT_Done_Face(ft);
  }
  FT_Done_FreeType(library);
  return sizes;
}

Faces FindFaces(TextRendering rendering) {
  Faces faces = FindFaceFiles(rendering == TextRendering::Bitmap);
  if (rendering == TextRendering::Bitmap) {
    if (!faces.bitmap.path.empty()) faces.bitmap.strikes = Strikes(faces.bitmap);
    if (faces.bitmap.strikes.empty()) std::cerr << MissingBitmapFontText() << '\n';
  }
  return faces;
}

uint8_t Blend(uint8_t over, uint8_t under, uint32_t alpha) {
  return static_cast<uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

// How one size and style is drawn.
enum class Way { Smooth, Sharp, Strike };

struct Mask {
  int width = 0, height = 0;
  int cell_height = 0;
  std::vector<uint8_t> alpha;  // width x height coverage, row by row
  std::size_t Bytes() const { return alpha.size() + sizeof(Mask); }
};

// Bold as bitmap fonts make it: every row ORed with itself one pixel right.
Mask Embolden(const Mask& in) {
  Mask out = in;
  out.width = in.width + 1;
  out.alpha.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) {
      uint8_t a = in.alpha[static_cast<std::size_t>(y * in.width + x)];
      uint8_t* row = &out.alpha[static_cast<std::size_t>(y * out.width)];
      row[x] = std::max(row[x], a);
      row[x + 1] = std::max(row[x + 1], a);
    }
  return out;
}

int ItalicShift(int row, int ascent) { return std::max(0, ascent - 1 - row) / kItalicSlant; }

// Italic as bitmap fonts make it: rows above the baseline lean right.
Mask Slant(const Mask& in, int ascent) {
  Mask out = in;
  out.width = in.width + ItalicShift(0, ascent);
  out.alpha.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0);
  for (int y = 0; y < in.height; ++y) {
    int shift = ItalicShift(y, ascent);
    std::copy_n(&in.alpha[static_cast<std::size_t>(y * in.width)], in.width,
                &out.alpha[static_cast<std::size_t>(y * out.width + shift)]);
  }
  return out;
}

// The coverage of a rendered SDL surface: alpha for blended text, the
// foreground index for one-bit text.
Mask MaskOf(SDL_Surface* rendered, bool one_bit, int cell_height) {
  Mask mask;
  mask.cell_height = cell_height;
  if (!rendered) return mask;
  mask.width = rendered->w;
  mask.height = rendered->h;
  mask.alpha.resize(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height));
  SDL_LockSurface(rendered);
  for (int y = 0; y < mask.height; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(rendered->pixels) + static_cast<std::ptrdiff_t>(y) * rendered->pitch;
    uint8_t* out = &mask.alpha[static_cast<std::size_t>(y * mask.width)];
    for (int x = 0; x < mask.width; ++x) {
      if (one_bit) {
        out[x] = row[x] != 0 ? 255 : 0;  // index 0 is the transparent background
      } else {
        uint32_t px = 0;
        std::memcpy(&px, row + 4 * x, 4);
        out[x] = static_cast<uint8_t>(px >> 24);
      }
    }
  }
  SDL_UnlockSurface(rendered);
  return mask;
}

class TtfTextRasterizer : public TextRasterizer {
 public:
  explicit TtfTextRasterizer(TextRendering rendering) : rendering_(rendering), faces_(FindFaces(rendering)) {
    if (TTF_Init() != 0) throw std::runtime_error(std::string("SDL_ttf: ") + TTF_GetError());
  }
  ~TtfTextRasterizer() override {
    for (auto& entry : fonts_) TTF_CloseFont(entry.second);
    TTF_Quit();  // reference-counted: other users keep the library alive
  }
  TtfTextRasterizer(const TtfTextRasterizer&) = delete;
  TtfTextRasterizer& operator=(const TtfTextRasterizer&) = delete;

  void Draw(Surface& target, int x, int y, std::string_view cp932, const FontSpec& style, Colour colour,
            const Colour* brush) override {
    if (cp932.empty() || x >= target.width || y >= target.height) return;  // an empty text has an empty cell
    TTF_Font* font = Font(style);
    if (y + TTF_FontHeight(font) <= 0) return;  // wholly above the surface
    std::string_view shown = cp932;
    if (cp932.size() > kLongText) {
      shown = VisiblePrefix(font, style, cp932, x, target.width);
      if (shown.empty()) return;  // wholly left of the surface
    }
    const Mask& text = Render(shown, style);
    if (text.alpha.empty()) return;  // nothing drawable (e.g. only zero-width characters)
    if (brush) FillRect(target, x, y, x + text.width, y + text.cell_height, *brush);  // the solid brush's box
    BlendInto(target, x, y, text, colour);
  }

  int MeasureWidth(std::string_view cp932, const FontSpec& style) override {
    if (cp932.empty()) return 0;
    int w = 0, h = 0;
    TTF_Font* font = Font(style);
    if (TTF_SizeUTF8(font, Cp932ToUtf8(cp932).c_str(), &w, &h) != 0) return 0;
    return w + SyntheticWidth(font, style);
  }

 private:
  using RenderKey = std::tuple<std::string, int, int>;  // text, size, style bits
  struct RenderKeyHash {
    std::size_t operator()(const RenderKey& k) const {
      return std::hash<std::string>()(std::get<0>(k)) ^ (static_cast<std::size_t>(std::get<1>(k)) << 8) ^
             static_cast<std::size_t>(std::get<2>(k));
    }
  };
  using Recent = std::list<std::pair<RenderKey, Mask>>;  // most recently drawn first

  static int Size(const FontSpec& style) { return std::max(1, style.size_pt); }

  static int StyleBits(const FontSpec& style) {
    int bits = TTF_STYLE_NORMAL;
    if (style.bold) bits |= TTF_STYLE_BOLD;
    if (style.italic) bits |= TTF_STYLE_ITALIC;
    if (style.underline) bits |= TTF_STYLE_UNDERLINE;
    return bits;
  }

  Way WayOf(const FontSpec& style) const {
    if (rendering_ == TextRendering::Smooth) return Way::Smooth;
    if (rendering_ == TextRendering::Bitmap) {
      const int px = Size(style) * static_cast<int>(kDpi);
      const auto& strikes = faces_.bitmap.strikes;
      if (px % 72 == 0 && std::find(strikes.begin(), strikes.end(), px / 72) != strikes.end()) return Way::Strike;
    }
    return Way::Sharp;
  }

  // Bold and italic the rasteriser adds itself to a bitmap.
  int SyntheticWidth(TTF_Font* font, const FontSpec& style) const {
    if (WayOf(style) != Way::Strike) return 0;
    return (style.bold ? 1 : 0) + (style.italic ? ItalicShift(0, TTF_FontAscent(font)) : 0);
  }

  TTF_Font* Font(const FontSpec& style) {
    const Way way = WayOf(style);
    // A bitmap's own styles are made here; SDL2_ttf only underlines it.
    const int bits = way == Way::Strike ? StyleBits(style) & TTF_STYLE_UNDERLINE : StyleBits(style);
    auto key = std::make_tuple(Size(style), bits, way);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    const FaceFile& face = way == Way::Strike ? faces_.bitmap : faces_.outline;
    TTF_Font* font = TTF_OpenFontIndexDPI(face.path.c_str(), Size(style), face.index, kDpi, kDpi);
    if (!font) throw std::runtime_error("SDL_ttf cannot open " + face.path + ": " + TTF_GetError());
    TTF_SetFontStyle(font, bits);
    fonts_.emplace(key, font);
    return font;
  }

  // The leading characters of a long text that reach into the surface when
  // it is drawn at x; empty when none does. Every character advances the
  // pen, so no more characters than pixels (and a margin) can be seen.
  std::string_view VisiblePrefix(TTF_Font* font, const FontSpec& style, std::string_view cp932, int x, int width) {
    const int room = width - x;
    std::size_t end = 0;
    for (int chars = 0; end < cp932.size() && chars < 2 * room + 16; ++chars) end += CharLength(cp932, end);
    int extent = 0, count = 0;
    if (TTF_MeasureUTF8(font, Cp932ToUtf8(cp932.substr(0, end)).c_str(), room, &extent, &count) != 0) return {};
    std::size_t cut = 0;
    for (int chars = 0; cut < end && chars < count + 2; ++chars) cut += CharLength(cp932, cut);  // the partly seen one and its overhang
    if (cut == end && x + extent + SyntheticWidth(font, style) <= 0) return {};
    return cp932.substr(0, cut);
  }

  // Frames draw the same texts again and again: rendered masks are kept,
  // the least recently drawn given up first.
  const Mask& Render(std::string_view cp932, const FontSpec& style) {
    RenderKey key{std::string(cp932), Size(style), StyleBits(style)};
    auto found = index_.find(key);
    if (found != index_.end()) {
      recent_.splice(recent_.begin(), recent_, found->second);
      return found->second->second;
    }
    Mask mask = RenderMask(cp932, style);
    bytes_ += mask.Bytes() + std::get<0>(key).size();
    recent_.emplace_front(key, std::move(mask));
    index_.emplace(std::move(key), recent_.begin());
    while (recent_.size() > 1 && (recent_.size() > kMaxRendered || bytes_ > kMaxRenderedBytes)) {
      auto& oldest = recent_.back();
      bytes_ -= oldest.second.Bytes() + std::get<0>(oldest.first).size();
      index_.erase(oldest.first);
      recent_.pop_back();
    }
    return recent_.front().second;
  }

  Mask RenderMask(std::string_view cp932, const FontSpec& style) {
    TTF_Font* font = Font(style);
    const std::string utf8 = Cp932ToUtf8(cp932);
    const Way way = WayOf(style);
    SDL_Surface* rendered = nullptr;
    if (way == Way::Smooth) {
      if (SDL_Surface* blended = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255})) {
        rendered = SDL_ConvertSurfaceFormat(blended, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(blended);
      }
    } else {
      rendered = TTF_RenderUTF8_Solid(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    }
    Mask mask = MaskOf(rendered, way != Way::Smooth, TTF_FontHeight(font));
    SDL_FreeSurface(rendered);
    if (way == Way::Strike && !mask.alpha.empty()) {
      if (style.italic) mask = Slant(mask, TTF_FontAscent(font));
      if (style.bold) mask = Embolden(mask);
    }
    return mask;
  }

  static void BlendInto(Surface& target, int x, int y, const Mask& mask, Colour colour) {
    int x0 = std::max(0, x), x1 = std::min(target.width, x + mask.width);
    int y0 = std::max(0, y), y1 = std::min(target.height, y + mask.height);
    for (int row = y0; row < y1; ++row) {
      const uint8_t* src = &mask.alpha[static_cast<std::size_t>((row - y) * mask.width)];
      uint8_t* p = target.Row(row) + x0 * 3;
      for (int col = x0; col < x1; ++col, p += 3) {
        uint32_t alpha = src[col - x];
        if (alpha == 0) continue;
        p[0] = Blend(colour.b, p[0], alpha);
        p[1] = Blend(colour.g, p[1], alpha);
        p[2] = Blend(colour.r, p[2], alpha);
      }
    }
  }

  TextRendering rendering_;
  Faces faces_;
  std::map<std::tuple<int, int, Way>, TTF_Font*> fonts_;
  Recent recent_;
  std::unordered_map<RenderKey, Recent::iterator, RenderKeyHash> index_;
  std::size_t bytes_ = 0;
};

}  // namespace

std::unique_ptr<TextRasterizer> MakeTtfTextRasterizer(TextRendering rendering) {
  return std::make_unique<TtfTextRasterizer>(rendering);
}

}  // namespace nurumo
