#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

RegularFile::RegularFile(const fs::path& path, std::string& error) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a pipe cannot hold the open up
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
    error = std::strerror(errno);
    Close();
  } else if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    Close();
  } else {
    size_ = static_cast<uint64_t>(info.st_size);
  }
}

// In chunks, so that what is held never runs far ahead of what the file
// really gave.
bool RegularFile::Read(std::size_t max_bytes, std::string& out, std::string& error) {
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  out.reserve(static_cast<std::size_t>(std::min<uint64_t>(size_, max_bytes)));
  char chunk[kChunk];
  while (out.size() < max_bytes) {
    ssize_t n = ::read(fd_, chunk, std::min(kChunk, max_bytes - out.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  return true;
}

bool RegularFile::Seek(uint64_t offset) {
  return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

void RegularFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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
    fs::path exact = result / fs::path(part);
    std::error_code ec;
    if (fs::exists(exact, ec) || !fs::is_directory(result, ec)) {
      result = exact;
      continue;
    }
    fs::path found = exact;
    std::string want = FoldCase(part);
    for (const auto& entry : fs::directory_iterator(result, ec)) {
      if (FoldCase(entry.path().filename().string()) == want) {
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
