// The faces as fontconfig finds them among the installed fonts.
#include <fontconfig/fontconfig.h>

#include <stdexcept>
#include <string>

#include "platform/fonts.h"

namespace nurumo {

namespace {

constexpr const char* kPreferredFamily = "IPAPGothic";  // metrics follow the Windows P gothic
constexpr const char* kBitmapFamily = "Mona";            // bitmaps drawn after the Windows P gothic's own
constexpr const char* kMissingFont =
    "No Japanese font found: install the package fonts-ipafont-gothic";

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

// The file of a family, or an empty path when that family is not installed
// (fontconfig answers every query with something).
FaceFile FindFamily(FcConfig* config, const char* family) {
  FaceFile face;
  if (FcPattern* font = Match(config, family)) {
    if (HasFamily(font, family)) face = FileOf(font);
    FcPatternDestroy(font);
  }
  return face;
}

// The proportional gothic; a bare lang=ja match would give a fixed-pitch face.
FaceFile FindJapaneseFace(FcConfig* config) {
  FaceFile face = FindFamily(config, kPreferredFamily);
  if (face.path.empty()) {
    if (FcPattern* font = Match(config, "sans-serif:lang=ja")) {
      if (SupportsJapanese(font)) face = FileOf(font);
      FcPatternDestroy(font);
    }
  }
  return face;
}

}  // namespace

Faces FindFaceFiles(bool want_bitmap) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) throw std::runtime_error(kMissingFont);
  Faces faces;
  faces.outline = FindJapaneseFace(config);
  if (want_bitmap) faces.bitmap = FindFamily(config, kBitmapFamily);
  FcConfigDestroy(config);
  if (faces.outline.path.empty()) throw std::runtime_error(kMissingFont);
  return faces;
}

const char* MissingBitmapFontText() {
  return "nurumo: the bitmap font Mona is not installed (package fonts-mona); small text is drawn sharp instead";
}

}  // namespace nurumo
