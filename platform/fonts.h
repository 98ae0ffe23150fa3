// Where the text rasteriser's faces come from. On Linux fontconfig finds the
// installed Japanese faces; on Windows the font files travel with the game,
// in fonts/ beside the program, and are loaded by path (fontconfig opens
// files by ANSI paths there, which a Japanese folder name defeats). One
// implementation per kind of machine, chosen by the build.
#pragma once

#include <string>
#include <vector>

namespace nurumo {

struct FaceFile {
  std::string path;  // UTF-8; empty: none
  int index = 0;
  std::vector<int> strikes;  // pixel heights of the bitmaps the face carries
};

struct Faces {
  FaceFile outline;  // the proportional gothic
  FaceFile bitmap;   // the Mona face, when asked for; empty path: none
};

// The faces; throws std::runtime_error with a message for the player when
// there is no Japanese outline face at all.
Faces FindFaceFiles(bool want_bitmap);

// One line for standard error when the bitmap face is missing.
const char* MissingBitmapFontText();

}  // namespace nurumo
