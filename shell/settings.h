// The player's settings: window scale, full screen, music and sound volume,
// the way text is drawn (kept in settings.ini in the user's configuration
// folder) and the voice
// mode (the game's own marker file, read by the game at start). One table
// row per setting, so one more is one more line.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "platform/platform.h"

namespace nurumo {

struct Settings {
  int scale = 0;  // 0: the largest that fits
  int fullscreen = 0;
  int music_volume = 10;
  int sound_volume = 10;
  int text = static_cast<int>(kDefaultTextRendering);  // a TextRendering
  int voice = 0;  // the marker file, not the ini file
};

struct SettingRow {
  const char* key;    // in settings.ini and the trace
  const char* label;  // UTF-8, as the menu shows it
  int Settings::*field;
  int low;
  int high;  // the scale's top is the platform's to say
  bool in_file;
  const char* note;  // UTF-8, shown after the value; "" for none
  std::array<const char*, 3> names = {};  // UTF-8 names of the values; none: the number is shown
};

const std::array<SettingRow, 6>& SettingRows();

// Where the file is kept: SettingsFile() in platform/system.h.

// The settings of the file over `settings`. A missing file changes nothing;
// a damaged one (an unknown key, a value that is not a number in range)
// changes nothing and says so in one line on `err`.
void ReadSettings(const std::filesystem::path& path, Settings& settings, std::ostream& err);
// Written atomically; false with a reason (UTF-8).
bool WriteSettings(const std::filesystem::path& path, const Settings& settings, std::string& error);

}  // namespace nurumo
