// The text rasteriser: SDL2_ttf over a Japanese proportional gothic face that
// fontconfig finds. Glyphs are rendered anti-aliased and blended into the
// 24-bit surface; a solid brush fills the text's cell first.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>

#include "core/text.h"
#include "gfx/raster.h"
#include "platform/devices.h"

namespace nurumo {

namespace {

constexpr unsigned kDpi = 96;  // points are at 96 dots per inch: 12 pt = 16 px
constexpr const char* kPreferredFamily = "IPAPGothic";  // metrics follow the Windows P gothic
constexpr const char* kMissingFont =
    "No Japanese font found: install the package fonts-ipafont-gothic";

struct FaceFile {
  std::string path;
  int index = 0;
};

bool HasFamily(FcPattern* font, const char* family) {
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &value) == FcResultMatch; ++i)
    if (std::string(reinterpret_cast<const char*>(value)) == family) return true;
  return false;
}

bool SupportsJapanese(FcPattern* font) {
  FcLangSet* langs = nullptr;
  if (FcPatternGetLangSet(font, FC_LANG, 0, &langs) != FcResultMatch) return false;
  return FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
}

// The best match for a pattern, or nullptr. The caller destroys it.
FcPattern* Match(FcConfig* config, const char* pattern_text) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(pattern_text));
  if (!pattern) return nullptr;
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* font = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  return font;
}

FaceFile FileOf(FcPattern* font) {
  FaceFile face;
  FcChar8* file = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch)
    face.path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(font, FC_INDEX, 0, &face.index);
  return face;
}

// fontconfig answers every query with something; the family it returns tells
// whether the proportional face is really there (a bare lang=ja match gives
// the fixed-pitch IPAGothic).
FaceFile FindJapaneseFace() {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) throw std::runtime_error(kMissingFont);
  FaceFile face;
  if (FcPattern* font = Match(config, kPreferredFamily)) {
    if (HasFamily(font, kPreferredFamily)) face = FileOf(font);
    FcPatternDestroy(font);
  }
  if (face.path.empty()) {
    if (FcPattern* font = Match(config, "sans-serif:lang=ja")) {
      if (SupportsJapanese(font)) face = FileOf(font);
      FcPatternDestroy(font);
    }
  }
  FcConfigDestroy(config);
  if (face.path.empty()) throw std::runtime_error(kMissingFont);
  return face;
}

int StyleBits(const FontSpec& font) {
  int style = TTF_STYLE_NORMAL;
  if (font.bold) style |= TTF_STYLE_BOLD;
  if (font.italic) style |= TTF_STYLE_ITALIC;
  if (font.underline) style |= TTF_STYLE_UNDERLINE;
  return style;
}

uint8_t Blend(uint8_t over, uint8_t under, uint32_t alpha) {
  return static_cast<uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

class TtfTextRasterizer : public TextRasterizer {
 public:
  TtfTextRasterizer() : face_(FindJapaneseFace()) {
    if (TTF_Init() != 0) throw std::runtime_error(std::string("SDL_ttf: ") + TTF_GetError());
  }
  ~TtfTextRasterizer() override {
    ClearRendered();
    for (auto& entry : fonts_) TTF_CloseFont(entry.second);
    TTF_Quit();  // reference-counted: other users keep the library alive
  }
  TtfTextRasterizer(const TtfTextRasterizer&) = delete;
  TtfTextRasterizer& operator=(const TtfTextRasterizer&) = delete;

  void Draw(Surface& target, int x, int y, std::string_view cp932, const FontSpec& style, Colour colour,
            const Colour* brush) override {
    if (cp932.empty()) return;  // an empty text has an empty cell
    const Rendered& text = Render(cp932, style, colour);
    if (!text.glyphs) return;  // nothing drawable (e.g. only zero-width characters)
    if (brush) FillRect(target, x, y, x + text.glyphs->w, y + text.cell_height, *brush);  // the solid brush's box
    BlendInto(target, x, y, text.glyphs);
  }

  int MeasureWidth(std::string_view cp932, const FontSpec& style) override {
    if (cp932.empty()) return 0;
    int w = 0, h = 0;
    if (TTF_SizeUTF8(Font(style), Cp932ToUtf8(cp932).c_str(), &w, &h) != 0) return 0;
    return w;
  }

 private:
  struct Rendered {
    SDL_Surface* glyphs = nullptr;  // ARGB8888, alpha = coverage
    int cell_height = 0;
  };
  using RenderKey = std::tuple<std::string, int, int, uint8_t, uint8_t, uint8_t>;
  static constexpr std::size_t kMaxRendered = 512;  // a frame draws a few dozen texts, mostly the same each frame

  // Frames draw the same texts again and again: rendered glyphs are kept.
  const Rendered& Render(std::string_view cp932, const FontSpec& style, Colour colour) {
    RenderKey key{std::string(cp932), std::max(1, style.size_pt), StyleBits(style), colour.r, colour.g, colour.b};
    auto found = rendered_.find(key);
    if (found != rendered_.end()) return found->second;
    if (rendered_.size() >= kMaxRendered) ClearRendered();
    TTF_Font* font = Font(style);
    Rendered text;
    text.cell_height = TTF_FontHeight(font);
    SDL_Color fg{colour.r, colour.g, colour.b, 255};
    if (SDL_Surface* glyphs = TTF_RenderUTF8_Blended(font, Cp932ToUtf8(cp932).c_str(), fg)) {
      text.glyphs = SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_ARGB8888, 0);
      SDL_FreeSurface(glyphs);
    }
    return rendered_.emplace(std::move(key), text).first->second;
  }

  void ClearRendered() {
    for (auto& entry : rendered_) SDL_FreeSurface(entry.second.glyphs);
    rendered_.clear();
  }

  TTF_Font* Font(const FontSpec& style) {
    int size = std::max(1, style.size_pt);
    auto key = std::make_tuple(size, StyleBits(style));
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    TTF_Font* font = TTF_OpenFontIndexDPI(face_.path.c_str(), size, face_.index, kDpi, kDpi);
    if (!font) throw std::runtime_error("SDL_ttf cannot open " + face_.path + ": " + TTF_GetError());
    TTF_SetFontStyle(font, std::get<1>(key));
    fonts_.emplace(key, font);
    return font;
  }


  static void BlendInto(Surface& target, int x, int y, SDL_Surface* argb) {
    SDL_LockSurface(argb);
    int x0 = std::max(0, x), x1 = std::min(target.width, x + argb->w);
    int y0 = std::max(0, y), y1 = std::min(target.height, y + argb->h);
    for (int row = y0; row < y1; ++row) {
      const auto* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                          static_cast<std::ptrdiff_t>(row - y) * argb->pitch);
      uint8_t* p = target.Row(row) + x0 * 3;
      for (int col = x0; col < x1; ++col, p += 3) {
        uint32_t px = src[col - x];
        uint32_t alpha = px >> 24;
        if (alpha == 0) continue;
        p[0] = Blend(static_cast<uint8_t>(px), p[0], alpha);
        p[1] = Blend(static_cast<uint8_t>(px >> 8), p[1], alpha);
        p[2] = Blend(static_cast<uint8_t>(px >> 16), p[2], alpha);
      }
    }
    SDL_UnlockSurface(argb);
  }

  FaceFile face_;
  std::map<std::tuple<int, int>, TTF_Font*> fonts_;
  std::map<RenderKey, Rendered> rendered_;
};

}  // namespace

std::unique_ptr<TextRasterizer> MakeTtfTextRasterizer() { return std::make_unique<TtfTextRasterizer>(); }

}  // namespace nurumo
