// The command line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace nurumo {

struct Options {
  std::optional<std::filesystem::path> game_dir;
  std::optional<uint32_t> seed;  // from the clock when absent
  int scale = 0;                 // 0: the largest that fits, up to 3
  bool fullscreen = false;
  bool headless = false;
  std::optional<std::filesystem::path> replay;
  std::optional<std::string> trace;  // a file name, or "-" for standard output
  std::filesystem::path snap_dir = ".";
  std::optional<uint32_t> until;  // headless only
  std::optional<TextRendering> text;  // over the settings file's
  bool autoplay = false;          // the game plays itself
  bool help = false;
  bool version = false;
  std::optional<std::string> load_slot;  // --load SLOT, or "auto" for --continue
  bool autosave = false;                 // --autosave: headless runs autosave too
  bool settings = false;                 // --settings: headless runs read and write settings.ini too
};

// False with a one-line reason for a bad command line.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// "bitmap", "sharp", "smooth": the names of the ways to render text, for the
// command line and for settings. False for any other name.
bool ParseTextRendering(const std::string& name, TextRendering& out);

// The text --help prints.
std::string UsageText();

// The line --version prints.
std::string VersionText();

}  // namespace nurumo
