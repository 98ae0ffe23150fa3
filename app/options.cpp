#include "app/options.h"

#include <array>
#include <charconv>

#include "platform/files.h"
#include "shell/slots.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

#ifndef NURUMO_VERSION
#define NURUMO_VERSION "unknown"
#endif

bool ParseUnsigned(const std::string& text, uint32_t& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool ParseTextRendering(const std::string& name, TextRendering& out) {
  static constexpr std::array<std::pair<const char*, TextRendering>, 3> kNames = {{
      {"bitmap", TextRendering::Bitmap}, {"sharp", TextRendering::Sharp}, {"smooth", TextRendering::Smooth}}};
  for (const auto& [text, rendering] : kNames)
    if (name == text) {
      out = rendering;
      return true;
    }
  return false;
}

std::string UsageText() {
  return "usage: nurumo [options]\n"
         "  --game-dir DIR   the game folder (the one holding dat/)\n"
         "  --seed N         seed of the random generator (default: from the clock)\n"
         "  --scale N        window scale 1..8 (default: the largest up to 3 that fits)\n"
         "  --fullscreen     start in full screen (F11 toggles)\n"
         "  --headless       no window and no sound, a virtual clock\n"
         "  --text STYLE     how text is drawn: bitmap (default: hand-drawn bitmaps for\n"
         "                   9 and 12 pt, sharp for the rest), sharp (one-bit outlines)\n"
         "                   or smooth (anti-aliased outlines)\n"
         "  --replay FILE    feed keys from a replay file\n"
         "  --trace FILE     write the trace as JSON lines (- for standard output)\n"
         "  --snap-dir DIR   where SNAP lines of a replay write their pictures (default: .)\n"
         "  --autoplay       the game plays itself: at a reader's pace in the window,\n"
         "                   as fast as the virtual clock allows with --headless\n"
         "  --until MS       headless only: stop at this virtual time (default: 5000 ms\n"
         "                   after the replay's last line, or 60000 ms)\n"
         "  --load SLOT      start from a slot: 1..9, quick or auto\n"
         "  --continue       start from the autosave (the same as --load auto)\n"
         "  --autosave       autosave as the window does, also headless or with --autoplay\n"
         "  --settings       read and write settings.ini as the window does, also headless\n"
         "                   (headless runs otherwise start from the default settings)\n"
         "  --help           print this text\n"
         "  --version        print the version\n";
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
                             name == "--until" || name == "--load" || name == "--text";
    const bool is_flag = name == "--help" || name == "-h" || name == "--fullscreen" || name == "--headless" ||
                         name == "--version" || name == "--continue" || name == "--autosave" || name == "--settings" ||
                         name == "--autoplay";
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
    else if (name == "--version") options.version = true;
    else if (name == "--fullscreen") options.fullscreen = true;
    else if (name == "--headless") options.headless = true;
    else if (name == "--autoplay") options.autoplay = true;
    else if (name == "--autosave") options.autosave = true;
    else if (name == "--settings") options.settings = true;
    else if (name == "--continue" || name == "--load") {
      const std::string slot = name == "--continue" ? "auto" : value;
      if (!IsSlotName(slot)) {
        error = "option --load needs a slot: 1 to 9, quick or auto, not '" + value + "'";
        return false;
      }
      if (options.load_slot && *options.load_slot != slot) {
        error = "options --load and --continue name two different slots";
        return false;
      }
      options.load_slot = slot;
    }
    else if (name == "--game-dir") options.game_dir = PathOfUtf8(value);
    else if (name == "--replay") options.replay = PathOfUtf8(value);
    else if (name == "--trace") options.trace = value;
    else if (name == "--snap-dir") options.snap_dir = PathOfUtf8(value);
    else if (name == "--text") {
      TextRendering text{};
      if (!ParseTextRendering(value, text)) {
        error = "option --text must be bitmap, sharp or smooth, not '" + value + "'";
        return false;
      }
      options.text = text;
    } else if (!ParseUnsigned(value, number)) {
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

std::string VersionText() { return "nurumo " NURUMO_VERSION "\n"; }

}  // namespace nurumo
