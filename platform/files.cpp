#include "platform/files.h"

#include <algorithm>
#include <vector>

#include "core/text.h"
#include "platform/write_whole.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

std::string FoldCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Split a game path at backslashes and slashes into UTF-8 components.
std::vector<std::string> Components(std::string_view cp932) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < cp932.size();) {
    std::size_t n = CharLength(cp932, i);
    if (n == 1 && (cp932[i] == '\\' || cp932[i] == '/')) {
      if (!current.empty()) parts.push_back(Cp932ToUtf8(current));
      current.clear();
    } else {
      current.append(cp932.substr(i, n));
    }
    i += n;
  }
  if (!current.empty()) parts.push_back(Cp932ToUtf8(current));
  return parts;
}

constexpr const char* kTooLarge = "larger than 64 MB";

}  // namespace

fs::path PathOfUtf8(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(reinterpret_cast<const char*>(utf8.data()), utf8.size());
}

bool ReadFileHead(const fs::path& path, std::size_t max_bytes, std::string& out, uint64_t& file_size,
                  std::string& error) {
  RegularFile file(path, error);
  if (!file.ok()) return false;
  std::string bytes;
  if (!file.Read(max_bytes, bytes, error)) return false;
  file_size = std::max<uint64_t>(file.size(), bytes.size());
  out = std::move(bytes);
  return true;
}

FileSystem::FileSystem(fs::path game_dir, fs::path data_dir)
    : game_dir_(std::move(game_dir)), data_dir_(std::move(data_dir)) {}

fs::path FileSystem::Resolve(std::string_view cp932) const {
  std::vector<std::string> parts = Components(cp932);
  bool absolute = !cp932.empty() && (cp932[0] == '/' || cp932[0] == '\\');
  fs::path base = absolute ? fs::path("/")
                  : (!parts.empty() && FoldCase(parts[0]) == "dat") ? game_dir_
                                                                     : data_dir_;
  fs::path result = base;
  for (const std::string& part : parts) {
    fs::path exact = result / PathOfUtf8(part);
    std::error_code ec;
    if (ExistsAsNamed(exact) || !fs::is_directory(result, ec)) {
      result = exact;
      continue;
    }
    fs::path found = exact;
    std::string want = FoldCase(part);
    for (const auto& entry : fs::directory_iterator(result, ec)) {
      if (FoldCase(Utf8Of(entry.path().filename())) == want) {
        found = entry.path();
        break;
      }
    }
    result = found;
  }
  return result;
}

bool FileSystem::Exists(std::string_view cp932) const {
  std::error_code ec;
  return fs::is_regular_file(Resolve(cp932), ec);
}

bool ReadWholeFile(const fs::path& path, std::string& out, std::string& error) {
  RegularFile file(path, error);
  if (!file.ok()) return false;
  if (file.size() > FileSystem::kReadLimit) {  // refused before a byte is read
    error = kTooLarge;
    return false;
  }
  std::string bytes;
  if (!file.Read(FileSystem::kReadLimit + 1, bytes, error)) return false;
  if (bytes.size() > FileSystem::kReadLimit) {  // grew while it was read
    error = kTooLarge;
    return false;
  }
  out = std::move(bytes);
  return true;
}

bool FileSystem::ReadAll(std::string_view cp932, std::string& out, std::string& error) const {
  return ReadWholeFile(Resolve(cp932), out, error);
}

bool FileSystem::ReadHead(std::string_view cp932, std::size_t max_bytes, std::string& out,
                          uint64_t& file_size, std::string& error) const {
  return ReadFileHead(Resolve(cp932), max_bytes, out, file_size, error);
}

bool FileSystem::WriteAtomic(std::string_view cp932, std::string_view bytes, std::string& error) const {
  return WriteFileWhole(Resolve(cp932), bytes, error);
}

}  // namespace nurumo
