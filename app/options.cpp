#include "app/options.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>

namespace nurumo {

namespace fs = std::filesystem;

namespace {

#ifndef NURUMO_BUILD_GAME_DIR
#define NURUMO_BUILD_GAME_DIR ""
#endif
#ifndef NURUMO_INSTALL_GAME_DIR
#define NURUMO_INSTALL_GAME_DIR ""
#endif

bool ParseUnsigned(const std::string& text, uint32_t& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool HoldsDat(const fs::path& dir) {
  std::error_code ec;
  return !dir.empty() && fs::is_directory(dir / "dat", ec);
}

}  // namespace

std::string UsageText() {
  return "usage: nurumo [options]\n"
         "  --game-dir DIR   the game folder (the one holding dat/)\n"
         "  --seed N         seed of the random generator (default: from the clock)\n"
         "  --scale N        window scale 1..8 (default: the largest up to 3 that fits)\n"
         "  --fullscreen     start in full screen (F11 toggles)\n"
         "  --headless       no window and no sound, a virtual clock\n"
         "  --replay FILE    feed keys from a replay file\n"
         "  --trace FILE     write the trace as JSON lines (- for standard output)\n"
         "  --snap-dir DIR   where SNAP lines of a replay write their pictures (default: .)\n"
         "  --autoplay       the game plays itself: at a reader's pace in the window,\n"
         "                   as fast as the virtual clock allows with --headless\n"
         "  --until MS       headless only: stop at this virtual time (default: 5000 ms\n"
         "                   after the replay's last line, or 60000 ms)\n"
         "  --help           print this text\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inline_value;
    if (auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
      inline_value = name.substr(eq + 1);
      name.resize(eq);
    }
    const bool takes_value = name == "--game-dir" || name == "--seed" || name == "--scale" ||
                             name == "--replay" || name == "--trace" || name == "--snap-dir" ||
                             name == "--until";
    const bool is_flag =
        name == "--help" || name == "-h" || name == "--fullscreen" || name == "--headless" || name == "--autoplay";
    if (!takes_value && !is_flag) {
      error = "unknown option '" + args[i] + "' (see --help)";
      return false;
    }
    if (is_flag && inline_value) {
      error = "option " + name + " takes no value";
      return false;
    }
    std::string value;
    if (takes_value) {
      if (inline_value) {
        value = *inline_value;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        error = "option " + name + " needs a value";
        return false;
      }
    }
    uint32_t number = 0;
    if (name == "--help" || name == "-h") options.help = true;
    else if (name == "--fullscreen") options.fullscreen = true;
    else if (name == "--headless") options.headless = true;
    else if (name == "--autoplay") options.autoplay = true;
    else if (name == "--game-dir") options.game_dir = fs::path(value);
    else if (name == "--replay") options.replay = fs::path(value);
    else if (name == "--trace") options.trace = value;
    else if (name == "--snap-dir") options.snap_dir = fs::path(value);
    else if (!ParseUnsigned(value, number)) {
      error = "option " + name + " needs a number, not '" + value + "'";
      return false;
    } else if (name == "--seed") {
      options.seed = number;
    } else if (name == "--scale") {
      if (number < 1 || number > 8) {
        error = "option --scale must be 1 to 8, not " + value;
        return false;
      }
      options.scale = static_cast<int>(number);
    } else if (name == "--until") {
      if (number > INT32_MAX) {  // virtual times are compared as signed 32-bit differences
        error = "option --until is out of range: " + value;
        return false;
      }
      options.until = number;
    }
    if (takes_value && value.empty() && name != "--trace") {
      error = "option " + name + " needs a value";
      return false;
    }
  }
  if (options.trace && options.trace->empty()) {
    error = "option --trace needs a value";
    return false;
  }
  return true;
}

fs::path ChooseGameDir(const Options& options) {
  if (options.game_dir) return *options.game_dir;
  std::error_code ec;
  fs::path here = fs::current_path(ec);
  if (!ec && HoldsDat(here)) return here;
  if (HoldsDat(NURUMO_BUILD_GAME_DIR)) return NURUMO_BUILD_GAME_DIR;
  if (HoldsDat(NURUMO_INSTALL_GAME_DIR)) return NURUMO_INSTALL_GAME_DIR;
  return ec ? fs::path(".") : here;  // nothing found: the start-up reports the missing files
}

fs::path ChooseDataDir(const fs::path& game_dir) {
  if (::access(game_dir.c_str(), W_OK) == 0) return game_dir;
  fs::path base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
    base = xdg;  // a relative value is to be ignored
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = fs::path(home) / ".local" / "share";
  } else {
    return game_dir;  // nowhere better: saving will report its failure
  }
  fs::path data = base / "nurumo";
  std::error_code ec;
  fs::create_directories(data, ec);
  return ec ? game_dir : data;
}

}  // namespace nurumo
