#include "shell/settings.h"

#include <algorithm>
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

namespace {

// The file's text, or why it cannot be taken (a reason for the one line on
// standard error). A missing file is an empty text.
bool SettingsText(const fs::path& path, std::string& text, std::string& why) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    text.clear();
    return true;
  }
  if (fs::is_directory(status)) {
    why = "it is a folder, not a file";
    return false;
  }
  if (!fs::is_regular_file(status)) {
    why = "it is not a regular file (a pipe or a device)";
    return false;
  }
  std::string error;
  uint64_t size = 0;
  if (!ReadFileHead(path, kMaxFileBytes, text, size, error)) {
    why = "it cannot be read (" + error + ")";
    return false;
  }
  if (size > kMaxFileBytes) {
    why = "it is larger than " + std::to_string(kMaxFileBytes / 1024) + " KB";
    return false;
  }
  return true;
}

// A line's key and where its value stands in it; false for a blank line, a
// comment, a section or a line without "=".
struct KeyLine {
  std::string key;
  std::size_t value_start = 0;
  std::size_t value_end = 0;
};

bool SplitLine(std::string_view line, KeyLine& out) {
  const std::size_t hash = std::min(line.find('#'), line.size());
  const std::string content = Trim(line.substr(0, hash));
  if (content.empty() || content.front() == '[') return false;
  const std::size_t eq = line.substr(0, hash).find('=');
  if (eq == std::string_view::npos) return false;
  out.key = Trim(line.substr(0, eq));
  std::size_t start = eq + 1, end = hash;
  while (start < end && (line[start] == ' ' || line[start] == '\t')) ++start;
  while (end > start && std::string_view(" \t\r\n").find(line[end - 1]) != std::string_view::npos) --end;
  out.value_start = start;
  out.value_end = end;
  return true;
}

}  // namespace

void ReadSettings(const fs::path& path, Settings& settings, std::ostream& err) {
  std::string text, why;
  if (!SettingsText(path, text, why)) {
    err << "nurumo: " << Utf8Of(path) << ": " << why << "; the settings file is ignored\n";
    return;
  }
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

constexpr const char* kSettingsHeader = "# nurumo settings (the menu writes the settings changed in it)\n";

std::string UpdateSettingsText(std::string_view text, std::string_view key, int value) {
  const std::string number = std::to_string(value);
  std::string out;
  bool found = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end == std::string_view::npos ? text.size() : end + 1));
    text.remove_prefix(line.size());
    KeyLine parts;
    if (SplitLine(line, parts) && parts.key == key) {
      line.replace(parts.value_start, parts.value_end - parts.value_start, number);  // the rest of the line stays
      found = true;
    }
    out += line;
  }
  if (!found) {
    if (out.empty()) out = kSettingsHeader;
    if (out.back() != '\n') out += '\n';
    out += std::string(key) + "=" + number + "\n";
  }
  return out;
}

bool CreateSettings(const fs::path& path, std::string& error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  return FileSystem(path.parent_path()).WriteAtomic(Utf8Of(path.filename()), kSettingsHeader, error);
}

bool UpdateSettings(const fs::path& path, std::string_view key, int value, std::string& error) {
  std::string text;
  if (!SettingsText(path, text, error)) return false;  // what stands there is not ours to replace
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  return FileSystem(path.parent_path()).WriteAtomic(Utf8Of(path.filename()), UpdateSettingsText(text, key, value),
                                                   error);
}

}  // namespace nurumo
