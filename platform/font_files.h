// Where the Japanese faces are. The desktop asks fontconfig
// (font_files.cpp); the page has them at fixed paths in its data
// (web/font_files.cpp). Only the text rasteriser uses this.
#pragma once

#include <string>
#include <vector>

namespace nurumo {

inline constexpr const char* kPreferredFamily = "IPAPGothic";  // metrics follow the Windows P gothic
inline constexpr const char* kBitmapFamily = "Mona";            // bitmaps drawn after the Windows P gothic's own

struct FaceFile {
  std::string path;  // empty: none
  int index = 0;
  std::vector<int> strikes;  // pixel heights of the bitmaps the face carries
};

struct FaceFiles {
  FaceFile outline;  // the proportional gothic
  FaceFile bitmap;   // the Mona face; looked for only when asked
};

// An empty outline path when no Japanese face is there.
FaceFiles FindFaceFiles(bool with_bitmap);

}  // namespace nurumo
