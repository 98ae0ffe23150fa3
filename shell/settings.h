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
#include <string_view>

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
// one that cannot be taken (an unknown key, a value that is not a number in
// range, a folder, a pipe, a file too large or unreadable) changes nothing
// and says which in one line on `err`.
void ReadSettings(const std::filesystem::path& path, Settings& settings, std::ostream& err);

// The file's text with one setting changed: every line of that key gets the
// new value (the rest of the line, a comment, stays), and the key is added
// at the end when no line has it. Every other line stays byte for byte:
// the other settings, comments, lines the game does not know.
std::string UpdateSettingsText(std::string_view text, std::string_view key, int value);

// One setting the player changed, written into the file as above (created
// when missing), atomically. A file that cannot be read whole is left as it
// stands: false with a reason (UTF-8).
bool UpdateSettings(const std::filesystem::path& path, std::string_view key, int value, std::string& error);

// A settings file holding no setting yet, only its first comment line: the
// mark that the game has been started before.
bool CreateSettings(const std::filesystem::path& path, std::string& error);

}  // namespace nurumo
