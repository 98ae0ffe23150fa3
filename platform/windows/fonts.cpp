// The faces the Windows package carries in fonts/ beside the program: the
// proportional gothic IPAPGothic (ipagp.ttf) and the bitmap face Mona
// (mona.ttf), the same files the Linux build finds installed.
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/system.h"

namespace nurumo {

namespace {

constexpr const char* kMissingFont = "No Japanese font found: fonts\\ipagp.ttf is missing beside nurumo.exe";

FaceFile Bundled(const char* name) {
  std::filesystem::path file = ProgramFile().parent_path() / "fonts" / name;
  std::error_code ec;
  FaceFile face;
  if (std::filesystem::is_regular_file(file, ec)) face.path = Utf8Of(file);
  return face;
}

}  // namespace

Faces FindFaceFiles(bool want_bitmap) {
  Faces faces;
  faces.outline = Bundled("ipagp.ttf");
  if (faces.outline.path.empty()) throw std::runtime_error(kMissingFont);
  if (want_bitmap) faces.bitmap = Bundled("mona.ttf");
  return faces;
}

const char* MissingBitmapFontText() {
  return "nurumo: the bitmap font fonts\\mona.ttf is missing beside nurumo.exe; small text is drawn sharp instead";
}

}  // namespace nurumo
