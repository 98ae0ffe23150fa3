// The script checker of nurumo-script: walks every script the game can reach
// the way the game reads it and lists what would hurt a player.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nurumo {

class TextRasterizer;

struct LintProblem {
  std::string file;  // as the game names it, with "/" ("dat/1.dat"), UTF-8
  int line = 0;      // from 1; 0 for the file as a whole
  std::string message;
};

// "FILE:LINE: message"
std::string FormatProblem(const LintProblem& problem);

// The widest page line the text area shows, in pixels.
inline constexpr int kPageTextWidth = 406;

// Check the scripts of the game folder (the folder holding dat/). With no
// rasteriser (none installed) page widths are not measured.
std::vector<LintProblem> LintGame(const std::filesystem::path& game_dir, TextRasterizer* text);

}  // namespace nurumo
