#include "shell/settings.h"

#include <charconv>
#include <sstream>
#include <system_error>

#include "platform/files.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxFileBytes = 64 * 1024;

std::string Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return std::string(s.substr(first, last - first + 1));
}

const SettingRow* Row(std::string_view key) {
  for (const SettingRow& row : SettingRows())
    if (key == row.key && row.in_file) return &row;
  return nullptr;
}

}  // namespace

const std::array<SettingRow, 6>& SettingRows() {
  static const std::array<SettingRow, 6> rows = {{
      {"scale", "画面の倍率", &Settings::scale, 0, 8, true, ""},  // 0: the largest that fits
      {"fullscreen", "全画面", &Settings::fullscreen, 0, 1, true, "", {"オフ", "オン"}},
      {"music_volume", "音楽の音量", &Settings::music_volume, 0, 10, true, ""},
      {"sound_volume", "効果音の音量", &Settings::sound_volume, 0, 10, true, ""},
      {"text", "文字の描き方", &Settings::text, 0, 2, true, "", {"ドット", "くっきり", "なめらか"}},
      {"voice", "音声モード", &Settings::voice, 0, 1, false, "（次回の起動から）", {"オフ", "オン"}},
  }};
  return rows;
}

void ReadSettings(const fs::path& path, Settings& settings, std::ostream& err) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return;
  std::string text, error;
  uint64_t size = 0;
  if (!ReadFileHead(path, kMaxFileBytes, text, size, error) || size > kMaxFileBytes)
    text = "\x01";  // unreadable or far too large: as damaged
  Settings read = settings;
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    std::string content = Trim(line.substr(0, line.find('#')));
    if (content.empty() || content.front() == '[') continue;  // blank, comment, section
    const auto eq = content.find('=');
    const SettingRow* row = eq == std::string::npos ? nullptr : Row(Trim(content.substr(0, eq)));
    const std::string value = eq == std::string::npos ? "" : Trim(content.substr(eq + 1));
    int parsed = 0;
    auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (!row || value.empty() || failure != std::errc() || end != value.data() + value.size() ||
        parsed < row->low || parsed > row->high) {
      err << "nurumo: " << Utf8Of(path) << ": line " << number << " is not understood; the settings file is ignored\n";
      return;
    }
    read.*(row->field) = parsed;
  }
  settings = read;
}

bool WriteSettings(const fs::path& path, const Settings& settings, std::string& error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  std::string text = "# nurumo settings (the menu writes this file)\n";
  for (const SettingRow& row : SettingRows())
    if (row.in_file) text += std::string(row.key) + "=" + std::to_string(settings.*(row.field)) + "\n";
  return FileSystem(path.parent_path()).WriteAtomic(Utf8Of(path.filename()), text, error);
}

}  // namespace nurumo
