// The page has no fontconfig: its data carries the two faces at the paths
// Debian installs them to, so that the same program finds them under node
// (the host's files) and in the browser (the packed data).
#include <sys/stat.h>

#include <stdexcept>
#include <string>

#include "platform/fonts.h"

namespace nurumo {

namespace {

constexpr const char* kOutlineFile = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
constexpr const char* kBitmapFile = "/usr/share/fonts/truetype/mona/mona.ttf";

FaceFile IfThere(const char* path) {
  struct stat info {};
  FaceFile face;
  if (::stat(path, &info) == 0 && S_ISREG(info.st_mode)) face.path = path;
  return face;
}

}  // namespace

Faces FindFaceFiles(bool want_bitmap) {
  Faces faces;
  faces.outline = IfThere(kOutlineFile);
  if (faces.outline.path.empty())
    throw std::runtime_error(std::string("No Japanese font found: the page's data lacks ") + kOutlineFile);
  if (want_bitmap) faces.bitmap = IfThere(kBitmapFile);
  return faces;
}

const char* MissingBitmapFontText() {
  return "nurumo: the page's data lacks the bitmap font Mona; small text is drawn sharp instead";
}

}  // namespace nurumo
